#include "WaveVolume.h"

#include "Registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef DAWNBELL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

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

namespace {

bool ForcedVirtual()
{
    const char* v = std::getenv("DAWNBELL_AUDIO_VIRTUAL");
    return v && *v && std::strcmp(v, "0") != 0;
}

bool GetVirtual(uint32_t* out)
{
    uint32_t v = kVirtualWaveVolumeDefault;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kVirtualVolumeKey, &key) == RegOk) {
        uint32_t stored = 0;
        if (key.ReadDword(kVirtualVolumeValue, &stored))
            v = stored & kWaveVolumeMax;
    }
    *out = v;
    return true;
}

bool SetVirtual(uint32_t value)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, kVirtualVolumeKey, &key) != RegOk)
        return false;
    return key.WriteDword(kVirtualVolumeValue, value & kWaveVolumeMax) == RegOk;
}

#ifdef DAWNBELL_HAVE_ALSA
// The playback volume element of the first card, with its open mixer.
class AlsaMaster {
public:
    AlsaMaster()
    {
        int card = -1;
        if (snd_card_next(&card) < 0 || card < 0)
            return;
        char name[32];
        std::snprintf(name, sizeof name, "hw:%d", card);
        if (snd_mixer_open(&mixer_, 0) < 0) {
            mixer_ = nullptr;
            return;
        }
        if (snd_mixer_attach(mixer_, name) < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0
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
    ~AlsaMaster()
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }
    AlsaMaster(const AlsaMaster&) = delete;
    AlsaMaster& operator=(const AlsaMaster&) = delete;

    bool ok() const { return elem_ != nullptr; }

    bool Get(uint32_t* out) const
    {
        long raw = 0;
        if (snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &raw) < 0)
            return false;
        if (raw < min_)
            raw = min_;
        if (raw > max_)
            raw = max_;
        // Rounded both ways, so reading back a value that was set gives the same
        // mixer step and a save/restore pair is exact.
        const long long range = max_ - min_;
        *out = static_cast<uint32_t>(((raw - min_) * 65535LL + range / 2) / range);
        return true;
    }

    bool Set(uint32_t value) const
    {
        const long long range = max_ - min_;
        const long raw = static_cast<long>(min_ + ((value & kWaveVolumeMax) * range + 32767) / 65535);
        return snd_mixer_selem_set_playback_volume_all(elem_, raw) >= 0;
    }

private:
    snd_mixer_t* mixer_ = nullptr;
    snd_mixer_elem_t* elem_ = nullptr;
    long min_ = 0;
    long max_ = 0;
};
#endif

} // namespace

bool WaveOutIsVirtual()
{
    if (ForcedVirtual())
        return true;
#ifdef DAWNBELL_HAVE_ALSA
    return !AlsaMaster().ok();
#else
    return true;
#endif
}

bool GetWaveOutVolume(uint32_t* out)
{
    if (!out)
        return false;
#ifdef DAWNBELL_HAVE_ALSA
    if (!ForcedVirtual()) {
        AlsaMaster master;
        if (master.ok())
            return master.Get(out);
    }
#endif
    return GetVirtual(out);
}

bool SetWaveOutVolume(uint32_t value)
{
#ifdef DAWNBELL_HAVE_ALSA
    if (!ForcedVirtual()) {
        AlsaMaster master;
        if (master.ok())
            return master.Set(value);
    }
#endif
    return SetVirtual(value);
}

} // namespace dawnbell
