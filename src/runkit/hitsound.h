#pragma once

// The audible hit display of tests 1 and 2: asked for a tone after a
// reaction was scored. Playing never blocks the caller; without an audio
// output nothing is heard and nothing is said. Tests install their own.
class HitSound
{
public:
    enum Tone { Hit, Miss };

    virtual ~HitSound() = default;
    // Gets the tones ready before the first reaction of a run.
    virtual void prepare() {}
    virtual void play(Tone tone) = 0;

    // The program's sound: QSoundEffect unless another was installed.
    static HitSound &instance();
    // Installs a sound (not owned); nullptr restores the program's own.
    static void install(HitSound *sound);
};
