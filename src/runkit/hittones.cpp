#include "runkit/hittones.h"

#include "platform/programpaths.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>

namespace HitTones {

namespace {
void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

bool writeIfDifferent(const QString &path, const QByteArray &data)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == data)
        return true;
    existing.close();
    return SafeFile::write(path, data, nullptr);
}
} // namespace

QByteArray wav(double hz, int ms, int sampleRate)
{
    const int frames = int(qint64(sampleRate) * ms / 1000);
    const int fade = qMax(1, sampleRate * FadeMs / 1000);
    const quint32 dataBytes = quint32(frames) * 2;
    QByteArray b;
    b.reserve(int(44 + dataBytes));
    b.append("RIFF", 4);
    put32(b, 36 + dataBytes);
    b.append("WAVE", 4);
    b.append("fmt ", 4);
    put32(b, 16);
    put16(b, 1);                        // PCM
    put16(b, 1);                        // mono
    put32(b, quint32(sampleRate));
    put32(b, quint32(sampleRate) * 2);  // bytes per second
    put16(b, 2);                        // bytes per frame
    put16(b, 16);                       // bits per sample
    b.append("data", 4);
    put32(b, dataBytes);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < frames; ++i) {
        double gain = 0.5;
        const int edge = qMin(i, frames - 1 - i);
        if (edge < fade)
            gain *= 0.5 - 0.5 * std::cos(pi * edge / fade);
        const double v = gain * std::sin(2.0 * pi * hz * i / sampleRate);
        put16(b, quint16(qint16(std::lround(v * 32767.0))));
    }
    return b;
}

bool writeFiles(const QString &dir)
{
    if (!QDir().mkpath(dir))
        return false;
    bool ok = true;
    for (const Tone &tone : {Treffer, Fehler})
        ok = writeIfDifferent(QDir(dir).filePath(QLatin1String(tone.fileName)), wav(tone)) && ok;
    return ok;
}

QString toneDir()
{
    const QString program = ProgramPaths::programDir();
    if (writeFiles(program))
        return program;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && writeFiles(cache))
        return cache;
    return QString();
}

} // namespace HitTones
