#include "reaction/ersetup1_form.h"

#include <QStringList>

TERSetup1_Form::TERSetup1_Form(QWidget *parent)
    : TERSetupBase(QStringLiteral("ERS1F"), parent)
{
    setObjectName(QStringLiteral("ERSetup1_Form"));
    finishCreation();
}

QString TERSetup1_Form::infoText() const
{
    QStringList lines = SetupInfoCommonLines();
    lines << QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt. ");
    return lines.join(QStringLiteral("\r\n"));
}

QString TERSetup1_Form::seriesErrorText() const { return QStringLiteral("Bitte eine gültige Serienanzahl eingeben."); }
