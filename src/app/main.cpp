#include "platform/translations.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InstallGermanTranslations(app);
    UseGermanFormatsOnPlainSystems();
    return RunProgram(app);
}
