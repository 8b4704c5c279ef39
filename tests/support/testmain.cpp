#include "support/testmain.h"

#include "support/sandbox.h"

#include <QApplication>
#include <QTest>
#include <memory>
#include <vector>

namespace {
struct Entry
{
    const char *name;
    std::function<QObject *()> factory;
};
std::vector<Entry> &entries()
{
    static std::vector<Entry> list;
    return list;
}
} // namespace

int TestRegistry::add(const char *name, std::function<QObject *()> factory)
{
    entries().push_back({name, std::move(factory)});
    return static_cast<int>(entries().size());
}

// Runs every registered class; "-class Name" runs just one. Other arguments go to QTest.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QString only;
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]) == "-class" && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]);
        else
            args << QString::fromLocal8Bit(argv[i]);
    }
    int failed = 0;
    for (const Entry &e : entries()) {
        if (!only.isEmpty() && only != QLatin1String(e.name))
            continue;
        ResetProgramState();   // no class starts on what the one before left
        std::unique_ptr<QObject> test(e.factory());
        if (QTest::qExec(test.get(), args) != 0)
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}
