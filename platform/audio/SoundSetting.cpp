#include "SoundSetting.h"

#include "Registry.h"

namespace dawnbell {

namespace {
// Longest file path kept for the event sound, in UTF-16 code units.
constexpr size_t kMaxSoundPath = 260;
} // namespace

SoundSetting GetAllEventsSound()
{
    SoundSetting s;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kSoundsKey, &key) != RegOk)
        return s;
    uint32_t type = 0;
    if (!key.ReadDword(kAllEventsValue, &type) || type > static_cast<uint32_t>(SoundType::None))
        return s;
    s.type = static_cast<SoundType>(type);
    if (s.type == SoundType::File) {
        std::u16string file;
        if (key.ReadString(kAllEventsFileValue, &file) && file.size() < kMaxSoundPath)
            s.file = file;
    }
    return s;
}

bool SetAllEventsSound(const SoundSetting& setting)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, kSoundsKey, &key) != RegOk)
        return false;
    if (key.WriteDword(kAllEventsValue, static_cast<uint32_t>(setting.type)) != RegOk)
        return false;
    RegResult r;
    if (setting.type == SoundType::File)
        r = key.WriteString(kAllEventsFileValue, setting.file);
    else {
        r = key.DeleteValue(kAllEventsFileValue);
        if (r == RegNotFound)
            r = RegOk;
    }
    if (r != RegOk)
        return false;
    return RegFlush(Hive::CurrentUser) == RegOk;
}

} // namespace dawnbell
