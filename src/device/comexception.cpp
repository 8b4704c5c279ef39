#include "device/comexception.h"

TComException::TComException(const QString &message, const QString &detail, const QString &systemText)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_detail(detail)
    , m_systemText(systemText)
{
}

QString TComException::portBusyText() { return QStringLiteral("COM Port bereits belegt !"); }

QString TComException::initFailedText()
{
    return QStringLiteral("Fehler beim Initialisieren des COM-Ports !");
}

QString TComException::timeoutsFailedText() { return QStringLiteral("COM-Port TimeOut !"); }
