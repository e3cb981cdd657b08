#pragma once
// The ringing's vibration: the device's vibrators (FindVibrators, found on first
// use, whichever back-end drives them) driven
// steadily or, with the alarm's `vibrateInterval`, one second on and one second
// off on the ringing window's TimerVibrate. Destruction switches them off, so no
// way out of the ringing leaves the device vibrating; while they are in use the
// RestoreMarker holds the part "vibrators", so the next start switches them off
// after a crash (RestoreLeftOver).
#include <memory>
#include <vector>

namespace dawnbell {

class Alarm;
class Vibrator;
class WindowTimers;

class RingingVibration {
public:
    // The window timer this object runs.
    enum TimerId : int { TimerVibrate = 10 };
    static constexpr int kPhaseMs = 1000; // length of an on or off phase

    // Vibrates for `alarm` (not owned; its `vibrate` and `vibrateInterval`)
    // using `timers` (the window's).
    RingingVibration(Alarm* alarm, WindowTimers* timers);
    // Switches the vibrators off.
    ~RingingVibration();
    RingingVibration(const RingingVibration&) = delete;
    RingingVibration& operator=(const RingingVibration&) = delete;

    // Vibration as at the start of ringing, when `vibrate` is set.
    void Start();
    // Stops vibrating (TimerVibrate killed, vibrators off).
    void Stop();
    // TimerVibrate: flips the phase and applies it.
    void Tick();
    // The check box changed `vibrate` to `on`; `snoozing` while a snooze counts
    // down (which keeps the vibrators still).
    void Checked(bool on, bool snoozing);
    // The vibrators' state last set.
    bool on() const { return on_; }

    // Switches every vibrator off, for a ringing that crashed while they were
    // in use (RestoreMarker part kMarkerPart).
    static void RestoreLeftOver();
    static constexpr const char* kMarkerPart = "vibrators";

private:
    void Set(bool on);
    // Holds / releases the marker part while the vibrators are in use.
    void Mark(bool inUse);

    Alarm* alarm_;                           // not owned
    WindowTimers* timers_;                   // the window's timers
    std::vector<std::unique_ptr<Vibrator>> vibrators_; // found on first use
    bool found_ = false;                     // the vibrators have been looked for
    bool told_ = false;                      // the log names the vibrators used
    bool on_ = false;                        // state last set
    bool phase_ = false;                     // on/off phase of interval vibration
    bool marked_ = false;                    // the marker part is held
};

} // namespace dawnbell
