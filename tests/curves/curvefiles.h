#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Writes small curve and shooting-system files for the tests.
// False when the file could not be written whole.
inline bool WriteFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One section of a .kdf file with the given point texts.
inline QByteArray KdfSection(int section, const QStringList &points, int rec = 1)
{
    QByteArray out = "[" + QByteArray::number(section) + "]\r\nRec=" + QByteArray::number(rec) + "\r\nPoints="
                     + QByteArray::number(points.size()) + "\r\n";
    for (int k = 0; k < points.size(); ++k)
        out += QByteArray::number(k) + "=" + points.at(k).toUtf8() + "\r\n";
    return out;
}

// n points at (x, y) with hold t each.
inline QStringList SamePoints(int n, int x, int y, int t)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("%1:%2|%3").arg(x).arg(y).arg(t);
    return out;
}

inline QByteArray DefFile(const QStringList &mirrors)
{
    QByteArray out = "[Spiegel]\r\n";
    for (int n = 0; n < mirrors.size(); ++n)
        out += QByteArray::number(n + 1) + "=" + mirrors.at(n).toUtf8() + "\r\n";
    return out;
}
