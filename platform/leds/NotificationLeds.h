#pragma once
// The device's vibrators, driven as notification LEDs: LED i (0 .. Count() - 1)
// is one vibrator; state 1 makes it vibrate, state 0 stops it.
//
// Two kinds of device count, found once on first use:
//  - LED class devices whose name contains "vibrator" (any letter case):
//    <sysfs>/class/leds/<name>/brightness gets max_brightness for on, 0 for off;
//  - input devices with force feedback whose name contains "vibrator":
//    <devinput>/event*, an FF_RUMBLE effect is uploaded (EVIOCSFF) and played
//    with an EV_FF event of value 1, stopped with value 0.
// LED class devices come first, each kind sorted by name / path.
// <sysfs> is $DAWNBELL_SYSFS or /sys; <devinput> is $DAWNBELL_DEVINPUT or /dev/input.
//
// Devices that are missing, unreadable or not permitted to this user are skipped
// silently: no device means no vibration and no error. Plain C++; no Qt.
#include <string>
#include <vector>

namespace dawnbell {

class NotificationLeds {
public:
    NotificationLeds() = default;
    // Stops every vibrator this object started and releases the input devices.
    ~NotificationLeds();
    NotificationLeds(const NotificationLeds&) = delete;
    NotificationLeds& operator=(const NotificationLeds&) = delete;

    // Number of vibrators (finds them on the first call).
    int Count();
    // Sets vibrator `index` to state 1 (on) or 0 (off); any other state counts as
    // on. false for an index out of range or when the device refused the write.
    bool Set(int index, int state);
    // Sets every vibrator; true when all of them took the state (also with none).
    bool SetAll(int state);

    // Display name of vibrator `index` (the LED or input device name); empty when
    // out of range.
    std::string Name(int index);

private:
    struct Device {
        std::string name;       // LED directory name or input device name
        std::string path;       // brightness file, or the event device node
        int maxBrightness = 1;  // LED: the value written for on
        int fd = -1;            // input device: open descriptor while uploaded
        int effect = -1;        // input device: uploaded effect id, -1 when none
        bool on = false;        // last state this object set successfully
    };

    // Looks for the vibrators once: LED class devices first, then input devices.
    void Scan();
    // Adds the LED class devices below `sysfs` whose name holds "vibrator" (any case).
    void ScanLeds(const std::string& sysfs);
    // Adds the event character devices below `devinput` named "vibrator" (any case) that can rumble.
    void ScanInput(const std::string& devinput);
    // Switches one device; false when the system refuses (the state is kept then).
    bool SetLed(Device& d, bool on);
    bool SetInput(Device& d, bool on);

    bool scanned_ = false;         // the devices have been looked for
    std::vector<Device> devices_;  // the vibrators in index order
};

} // namespace dawnbell
