#pragma once
// The ringing of one alarm, everything but what is seen: it plays the playlist
// with its fade-in (the built-in sound standing in for a missing or failing
// file), forces the device volume, vibrates, keeps the device awake, counts a
// snooze down with its wake-up notification, pauses on request, ends itself
// after `closeAfterMinutes` or `closeAfterTimes` passes or for an incoming call,
// pauses the session's other media players while it rings (not resumed by a
// snooze), and gives back everything it changed when it ends.
//
// The ringing window (CAlarmDialog) shows it and hands it the taps, keys and
// controls; a ringing without a display runs it alone. Either way the owner
// hears of every end through endRequested(), calls End() and closes.
//
// The alarm is never written: the playlist may be shuffled in memory (`random`)
// and `vibrate` follows the check box until the end, when it is put back.
#include "RingingBacklight.h"
#include "RingingMediaPause.h"
#include "RingingPlayback.h"
#include "RingingServices.h"
#include "RingingVibration.h"
#include "SnoozeWake.h"
#include "WindowTimers.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace dawnbell {

class Alarm;
class DeviceVolumeOverride;

class AlarmRinging : public QObject {
    Q_OBJECT
public:
    // Timers; the value is the timer's id (shared with the ringing window).
    enum TimerId : int {
        TimerCountdown = 1,                             // 1 s: snooze countdown tick
        TimerFade = RingingPlayback::TimerFade,         // fade period: one fade step
        TimerFallback = RingingPlayback::TimerFallback, // 2 s: the fallback sound is over, play next
        TimerClock = 7,                                 // 1 s: the window redraws its clock (clockTick)
        TimerBacklight = RingingBacklight::TimerBacklight, // 5 s after a use: backlight off
        TimerCloseAfter = 9,                            // closeAfterMinutes (or the unattended limit): end
        TimerVibrate = RingingVibration::TimerVibrate,  // 1 s: flip the interval vibration
        TimerPause = 11,                                // 5 s: resume after a pause request
        TimerSnoozeWake = 12,                           // withdraw the snooze wake-up before it fires
        TimerCount = 13                                 // size of the timer table
    };

    // Periods, ms.
    static constexpr int kSecondMs = 1000;
    static constexpr int kPauseMs = 5000;
    // An unattended ringing (RingingServices::unattended) that the alarm sets no
    // end for ends after this many minutes.
    static constexpr int kLongestUnattendedMinutes = 10;

    // Rings `alarm` (not owned; must outlive this object) with `services`.
    // `window` is the parent of the quiz and the closing confirmation (null when
    // there is no window). Nothing happens before Start().
    AlarmRinging(Alarm* alarm, const RingingServices& services, QWidget* window = nullptr);
    // End() if it has not run; the keep-awake is released last.
    ~AlarmRinging() override;
    AlarmRinging(const AlarmRinging&) = delete;
    AlarmRinging& operator=(const AlarmRinging&) = delete;

    // Starts ringing, in this order: the keep-awake, the other media players
    // paused, the player (playerFailed()
    // when none can be made), the first playlist item with its vibration, the
    // forced device volume, the watch for incoming calls, the automatic end.
    void Start();

    // Ends the ringing: the cleanup (vibrators off, timers stopped, player
    // released, snooze wake-up withdrawn, end sound, device volume given back,
    // the media players it paused resumed, `vibrate` put back) runs once; `why` is logged the first time (nothing
    // when empty). Later calls do nothing.
    void End(const QString& why = QString());

    // Handles the expiry of timer `id` (TimerId); nothing once ended.
    void HandleTimer(int id);

    // What the user does, as the window delivers it.
    void Tap();                      // a tap: snoozes, or only lights the screen during a snooze
    void Snooze();                   // the snooze routine (a snooze key, a tap while ringing)
    void EndAlarm();                 // End alarm: snooze, the confirmation, then endRequested
    void Skip();                     // ">>": the next item at once, a snooze cancelled
    void SetVibrateChecked(bool on); // the vibration check box changed
    void SliderMoved(int value);     // the volume slider was moved by the user
    void Pause();                    // playback and vibration pause for 5 seconds

    // A call came in (`why` says how it was seen): endRequested, unless the
    // ringing has ended or disableAutoStop is set.
    void StopForCall(const QString& why);

    // Requests from outside the program's windows (the command channel): end
    // the ringing as a confirmed End alarm would (endRequested with `why`), or
    // snooze it as a tap would. Snoozing answers false, changing nothing, when
    // the alarm has no snooze or the ringing has ended.
    void StopFromOutside(const QString& why);
    bool SnoozeFromOutside();
    // True when a snooze is possible now (the alarm has snooze; not ended).
    bool CanSnooze() const;

    // The ringing that started last and has not ended; null when none rings.
    static AlarmRinging* Innermost();

    // --- state -------------------------------------------------------------
    Alarm* alarm() const { return alarm_; }
    WindowTimers& timers() { return timers_; }
    bool timerActive(int id) const { return timers_.Active(id); }
    int timerInterval(int id) const { return timers_.Interval(id); } // ms of the last start; -1 never
    int playState() const { return playback_.state(); }
    int countdown() const { return countdown_; }
    int snoozeNumber() const { return snoozeNumber_; }
    int itemsStarted() const { return playback_.itemsStarted(); }
    int playerVolumeTarget() const { return playback_.volumeTarget(); }
    int fadeStep() const { return playback_.fadeStep(); }
    bool ended() const { return ended_; }
    uint32_t snoozeNotification() const { return snoozeWake_.handle(); }
    MediaPlayer* player() const { return playback_.player(); }
    uint32_t backColor() const { return backColor_; }
    uint32_t textColor() const { return textColor_; }
    // Unattended only: the snooze handed the alarm on to a wake-up that starts
    // the program with its key again (at ringsAgainAt, local seconds since the
    // epoch); the after-ringing path is for that later ringing.
    bool snoozedAway() const { return snoozedAway_; }
    int64_t ringsAgainAt() const { return ringsAgainAt_; }

signals:
    // The ringing ends by itself or on a request (`why` says which); the owner
    // calls End(why) and closes. Emitted while the request is being handled.
    void endRequested(const QString& why);
    // No media player could be made; the ringing goes on without sound.
    void playerFailed();
    // The countdown changed (countdown(); 0 = no snooze runs).
    void countdownChanged();
    // The player's volume was set to `percent` by the ringing (not by the slider).
    void volumeShown(int percent);
    // Vibration is `on` for the check box (at each item, and on a check box change).
    void vibrateShown(bool on);
    // TimerClock expired.
    void clockTick();

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    void PreparePlayback();
    void StartCloseAfterTimer();
    void PlayNext();
    void SnoozeRoutine();
    void SilenceForSnooze();
    void SnoozeAway();
    void CountdownTick();
    // Restarts the window's clock timer in step with a one-second timer that was
    // just started, and redraws the clock; nothing when no clock runs.
    void ClockInStep();
    void RunQuiz();
    void SetSnoozeWake();
    void WithdrawSnoozeWake();
    void ResumeAfterPause();
    void Cleanup();

    Alarm* alarm_;             // the alarm being rung; not owned
    RingingServices services_; // outside pieces
    QWidget* window_;          // parent of the quiz and the confirmation; may be null
    // The parts with a life of their own; each gives back what it changed when
    // it is destroyed, and the cleanup ends them in the order the ringing needs.
    WindowTimers timers_;                // indexed by TimerId
    RingingBacklight backlight_;         // keep-awake and dimming; restores when destroyed
    RingingPlayback playback_;           // playlist, player volume and fade
    RingingVibration vibration_;         // the device's vibrators; off when destroyed
    std::unique_ptr<DeviceVolumeOverride> volumeOverride_; // forceVolume: restores when reset
    SnoozeWake snoozeWake_;              // the current snooze's wake-up notification
    RingingMediaPause mediaPause_;       // other players paused while it rings; resumed at the end

    uint32_t backColor_ = 0;     // effective background colour 0x00BBGGRR
    uint32_t textColor_ = 0;     // effective text colour
    int startingVibrate_ = 0;    // `vibrate` at start; written back at the end
    int countdown_ = 0;          // seconds left in the snooze; 0 = not snoozing
    int snoozeNumber_ = 1;       // 1 before the first snooze
    bool ended_ = false;         // the cleanup has run
    bool unattendedLimit_ = false; // TimerCloseAfter runs for kLongestUnattendedMinutes
    bool snoozedAway_ = false;   // unattended snooze: handed on to a wake-up with the key
    int64_t ringsAgainAt_ = 0;   // when that wake-up fires
};

} // namespace dawnbell
