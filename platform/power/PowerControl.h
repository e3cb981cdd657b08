#pragma once
// The platform's power services as the program uses them: the unattended mode,
// the backlight device, keep-awake inhibitors and the idle timer.
// CreateSystemPowerControl() gives the real Linux services; every effect whose
// device or bus is missing is skipped silently.
#include <memory>

namespace dawnbell {

// Backlight power states.
enum class BacklightState {
    FullOn,   // D0: forced on at full brightness
    Off,      // D3: forced off
    System,   // -1: the system decides again; forced values are given back
};

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Tells the power manager that the program runs unattended (on) or no longer.
    virtual void SetUnattended(bool on) = 0;
    // Forces the backlight into a state, or gives it back (System).
    virtual void SetBacklight(BacklightState state) = 0;
    // Prevents idle suspend and the screensaver while on.
    virtual void SetKeepAwake(bool on) = 0;
    // Restarts the system's idle timer as if the user had touched the device.
    virtual void ResetIdleTimer() = 0;
};

// The Linux services: SysfsBacklight at its default root, SessionInhibitor for
// keep-awake and the idle timer. Unattended mode has no Linux counterpart beyond
// the keep-awake inhibitors and does nothing.
std::unique_ptr<PowerControl> CreateSystemPowerControl();

} // namespace dawnbell
