#include "VirtualDeviceVolume.h"

#include "Registry.h"
#include "WaveVolume.h"

namespace dawnbell {

bool VirtualDeviceVolume::Read(DeviceLevel* out)
{
    uint32_t volume = kVirtualWaveVolumeDefault;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kVirtualVolumeKey, &key) == RegOk) {
        uint32_t stored = 0;
        if (key.ReadDword(kVirtualVolumeValue, &stored))
            volume = stored & kWaveVolumeMax;
    }
    *out = DeviceLevel();
    out->volume = volume;
    return true;
}

bool VirtualDeviceVolume::Write(const DeviceLevel& level)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, kVirtualVolumeKey, &key) != RegOk)
        return false;
    return key.WriteDword(kVirtualVolumeValue, level.volume & kWaveVolumeMax) == RegOk;
}

} // namespace dawnbell
