#pragma once
// The device volume forced to an alarm's volume for as long as the object lives.
//
// Construction saves the wave-out volume of device 0, the shell's sound setting
// for all events and the shell's two stored volumes ("SavedVolume",
// "SavedRingerVolume" under HKCU\ControlPanel\Notifications\ShellOverrides, when
// the key opens), then sets the wave-out volume to the alarm's percentage.
// Destruction writes every saved value back, so whichever way the ringing ends
// the device is given back as it was found. Meanwhile the saved values are held
// in the RestoreMarker (part "volume"), so a crash is mended at the next start
// (RestoreLeftOver).
#include "RestoreMarker.h"

#include <cstdint>
#include <string>

namespace dawnbell {

class DeviceVolumeOverride {
public:
    // Saves the device's volumes and forces the wave-out volume to `percent`
    // (0-100; others are clamped) of full volume.
    explicit DeviceVolumeOverride(int percent);
    // Restores what the constructor saved.
    ~DeviceVolumeOverride();
    DeviceVolumeOverride(const DeviceVolumeOverride&) = delete;
    DeviceVolumeOverride& operator=(const DeviceVolumeOverride&) = delete;

    // Gives the device back from the marker entries a crashed ringing left
    // (part "volume"); false when they hold nothing to restore.
    static bool RestoreLeftOver(const RestoreMarker::Entries& entries);
    // The marker part.
    static constexpr const char* kMarkerPart = "volume";

private:
    struct Saved {
        int64_t wave = -1;          // wave-out volume before forcing, 0-65535; -1 when not read
        uint32_t soundType = 0;     // shell sound setting for all events (SoundType)
        std::u16string soundFile;   // its file
        int64_t shellVolume = -1;   // "SavedVolume", -1 when not read
        int64_t ringerVolume = -1;  // "SavedRingerVolume", -1 when not read
    };
    static void GiveBack(const Saved& saved);

    Saved saved_; // the device as found
};

} // namespace dawnbell
