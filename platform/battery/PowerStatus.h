#pragma once
// The device's power status: whether it runs on external power, and how full its
// battery is. Read from <sysfs>/class/power_supply/*, where <sysfs> is
// $DAWNBELL_SYSFS or /sys:
//  - a supply of type "Mains", "USB" (and its USB_* variants) or "Wireless"
//    with online = 1 means external power;
//  - the first supply of type "Battery" (by name) that powers the device gives
//    the percentage: its capacity, else charge_now / charge_full, else
//    energy_now / energy_full. Batteries of peripherals (scope "Device", such as
//    a wireless mouse) and batteries reported absent (present = 0) are ignored.
// A device without a usable battery counts as running on mains. Plain C++; no Qt.
#include <string>
#include <string_view>

namespace dawnbell {

struct PowerStatus {
    bool onMains = true;     // external power is connected, or there is no battery
    int batteryPercent = -1; // charge of the battery, 0-100; -1 when there is none
};

// Reads the current status. Never fails: unreadable supplies are skipped.
PowerStatus ReadPowerStatus();

// Parses a sysfs number attribute ("42\n"): decimal digits with an optional sign
// and trailing white space. false for anything else, or a value beyond +-10^15.
bool ParseSysfsNumber(std::string_view text, long long* out);

// A sysfs text attribute without trailing white space ("Battery\n" -> "Battery").
std::string_view TrimSysfsText(std::string_view text);

} // namespace dawnbell
