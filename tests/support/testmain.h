#pragma once
#include <QObject>
#include <functional>

// Registers a Qt Test class so the folder's test program runs it.
// Use VR_TEST_CLASS(MyTest) after the class in its .cpp file.
namespace TestRegistry {
int add(const char *name, std::function<QObject *()> factory);
}

#define VR_TEST_CLASS(Class) \
    static const int vr_registered_##Class = TestRegistry::add(#Class, [] { return new Class; });
