#include "ForcedDeviceVolume.h"

namespace dawnbell {

bool ForcedDeviceVolume::Save()
{
    if (saved())
        return true;
    const std::unique_ptr<DeviceVolume> device = OpenDeviceVolume();
    DeviceLevel level;
    if (!device->Read(&level))
        return false;
    kind_ = device->Kind();
    name_ = device->Name();
    level_ = level;
    return true;
}

bool ForcedDeviceVolume::Force(uint32_t volume)
{
    DeviceLevel level;
    level.volume = volume & 0xFFFFu;
    level.muted = 0;
    return OpenDeviceVolume()->Write(level);
}

bool ForcedDeviceVolume::GiveBack()
{
    if (!saved())
        return true;
    const std::unique_ptr<DeviceVolume> device = OpenDeviceVolume();
    const bool ok = device->Kind() == kind_ && device->Write(level_);
    kind_.clear();
    name_.clear();
    level_ = DeviceLevel();
    return ok;
}

void ForcedDeviceVolume::Adopt(const std::string& kind, const DeviceLevel& level)
{
    kind_ = kind;
    name_.clear();
    level_ = level;
}

} // namespace dawnbell
