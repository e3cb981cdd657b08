#include "DeviceVolumeOverride.h"

#include "Registry.h"
#include "SoundSetting.h"
#include "WaveVolume.h"

namespace dawnbell {

DeviceVolumeOverride::DeviceVolumeOverride(int percent)
{
    uint32_t wave = 0;
    if (GetWaveOutVolume(&wave))
        saved_.wave = wave;
    const SoundSetting sound = GetAllEventsSound();
    saved_.soundType = static_cast<uint32_t>(sound.type);
    saved_.soundFile = sound.file;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
        uint32_t v = 0;
        if (key.ReadDword(kShellSavedVolumeValue, &v))
            saved_.shellVolume = v;
        if (key.ReadDword(kShellSavedRingerVolumeValue, &v))
            saved_.ringerVolume = v;
    }
    SetWaveOutVolume(WaveValueForPercent(percent));
}

DeviceVolumeOverride::~DeviceVolumeOverride()
{
    GiveBack(saved_);
}

void DeviceVolumeOverride::GiveBack(const Saved& saved)
{
    if (saved.wave >= 0)
        SetWaveOutVolume(static_cast<uint32_t>(saved.wave));
    SoundSetting sound;
    sound.type = static_cast<SoundType>(saved.soundType);
    sound.file = saved.soundFile;
    SetAllEventsSound(sound);
    // The shell's values go back only when both were read; a missing key is not created.
    if (saved.shellVolume >= 0 && saved.ringerVolume >= 0) {
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
            key.WriteDword(kShellSavedVolumeValue, static_cast<uint32_t>(saved.shellVolume));
            key.WriteDword(kShellSavedRingerVolumeValue, static_cast<uint32_t>(saved.ringerVolume));
            key.Close();
            RegFlush(Hive::CurrentUser);
        }
    }
}

} // namespace dawnbell
