#pragma once
// A device volume kept in the registry, for machines without sound hardware and
// for tests: HKEY_CURRENT_USER\ControlPanel\Volume, value "DeviceVolume"
// (REG_DWORD, low word 0-65535, 0xCCCC (80 %) when missing or unreadable).
#include "DeviceVolume.h"

namespace dawnbell {

class VirtualDeviceVolume : public DeviceVolume {
public:
    std::string Kind() const override { return "virtual"; }
    std::string Name() const override { return "virtual device volume"; }
    bool Read(DeviceLevel* out) override;
    bool Write(const DeviceLevel& level) override;
};

} // namespace dawnbell
