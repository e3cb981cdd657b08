#pragma once
// A vibrator driven as an LED class device (<sysfs>/class/leds/<name>): its
// `brightness` gets `max_brightness` for on and 0 for off. Plain C++; no Qt.
#include "Vibrator.h"

namespace dawnbell {

class SysfsLedVibrator : public Vibrator {
public:
    // The LED class devices below `sysfs` (a /sys tree) whose name holds
    // "vibrator" in any case and whose brightness this user may write, sorted by
    // name. A missing or nonsensical maximum makes 1 the value for on.
    static std::vector<std::unique_ptr<Vibrator>> FindAll(const std::string& sysfs);

    // Switches the LED off when this object left it on.
    ~SysfsLedVibrator() override;

    std::string Kind() const override { return "led"; }
    std::string Name() const override { return name_; }
    bool Set(bool on) override;

private:
    SysfsLedVibrator(std::string name, std::string brightnessPath, int maxBrightness);

    std::string name_;           // the LED's folder name
    std::string brightnessPath_; // its brightness attribute
    int maxBrightness_ = 1;      // the value written for on
    bool on_ = false;            // last state set successfully
};

} // namespace dawnbell
