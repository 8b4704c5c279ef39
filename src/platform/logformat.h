#pragma once
#include <QLocale>
#include <QString>

// Date and time as a Windows system of the locale writes them: the locale's
// short date with a four-digit year and its long time without a time zone
// (German: "01.02.2003", "10:15:00").
QString LogDateFormat(const QLocale &locale);
QString LogTimeFormat(const QLocale &locale);
