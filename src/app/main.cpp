#include "platform/buildinfo.h"
#include "platform/programpaths.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel Reaktion"));
    std::printf("Vantrel Reaktion %s\n", VR_VERSION_TEXT);
    return 0;
}
