#pragma once
#include <QByteArray>
#include <QString>

// The two tones of the audible hit display, made by the program itself as
// WAV files (PCM, 16 bit, mono): a short high tone for a valid reaction, a
// longer lower one for an invalid reaction or a false presentation answered.
namespace HitTones {

struct Tone
{
    const char *fileName;
    double hz;
    int ms;
};

inline constexpr Tone Treffer{"Treffer.wav", 1320.0, 90};
inline constexpr Tone Fehler{"Fehler.wav", 330.0, 180};
inline constexpr int SampleRate = 22050;
inline constexpr int FadeMs = 6;

// A sine tone with soft edges as a complete WAV file.
QByteArray wav(double hz, int ms, int sampleRate = SampleRate);
inline QByteArray wav(const Tone &tone) { return wav(tone.hz, tone.ms); }

// Writes both files into dir unless they are there with the right contents.
// Returns false when a file could not be written.
bool writeFiles(const QString &dir);

// The folder the tones are kept in: the program folder when it can be
// written to, else the user's cache folder. Writes them there if needed;
// empty when no folder could take them.
QString toneDir();

} // namespace HitTones
