#pragma once
// What the ringing window needs from the program's power keeper: keep the device
// awake (suspend time-outs and key lock off, backlight on) for the window's life,
// and switch the backlight. The application adapts its PowerKeeper to this; the
// object is owned by the window and destroyed with it, which gives every power
// setting back.
namespace dawnbell {

class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    // on: saves and zeroes the suspend and key-lock settings and forces the
    // backlight on; off: restores them. false when the settings cannot be reached.
    virtual bool Engage(bool on) = 0;
    // dim: backlight off (D3); otherwise full on (D0).
    virtual void SetBacklight(bool dim) = 0;
};

} // namespace dawnbell
