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
QByteArray document(const QList<QStringList> &lines);
// Writes the whole file or nothing; false with a German reason in *error.
bool write(const QString &path, const QByteArray &bytes, QString *error);

QString dateText(const QDate &date);   // "01.02.2003"
QString timeText(const QTime &time);   // "10:15:00"
QString wholeNumber(double value);     // "300"
QString oneDecimal(double value);      // "302,3"

} // namespace Csv
