#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

// CSV as spreadsheet programs in German settings read it: UTF-8 with BOM,
// ";" between fields, CR LF after every line, fields with ";", quotes or
// line breaks in double quotes (inner quotes doubled), German cell texts.
namespace Csv {

QString field(const QString &text);
// The lines as one file; withBom false leaves the byte order mark out
// (for a pipe, where it would be the first characters of the data).
QByteArray document(const QList<QStringList> &lines, bool withBom = true);
// Writes the whole file or nothing; false with a German reason in *error.
bool write(const QString &path, const QByteArray &bytes, QString *error);

// A cell of a text column (name, club, status, error text): without blanks
// around it; one that begins with "=", "+", "-" or "@" (and is more than the
// sign alone) gets a leading apostrophe, so a spreadsheet shows it as text
// and never runs it as a formula.
QString text(const QString &value);

QString dateText(const QDate &date);   // "01.02.2003"
QString timeText(const QTime &time);   // "10:15:00"
QString timeWithMs(const QTime &time); // "10:15:00,123", as stored
QString wholeNumber(double value);     // "300"
QString oneDecimal(double value);      // "302,3"

} // namespace Csv
