#pragma once
// The session's device volume held at a level of our choosing and given back
// afterwards: Save reads the device as found (volume, mute and the back-end's
// exact state), Force sets a volume and unmutes, so a muted or quiet output is
// heard; GiveBack writes the saved state back. A saved state is only given back
// to the same kind of back-end it was read from (DeviceVolume::Kind), never
// translated to another device that happens to answer later.
// Plain C++; no Qt.
#include "DeviceVolume.h"

#include <string>

namespace dawnbell {

class ForcedDeviceVolume {
public:
    // Reads the device as found, once: later calls keep the first reading.
    // false when the device cannot be read (nothing is saved then).
    bool Save();
    // Sets the device to `volume` (0-65535, low word) and unmutes it. Does not
    // save; call Save first to be able to give it back.
    static bool Force(uint32_t volume);
    // Writes the saved state back and forgets it; true when nothing was saved.
    // false when the device cannot be written or is now another kind of device.
    bool GiveBack();
    // Takes a state saved by another process (a crashed one) as if Save had read it.
    void Adopt(const std::string& kind, const DeviceLevel& level);

    bool saved() const { return !kind_.empty(); }
    // Which back-end the state came from; empty when nothing is saved.
    const std::string& kind() const { return kind_; }
    const DeviceLevel& level() const { return level_; }
    // The device's description when it was saved, for the log.
    const std::string& name() const { return name_; }

private:
    std::string kind_;
    std::string name_;
    DeviceLevel level_;
};

} // namespace dawnbell
