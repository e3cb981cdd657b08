#pragma once
// The device volume: how loud the device plays, as one volume from 0 (silent) to
// 65535 (full) for all channels, and whether its output is muted.
//
// Several back-ends serve it; OpenDeviceVolume picks one for the process's
// session (see DeviceVolumeFactory.cpp for the order). Each back-end reads and
// writes the device on every call, so values set by another program are seen.
// Plain C++; no Qt.
#include <cstdint>
#include <memory>
#include <string>

namespace dawnbell {

// One reading of the device, enough to put it back as it was found.
struct DeviceLevel {
    uint32_t volume = 0; // 0-65535: the loudest channel
    int muted = -1;      // 1 muted, 0 playing, -1 unknown (no mute control, or leave it alone)
    // The back-end's own description of its exact state (every channel, which
    // output), so a restore gives back an unbalanced or above-full volume too;
    // empty when the back-end has nothing beyond `volume` and `muted`.
    std::string exact;
};

class DeviceVolume {
public:
    virtual ~DeviceVolume() = default;

    // Which back-end this is: "pulse", "alsa" or "virtual" (the registry-kept
    // device of machines without sound hardware or server). Stable: stored with
    // saved levels, so a level is only given back to the kind it came from.
    virtual std::string Kind() const = 0;
    // What the volume is, for logs ("sound server output alsa_output.pci...", "ALSA mixer hw:0").
    virtual std::string Name() const = 0;

    // Reads the device into `out`; false when it cannot be read.
    virtual bool Read(DeviceLevel* out) = 0;
    // Sets the device: from `level.exact` when it is this back-end's and still
    // fits the device, otherwise `level.volume` (low word) on every channel;
    // the mute only when `level.muted` is 0 or 1. False when a part failed.
    virtual bool Write(const DeviceLevel& level) = 0;
};

// The device volume of this session: DAWNBELL_AUDIO_VIRTUAL=1 (any value but
// empty or "0") gives the virtual device; otherwise the first back-end that
// reaches a device, ending with the virtual one. Never null.
std::unique_ptr<DeviceVolume> OpenDeviceVolume();

} // namespace dawnbell
