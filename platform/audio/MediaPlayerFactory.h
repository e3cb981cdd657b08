#pragma once
// Creates the program's media player. Windows that play sound take a player from
// here, so a test can substitute a fake (or a failure) for the real one.
#include "MediaPlayer.h"

#include <functional>
#include <memory>

namespace dawnbell {

using MediaPlayerFactory = std::function<std::unique_ptr<MediaPlayer>()>;

// A new player, or null when none can be created (no multimedia backend). The
// real player uses the GStreamer backend unless QT_MEDIA_BACKEND names another.
// Call on the GUI thread with a QCoreApplication alive.
std::unique_ptr<MediaPlayer> CreateMediaPlayer();

// Replaces what CreateMediaPlayer() returns; an empty function restores the real
// player. A factory that returns null simulates a player that cannot be created.
void SetMediaPlayerFactoryForTesting(MediaPlayerFactory factory);

// Selects the GStreamer multimedia backend for this process unless
// QT_MEDIA_BACKEND is already set. Must run before the first multimedia object is
// made (the FFmpeg backend crashes without an audio device); called by the
// player factory and the WAVE player themselves.
void SelectMediaBackend();

} // namespace dawnbell
