#include "reaction/era2_form.h"

TERA2_Form::TERA2_Form(QWidget *parent)
    : ReactionResultWindow(2, QStringLiteral("ERA2F"), QStringLiteral("ERA2_Form"), parent)
{
}
