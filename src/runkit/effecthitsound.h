#pragma once
#include "runkit/hitsound.h"

class QSoundEffect;

// The two generated WAV tones through Qt Multimedia's QSoundEffect, made
// once on first use. With no audio output the effects are never made.
class EffectHitSound : public HitSound
{
public:
    EffectHitSound() = default;
    ~EffectHitSound() override;

    void prepare() override;
    void play(Tone tone) override;

    bool available() const { return m_hit != nullptr; }

private:
    bool m_prepared = false;
    QSoundEffect *m_hit = nullptr;
    QSoundEffect *m_miss = nullptr;
};
