#include "reaction/randomresultwindow.h"

RandomResultWindow::RandomResultWindow(QWidget *parent)
    : ReactionResultWindow(2, QStringLiteral("ERA2F"), QStringLiteral("ERA2_Form"), parent)
{
}
