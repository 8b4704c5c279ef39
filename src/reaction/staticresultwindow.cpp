#include "reaction/staticresultwindow.h"

StaticResultWindow::StaticResultWindow(QWidget *parent)
    : ReactionResultWindow(1, QStringLiteral("ERA1F"), QStringLiteral("ERA1_Form"), parent)
{
}
