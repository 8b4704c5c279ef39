#pragma once
#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the files the Windows tools around the
// program write. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) decode to the control characters of the same number, as
// Windows does, and encode back to those bytes.
namespace Cp1252 {

// Characters without a byte in the code page become '?' (one per character,
// also for characters outside the Basic Multilingual Plane).
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

} // namespace Cp1252
