#include "runkit/effecthitsound.h"

#include "runkit/hittones.h"

#include <QDir>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {
HitSound *g_installed = nullptr;

// The audio back end reports a missing sound server on the console; the
// program goes on silently instead.
struct QuietAudio
{
    QtMessageHandler previous;
    QuietAudio() : previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {})) {}
    ~QuietAudio() { qInstallMessageHandler(previous); }
};
} // namespace

HitSound &HitSound::instance()
{
    if (g_installed)
        return *g_installed;
    // Lives until the process ends, like the program's other services.
    static EffectHitSound *sound = new EffectHitSound;
    return *sound;
}

void HitSound::install(HitSound *sound) { g_installed = sound; }

EffectHitSound::~EffectHitSound()
{
    delete m_hit;
    delete m_miss;
}

void EffectHitSound::prepare()
{
    if (m_prepared)
        return;
    m_prepared = true;
    QuietAudio quiet;
    if (QMediaDevices::audioOutputs().isEmpty())
        return;  // no audio output: silent
    const QString dir = HitTones::toneDir();
    if (dir.isEmpty())
        return;
    auto make = [&](const HitTones::Tone &tone) {
        auto *effect = new QSoundEffect;
        effect->setSource(QUrl::fromLocalFile(QDir(dir).filePath(QLatin1String(tone.fileName))));
        effect->setVolume(0.8f);
        return effect;
    };
    m_hit = make(HitTones::Treffer);
    m_miss = make(HitTones::Fehler);
}

void EffectHitSound::play(Tone tone)
{
    prepare();
    QuietAudio quiet;
    QSoundEffect *effect = tone == Hit ? m_hit : m_miss;
    if (!effect || effect->status() == QSoundEffect::Error)
        return;
    effect->play();  // asynchronous
}
