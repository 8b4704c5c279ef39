#include "reaction/era1_form.h"

TERA1_Form::TERA1_Form(QWidget *parent)
    : ReactionResultWindow(1, QStringLiteral("ERA1F"), QStringLiteral("ERA1_Form"), parent)
{
}
