#include "WaveVolume.h"

#include "DeviceVolume.h"

namespace dawnbell {

uint32_t WaveValueForPercent(int percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    // percent * 655.35 truncated, in exact integer arithmetic.
    return static_cast<uint32_t>(percent) * kWaveVolumeMax / 100u;
}

bool WaveOutIsVirtual() { return OpenDeviceVolume()->Kind() == "virtual"; }

bool GetWaveOutVolume(uint32_t* out)
{
    DeviceLevel level;
    if (!out || !OpenDeviceVolume()->Read(&level))
        return false;
    *out = level.volume;
    return true;
}

bool SetWaveOutVolume(uint32_t value)
{
    DeviceLevel level;
    level.volume = value & kWaveVolumeMax;
    return OpenDeviceVolume()->Write(level);
}

} // namespace dawnbell
