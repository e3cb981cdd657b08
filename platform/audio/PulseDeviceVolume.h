#pragma once
// The device volume as the sound server's default output (its default sink),
// through libpulse: served by PulseAudio and by PipeWire's pulse server alike.
// The volume is the sink's volume in the server's own scale (100 % = 65535),
// the mute is the sink's mute. Every call opens its own short connection; the
// server is never started by us.
#include "DeviceVolume.h"

namespace dawnbell {

class PulseDeviceVolume : public DeviceVolume {
public:
    // The server's default sink; null when no server answers or it has no sink.
    static std::unique_ptr<PulseDeviceVolume> Open();

    std::string Kind() const override { return "pulse"; }
    std::string Name() const override { return "sound server output " + sink_; }
    // Reads the default sink. `exact` names the sink and keeps every channel's
    // volume, so a restore gives back its balance and a volume above 100 %.
    bool Read(DeviceLevel* out) override;
    // Sets the sink named in `level.exact` to its channel volumes when that sink
    // is still there with as many channels; otherwise every channel of the
    // default sink to `level.volume`. Then the mute, when `level.muted` says.
    bool Write(const DeviceLevel& level) override;

private:
    explicit PulseDeviceVolume(std::string sink) : sink_(std::move(sink)) {}

    std::string sink_; // the default sink when opened, for the log
};

} // namespace dawnbell
