#pragma once
// The device volume as the ALSA simple mixer control "Master" of one device
// ("PCM" when it has no "Master"), and its playback switch as the mute.
// The mixer is opened anew for every call.
#include "DeviceVolume.h"

namespace dawnbell {

class AlsaDeviceVolume : public DeviceVolume {
public:
    // The mixer of `device` ("default", "hw:0"); null when it has no usable control.
    static std::unique_ptr<AlsaDeviceVolume> Open(const std::string& device);
    // The mixer of the first sound card; null when there is none.
    static std::unique_ptr<AlsaDeviceVolume> OpenFirstCard();

    std::string Kind() const override { return "alsa"; }
    std::string Name() const override { return "ALSA mixer " + device_; }
    bool Read(DeviceLevel* out) override;
    bool Write(const DeviceLevel& level) override;

private:
    explicit AlsaDeviceVolume(std::string device) : device_(std::move(device)) {}

    std::string device_; // ALSA device name the mixer is attached to
};

} // namespace dawnbell
