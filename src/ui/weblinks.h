#pragma once
#include <QString>

// The maker's addresses, used by the main menu, the logo and the settings dialog.
namespace WebLinks {
inline const QString Homepage = QStringLiteral("https://www.vantrel.example/");
inline const QString Faq = QStringLiteral("https://www.vantrel.example/support/faq.html");
inline const QString Updates = QStringLiteral("https://www.vantrel.example/download/");
inline const QString SupportMail = QStringLiteral("support@vantrel.example");
inline const QString MakerName = QStringLiteral("NRV Vantrel");

// Hands an address to the desktop ("open"); false when no program takes it.
bool Open(const QString &url);
inline bool OpenMail(const QString &address) { return Open(QStringLiteral("mailto:") + address); }
} // namespace WebLinks
