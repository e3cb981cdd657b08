#pragma once
// Keeps the device awake while an alarm rings and gives every power setting back
// afterwards. The ringing window owns one keeper for its whole life.
//
// Engaged, the keeper zeroes the two suspend time-outs (seconds) under
// HKLM\System\CurrentControlSet\Control\Power\Timeouts and the three key-lock
// settings under HKLM\System\KeyTouch, forces the backlight full on and holds the
// platform's keep-awake inhibitors; released (or destroyed) it writes the saved
// values back and gives the backlight back. Every Engage call, on or off, ends by
// setting the named event "PowerManager/ReloadActivityTimeouts" when it exists.
#include "PowerControl.h"

#include <cstdint>
#include <memory>

namespace dawnbell {

class PowerKeeper {
public:
    // Uses the system's power services. Enters the unattended mode.
    PowerKeeper();
    // Uses the given power services (must not be null). Enters the unattended mode.
    explicit PowerKeeper(std::unique_ptr<PowerControl> control);
    // Releases when engaged, leaves the unattended mode, gives the backlight back.
    virtual ~PowerKeeper();
    PowerKeeper(const PowerKeeper&) = delete;
    PowerKeeper& operator=(const PowerKeeper&) = delete;

    // on: saves the five values (once per engagement), writes 0 to each, forces
    // the backlight on. off: writes the saved values back (nothing when neither
    // saved nor engaged), gives the backlight back and resets the idle timer.
    // Fails only when the time-outs key cannot be opened.
    bool Engage(bool on);
    // Forces the backlight off (dim) or full on; works in any state.
    void SetBacklight(bool dim);

    bool engaged() const { return engaged_; }
    bool saved() const { return saved_; }

    // Registry locations (below HKEY_LOCAL_MACHINE) and the event name.
    static constexpr const char* kTimeoutsKey = "System\\CurrentControlSet\\Control\\Power\\Timeouts";
    static constexpr const char* kKeyLockKey = "System\\KeyTouch";
    static constexpr const char* kReloadEvent = "PowerManager/ReloadActivityTimeouts";

private:
    // Reads the five values into the saved fields; unreadable values keep theirs.
    void Save();
    // Signals the power manager to reload its time-outs.
    static void SignalReload();

    std::unique_ptr<PowerControl> control_; // platform power services
    bool engaged_ = false;                  // keep-awake is active
    bool saved_ = false;                    // the values before engaging were read
    uint32_t savedAcTimeout_ = 180;         // ACSuspendTimeout to restore, seconds
    uint32_t savedBattTimeout_ = 300;       // BattSuspendTimeout to restore, seconds
    uint32_t savedKeyLock_[3] = {0, 0, 0};  // AutoKey, OnCallToday, OnIncoming to restore
};

} // namespace dawnbell
