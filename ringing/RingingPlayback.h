#pragma once
// The ringing's sound: plays the alarm's playlist one item after the other,
// at the target volume or faded in along the alarm's curve, falls back to
// the built-in alarm sound for a missing or failing file, and counts the items
// started so the ringing can end after `closeAfterTimes` passes. It keeps the
// player's own volume as found before the first change and gives it back when
// released or destroyed.
//
// A fade runs once per stretch of ringing: from the start, and again from the
// resume after each snooze. An item that starts while it runs carries it on, and
// one that starts after it ends plays where its last point left the volume, so a
// sound shorter than the fade still reaches the full volume instead of starting
// from silence over and over.
//
// It runs two of the ringing window's timers: TimerFade (one fade step) and
// TimerFallback (the fallback sound is over); the window hands their expiry to
// FadeTick and EndFallback.
#include "MediaPlayer.h"

#include <QObject>
#include <QString>

#include <memory>

namespace dawnbell {

class Alarm;
class WindowTimers;

class RingingPlayback : public QObject {
    Q_OBJECT
public:
    // The window timers this object starts and kills.
    enum TimerId : int { TimerFade = 2, TimerFallback = 3 };
    // How long the fallback sound stands for an item, ms.
    static constexpr int kFallbackMs = 2000;
    // Playlist paths this long or longer count as missing.
    static constexpr int kMaxPathChars = 260;
    // The lowest target the volume slider can set.
    static constexpr int kMinSliderTarget = 10;

    // Plays `alarm`'s playlist (not owned) using `timers` (the window's).
    RingingPlayback(Alarm* alarm, WindowTimers* timers);
    // Release().
    ~RingingPlayback() override;

    // Makes the player; false when none can be made (the ringing is silent).
    bool Create();
    // Stops the player, gives its volume back and deletes it.
    void Release();

    // What PlayNext did.
    enum Next {
        Silent,      // no player or an empty playlist: nothing plays
        Started,     // the next item plays (or the fallback sound stands in for it)
        PassesDone,  // the playlist has played closeAfterTimes times: the ringing should end
    };
    // Takes the next playlist entry and plays it.
    Next PlayNext();
    // The current item failed: the fallback sound stands in for it.
    void MediaFailed();
    // TimerFade: the next point of the fade curve (the timer stops after the last).
    void FadeTick();
    // TimerFallback: the fallback sound is over (the caller plays the next item).
    void EndFallback();
    // The user moved the volume slider to `value`: the fade stops for good, the
    // player takes the value, and the target becomes it (at least 10).
    void SliderMoved(int value);
    // Snooze: fade and fallback stop, the player goes to volume 0 and stops; the
    // resume fades in again.
    void Silence();
    // Pause while playing / resume while paused.
    void Pause();
    void Resume();

    MediaPlayer* player() const { return player_.get(); }
    // MediaPlayer::State as the ringing set it: 0 stopped, 1 playing, 2 paused.
    int state() const { return state_; }
    int volumeTarget() const { return volumeTarget_; }
    int fadeStep() const { return fadeStep_; }
    int itemsStarted() const { return itemsStarted_; }

signals:
    // The player's volume was set to `percent` by the ringing (not by the slider).
    void volumeShown(int percent);
    // The current item played to its end.
    void itemEnded();

private:
    void FallbackSound();
    void StartItemVolume(int fadePeriodMs);
    void SetVolume(int percent, bool show);
    void Stop();

    Alarm* alarm_;                        // not owned
    WindowTimers* timers_;                // the window's timers
    std::unique_ptr<MediaPlayer> player_; // null when silent
    int state_ = MediaPlayer::Stopped;    // play state as the ringing set it
    int savedVolume_ = -1;                // the player's volume before our first change, -1 = untouched
    int volumeTarget_ = 100;              // player volume 0-100 that ringing and fading aim at
    int fadeStep_ = 0;                    // index 0-50 into the fade curve
    bool fadeOwed_ = true;                // the next item starts a fade (start, resume after a snooze)
    bool fadeStopped_ = false;            // the slider stopped this stretch's fade: items play at the target
    int itemsStarted_ = 0;                // playlist items started (closeAfterTimes)
};

} // namespace dawnbell
