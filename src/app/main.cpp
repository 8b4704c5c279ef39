#include "app/startup.h"
#include "ui/messageboxes.h"

#include <QApplication>

int main(int argc, char **argv)
{
    MessageBoxes boxes;  // outlives the windows
    QApplication app(argc, argv);
    MessageService::setDefault(&boxes);
    return RunProgram(app);
}
