// The one place that knows which device-volume back-ends this build has.
// CMake compiles a back-end in when its library is there and defines its
// DAWNBELL_HAVE_* switch; the session decides at run time which one answers.
#include "DeviceVolume.h"

#include "VirtualDeviceVolume.h"

#ifdef DAWNBELL_HAVE_PULSE
#include "PulseDeviceVolume.h"
#endif
#ifdef DAWNBELL_HAVE_ALSA
#include "AlsaDeviceVolume.h"
#endif

#include <cstdlib>
#include <cstring>

namespace dawnbell {

namespace {
bool ForcedVirtual()
{
    const char* v = std::getenv("DAWNBELL_AUDIO_VIRTUAL");
    return v && *v && std::strcmp(v, "0") != 0;
}
} // namespace

std::unique_ptr<DeviceVolume> OpenDeviceVolume()
{
    if (ForcedVirtual())
        return std::make_unique<VirtualDeviceVolume>();
#ifdef DAWNBELL_HAVE_PULSE
    // A sound server mixes every program's sound into its default output:
    // that output's volume and mute are what the user hears.
    if (auto pulse = PulseDeviceVolume::Open())
        return pulse;
#endif
#ifdef DAWNBELL_HAVE_ALSA
    // "default" is what ALSA programs play to (it may be a plug-in's mixer);
    // the first card's hardware mixer when it has no mixer of its own.
    if (auto alsa = AlsaDeviceVolume::Open("default"))
        return alsa;
    if (auto alsa = AlsaDeviceVolume::OpenFirstCard())
        return alsa;
#endif
    return std::make_unique<VirtualDeviceVolume>();
}

} // namespace dawnbell
