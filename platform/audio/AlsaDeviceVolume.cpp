#include "AlsaDeviceVolume.h"

#include "WaveVolume.h"

#include <alsa/asoundlib.h>

#include <cstdio>

namespace dawnbell {

namespace {

// The playback volume element of one device, with its open mixer.
class Mixer {
public:
    explicit Mixer(const std::string& device)
    {
        if (snd_mixer_open(&mixer_, 0) < 0) {
            mixer_ = nullptr;
            return;
        }
        if (snd_mixer_attach(mixer_, device.c_str()) < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0
            || snd_mixer_load(mixer_) < 0)
            return;
        for (const char* control : {"Master", "PCM"}) {
            snd_mixer_selem_id_t* sid = nullptr;
            if (snd_mixer_selem_id_malloc(&sid) < 0)
                return;
            snd_mixer_selem_id_set_index(sid, 0);
            snd_mixer_selem_id_set_name(sid, control);
            snd_mixer_elem_t* elem = snd_mixer_find_selem(mixer_, sid);
            snd_mixer_selem_id_free(sid);
            if (elem && snd_mixer_selem_has_playback_volume(elem)
                && snd_mixer_selem_get_playback_volume_range(elem, &min_, &max_) >= 0 && max_ > min_) {
                elem_ = elem;
                return;
            }
        }
    }
    ~Mixer()
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    bool ok() const { return elem_ != nullptr; }

    bool Read(DeviceLevel* out) const
    {
        long raw = 0;
        if (snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &raw) < 0)
            return false;
        if (raw < min_)
            raw = min_;
        if (raw > max_)
            raw = max_;
        *out = DeviceLevel();
        // Rounded both ways, so reading back a value that was set gives the same
        // mixer step and a save/restore pair is exact.
        const long long range = max_ - min_;
        out->volume = static_cast<uint32_t>(((raw - min_) * 65535LL + range / 2) / range);
        int on = 1;
        if (snd_mixer_selem_has_playback_switch(elem_)
            && snd_mixer_selem_get_playback_switch(elem_, SND_MIXER_SCHN_FRONT_LEFT, &on) >= 0)
            out->muted = on ? 0 : 1;
        return true;
    }

    bool Write(const DeviceLevel& level) const
    {
        const long long range = max_ - min_;
        const long raw = static_cast<long>(min_ + ((level.volume & kWaveVolumeMax) * range + 32767) / 65535);
        bool ok = snd_mixer_selem_set_playback_volume_all(elem_, raw) >= 0;
        if (level.muted >= 0 && snd_mixer_selem_has_playback_switch(elem_))
            ok = snd_mixer_selem_set_playback_switch_all(elem_, level.muted ? 0 : 1) >= 0 && ok;
        return ok;
    }

private:
    snd_mixer_t* mixer_ = nullptr;
    snd_mixer_elem_t* elem_ = nullptr;
    long min_ = 0;
    long max_ = 0;
};

} // namespace

std::unique_ptr<AlsaDeviceVolume> AlsaDeviceVolume::Open(const std::string& device)
{
    if (!Mixer(device).ok())
        return nullptr;
    return std::unique_ptr<AlsaDeviceVolume>(new AlsaDeviceVolume(device));
}

std::unique_ptr<AlsaDeviceVolume> AlsaDeviceVolume::OpenFirstCard()
{
    int card = -1;
    if (snd_card_next(&card) < 0 || card < 0)
        return nullptr;
    char name[32];
    std::snprintf(name, sizeof name, "hw:%d", card);
    return Open(name);
}

bool AlsaDeviceVolume::Read(DeviceLevel* out)
{
    const Mixer mixer(device_);
    return mixer.ok() && mixer.Read(out);
}

bool AlsaDeviceVolume::Write(const DeviceLevel& level)
{
    const Mixer mixer(device_);
    return mixer.ok() && mixer.Write(level);
}

} // namespace dawnbell
