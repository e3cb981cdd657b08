#pragma once
// The device volume forced to an alarm's volume for as long as the object lives.
//
// Construction saves the device volume (the sound server's output, the ALSA
// mixer or the virtual device: its volume, its mute and the back-end's exact
// state), the shell's sound setting for all events and the shell's two stored
// volumes ("SavedVolume", "SavedRingerVolume" under
// HKCU\ControlPanel\Notifications\ShellOverrides, when the key opens), then
// sets the device volume to the alarm's percentage and unmutes it, so the alarm
// is heard on a muted output. Destruction writes every saved value back, so
// whichever way the ringing ends the device is given back as it was found.
// Meanwhile the saved values are held in the RestoreMarker (part "volume"), so
// a crash is mended at the next start (RestoreLeftOver).
#include "ForcedDeviceVolume.h"
#include "RestoreMarker.h"

#include <cstdint>
#include <string>

namespace dawnbell {

class DeviceVolumeOverride {
public:
    // Saves the device's volumes and forces the device volume to `percent`
    // (0-100; others are clamped) of full volume, unmuted.
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
        ForcedDeviceVolume device;  // the device volume and mute before forcing; none when unread
        uint32_t soundType = 0;     // shell sound setting for all events (SoundType)
        std::u16string soundFile;   // its file
        int64_t shellVolume = -1;   // "SavedVolume", -1 when not read
        int64_t ringerVolume = -1;  // "SavedRingerVolume", -1 when not read
    };
    // Writes `saved` back; false when the device volume could not be.
    static bool GiveBack(Saved& saved);

    Saved saved_; // the device as found
};

} // namespace dawnbell
