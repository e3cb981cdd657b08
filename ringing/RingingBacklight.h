#pragma once
// The screen during ringing: the keep-awake (suspend time-outs and key lock
// off, backlight forced on) held for the ringing window's life, and the
// backlight's dimming on the window's TimerBacklight. Destruction releases the
// keep-awake, which gives every power setting and the backlight back.
#include "KeepAwake.h"
#include "RingingServices.h"

#include <memory>

namespace dawnbell {

class WindowTimers;

class RingingBacklight {
public:
    // The window timer this object runs.
    enum TimerId : int { TimerBacklight = 8 };
    static constexpr int kLitMs = 5000; // a use lights the screen this long

    explicit RingingBacklight(WindowTimers* timers) : timers_(timers) {}

    // Makes the keep-awake with `factory` (none when empty) and engages it.
    void KeepAwake(const KeepAwakeFactory& factory);
    // Backlight full on (D0), the dimming timer untouched.
    void On();
    // Backlight full on, dark again after kLitMs.
    void LightForAWhile();
    // Backlight full on and no dimming pending.
    void OnUntilFurtherNotice();
    // Dark again after kLitMs (the backlight untouched now).
    void DimLater();
    // TimerBacklight: the screen goes dark (D3).
    void Dim();
    // A dimming is pending (TimerBacklight runs).
    bool dimmingPending() const;

private:
    WindowTimers* timers_;                         // the window's timers
    std::unique_ptr<dawnbell::KeepAwake> keepAwake_; // alive as long as this object
};

} // namespace dawnbell
