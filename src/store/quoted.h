#pragma once
#include <QDir>
#include <QString>

// A name in German quotes for messages: „PersData“.
inline QString Quoted(const QString &s) { return QStringLiteral("„") + s + QStringLiteral("“"); }
// A path in German quotes, with the system's separators.
inline QString QuotedPath(const QString &path) { return Quoted(QDir::toNativeSeparators(path)); }
