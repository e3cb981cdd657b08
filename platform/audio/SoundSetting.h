#pragma once
// The shell's sound setting for all events (what the device does for a system
// event: play its sound, a chosen file, vibrate, or nothing), and the names of
// the shell's stored volumes. Kept in the registry below HKEY_CURRENT_USER:
//   ControlPanel\Sounds  "AllEvents"      REG_DWORD  the SoundType
//                        "AllEventsFile"  REG_SZ     the file for SoundType::File
// A missing or unreadable setting reads as SoundType::On with no file.
// Plain C++; no Qt.
#include <cstdint>
#include <string>

namespace dawnbell {

constexpr const char* kSoundsKey = "ControlPanel\\Sounds";
constexpr const char* kAllEventsValue = "AllEvents";
constexpr const char* kAllEventsFileValue = "AllEventsFile";

// The shell's own copies of the ringer and system volumes. The ringing window
// saves these two REG_DWORD values when it forces the volume and writes them back
// afterwards.
constexpr const char* kShellOverridesKey = "ControlPanel\\Notifications\\ShellOverrides";
constexpr const char* kShellSavedVolumeValue = "SavedVolume";
constexpr const char* kShellSavedRingerVolumeValue = "SavedRingerVolume";

enum class SoundType : uint32_t { On = 0, File = 1, Vibrate = 2, None = 3 };

struct SoundSetting {
    SoundType type = SoundType::On;
    std::u16string file; // full path of the sound file when type is File, else empty

    bool operator==(const SoundSetting& o) const { return type == o.type && file == o.file; }
    bool operator!=(const SoundSetting& o) const { return !(*this == o); }
};

// The current setting for all events. Always succeeds: unreadable or out-of-range
// stored values give the default (On, no file).
SoundSetting GetAllEventsSound();

// Stores the setting for all events and flushes the hive; false when the store
// refuses. A setting whose type is not File stores no file name.
bool SetAllEventsSound(const SoundSetting& setting);

} // namespace dawnbell
