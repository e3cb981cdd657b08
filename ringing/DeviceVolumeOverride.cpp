#include "DeviceVolumeOverride.h"

#include "Registry.h"
#include "SoundSetting.h"
#include "WaveVolume.h"

#include <QString>

namespace dawnbell {

namespace {
// Marker entry names.
const QString kWave = QStringLiteral("wave");
const QString kSoundType = QStringLiteral("soundType");
const QString kSoundFile = QStringLiteral("soundFile");
const QString kShell = QStringLiteral("shellVolume");
const QString kRinger = QStringLiteral("ringerVolume");
} // namespace

DeviceVolumeOverride::DeviceVolumeOverride(int percent)
{
    uint32_t wave = 0;
    if (GetWaveOutVolume(&wave))
        saved_.wave = wave;
    const SoundSetting sound = GetAllEventsSound();
    saved_.soundType = static_cast<uint32_t>(sound.type);
    saved_.soundFile = sound.file;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
        uint32_t v = 0;
        if (key.ReadDword(kShellSavedVolumeValue, &v))
            saved_.shellVolume = v;
        if (key.ReadDword(kShellSavedRingerVolumeValue, &v))
            saved_.ringerVolume = v;
    }
    RestoreMarker::Hold(kMarkerPart, {{kWave, QString::number(saved_.wave)},
                                      {kSoundType, QString::number(saved_.soundType)},
                                      {kSoundFile, QString::fromStdU16String(saved_.soundFile)},
                                      {kShell, QString::number(saved_.shellVolume)},
                                      {kRinger, QString::number(saved_.ringerVolume)}});
    SetWaveOutVolume(WaveValueForPercent(percent));
}

DeviceVolumeOverride::~DeviceVolumeOverride()
{
    GiveBack(saved_);
    qInfo("Device volume given back (%lld).", static_cast<long long>(saved_.wave));
    RestoreMarker::Release(kMarkerPart);
}

void DeviceVolumeOverride::GiveBack(const Saved& saved)
{
    if (saved.wave >= 0)
        SetWaveOutVolume(static_cast<uint32_t>(saved.wave));
    SoundSetting sound;
    sound.type = static_cast<SoundType>(saved.soundType);
    sound.file = saved.soundFile;
    SetAllEventsSound(sound);
    // The shell's values go back only when both were read; a missing key is not created.
    if (saved.shellVolume >= 0 && saved.ringerVolume >= 0) {
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
            key.WriteDword(kShellSavedVolumeValue, static_cast<uint32_t>(saved.shellVolume));
            key.WriteDword(kShellSavedRingerVolumeValue, static_cast<uint32_t>(saved.ringerVolume));
            key.Close();
            RegFlush(Hive::CurrentUser);
        }
    }
}

bool DeviceVolumeOverride::RestoreLeftOver(const RestoreMarker::Entries& entries)
{
    if (!entries.contains(kSoundType))
        return false;
    // Values out of range read as "not saved" and are not written.
    auto number = [&entries](const QString& name, int64_t max) -> int64_t {
        bool ok = false;
        const qlonglong v = entries.value(name).toLongLong(&ok);
        return ok && v >= 0 && v <= max ? v : -1;
    };
    Saved saved;
    saved.wave = number(kWave, kWaveVolumeMax);
    const int64_t type = number(kSoundType, static_cast<int64_t>(SoundType::None));
    saved.soundType = type >= 0 ? static_cast<uint32_t>(type) : 0;
    saved.soundFile = entries.value(kSoundFile).toStdU16String();
    saved.shellVolume = number(kShell, UINT32_MAX);
    saved.ringerVolume = number(kRinger, UINT32_MAX);
    GiveBack(saved);
    return true;
}

} // namespace dawnbell
