#pragma once
// The display backlight through sysfs: every device under
// <root>/class/backlight/, where <root> is $DAWNBELL_SYSFS or "/sys".
// bl_power 0 is on, 4 is off; brightness runs from 0 to max_brightness.
//
// The object remembers each device's bl_power and brightness the first time it
// forces a state, and GiveBack writes exactly those values again. Devices that
// cannot be read or written are skipped silently.
#include <string>
#include <vector>

namespace dawnbell {

class SysfsBacklight {
public:
    // Uses DefaultRoot().
    SysfsBacklight();
    // Uses the given sysfs root (the folder that holds class/backlight).
    explicit SysfsBacklight(std::string root);
    ~SysfsBacklight() = default;

    // $DAWNBELL_SYSFS when set and not empty, else "/sys".
    static std::string DefaultRoot();

    // Full on: bl_power 0 and brightness = max_brightness on every device.
    void ForceOn();
    // Off: bl_power 4 on every device (brightness untouched).
    void ForceOff();
    // Restores the values remembered before the first forced state, then forgets
    // them; nothing happens when no state was forced.
    void GiveBack();
    // True while values are remembered (a state is forced).
    bool forced() const { return !saved_.empty(); }
    // Device folders currently present, sorted.
    std::vector<std::string> Devices() const;

private:
    struct Saved {
        std::string dir;      // device folder
        int blPower = -1;     // bl_power before forcing; -1 when unreadable
        int brightness = -1;  // brightness before forcing; -1 when unreadable
    };
    // Remembers the current values of every device unless already remembered.
    void SaveOnce();

    std::string root_;          // sysfs root
    std::vector<Saved> saved_;  // values to give back
};

// Reads a small non-negative decimal integer from a sysfs attribute; -1 on failure.
int ReadSysfsInt(const std::string& path);
// Writes a decimal integer to a sysfs attribute; false on failure.
bool WriteSysfsInt(const std::string& path, int value);

} // namespace dawnbell
