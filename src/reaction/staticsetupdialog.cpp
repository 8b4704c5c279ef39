#include "reaction/staticsetupdialog.h"

#include <QStringList>

StaticSetupDialog::StaticSetupDialog(QWidget *parent)
    : SetupDialogBase(QStringLiteral("ERS1F"), parent)
{
    setObjectName(QStringLiteral("ERSetup1_Form"));
    finishCreation();
}

QString StaticSetupDialog::infoText() const
{
    QStringList lines = SetupInfoCommonLines();
    lines << QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt. ");
    return lines.join(QStringLiteral("\r\n"));
}

QString StaticSetupDialog::seriesErrorText() const { return QStringLiteral("Bitte eine gültige Serienanzahl eingeben."); }
