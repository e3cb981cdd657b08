#pragma once
// The program's built-in WAVE sounds, compiled into the program as Qt resources
// (":/sounds/<id>.wav") and played through QSoundEffect.
#include <QString>

namespace dawnbell {

enum WaveResourceId {
    kWaveAlarmFallback = 197, // about 2 s of bell, played when a playlist file fails
    kWaveEndSound = 198,      // short chime when an alarm ends
};

// Resource path of a built-in WAVE (":/sounds/197.wav"); empty for an unknown id.
QString WaveResourcePath(int id);

// Starts playing the built-in WAVE `id` once and returns at once; playing it again
// while it sounds restarts it. Without an audio device nothing is heard and
// nothing is reported. false only for an unknown id or when no QCoreApplication
// exists. Call on the GUI thread.
bool PlayWaveResource(int id);

// How often PlayWaveResource(id) was asked to play the known sound `id` in this
// process, heard or not (for tests that check that a window played its sound).
int WaveResourcePlayCount(int id);

} // namespace dawnbell
