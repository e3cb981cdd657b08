#include "DeviceVolumeOverride.h"

#include "Registry.h"
#include "SoundSetting.h"
#include "WaveVolume.h"

#include <QString>

namespace dawnbell {

namespace {
// Marker entry names.
const QString kWave = QStringLiteral("wave");
const QString kMuted = QStringLiteral("muted");
const QString kExact = QStringLiteral("exact");
const QString kDevice = QStringLiteral("device");
const QString kSoundType = QStringLiteral("soundType");
const QString kSoundFile = QStringLiteral("soundFile");
const QString kShell = QStringLiteral("shellVolume");
const QString kRinger = QStringLiteral("ringerVolume");
// Longest back-end state taken from a marker, characters.
constexpr int kMaxExact = 1024;
} // namespace

DeviceVolumeOverride::DeviceVolumeOverride(int percent)
{
    if (saved_.device.Save()) {
        qInfo("Forcing the device volume to %d %% (%s).", percent, saved_.device.name().c_str());
    } else {
        qWarning("The device volume cannot be read; it is forced to %d %% and cannot be given back.", percent);
    }
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
    const DeviceLevel& level = saved_.device.level();
    RestoreMarker::Hold(kMarkerPart,
                        {{kWave, QString::number(saved_.device.saved() ? int64_t(level.volume) : int64_t(-1))},
                         {kMuted, QString::number(level.muted)},
                         {kExact, QString::fromStdString(level.exact)},
                         {kDevice, QString::fromStdString(saved_.device.kind())},
                         {kSoundType, QString::number(saved_.soundType)},
                         {kSoundFile, QString::fromStdU16String(saved_.soundFile)},
                         {kShell, QString::number(saved_.shellVolume)},
                         {kRinger, QString::number(saved_.ringerVolume)}});
    if (!ForcedDeviceVolume::Force(WaveValueForPercent(percent)))
        qWarning("The device volume could not be forced to %d %%.", percent);
}

DeviceVolumeOverride::~DeviceVolumeOverride()
{
    const bool held = saved_.device.saved();
    const std::string name = saved_.device.name();
    const long long volume = held ? saved_.device.level().volume : -1;
    const int muted = saved_.device.level().muted;
    if (GiveBack(saved_))
        qInfo("Device volume given back (%lld%s, %s).", volume, muted == 1 ? ", muted" : "", name.c_str());
    else
        qWarning("The device volume could not be given back (%lld, %s).", volume, name.c_str());
    RestoreMarker::Release(kMarkerPart);
}

bool DeviceVolumeOverride::GiveBack(Saved& saved)
{
    const bool ok = saved.device.GiveBack();
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
    return ok;
}

bool DeviceVolumeOverride::RestoreLeftOver(const RestoreMarker::Entries& entries)
{
    if (!entries.contains(kSoundType))
        return false;
    // Values out of range read as "not saved" and are not written.
    auto number = [&entries](const QString& name, int64_t min, int64_t max) -> int64_t {
        bool ok = false;
        const qlonglong v = entries.value(name).toLongLong(&ok);
        return ok && v >= min && v <= max ? v : -1;
    };
    Saved saved;
    const int64_t wave = number(kWave, 0, kWaveVolumeMax);
    if (wave >= 0) {
        DeviceLevel level;
        level.volume = static_cast<uint32_t>(wave);
        level.muted = static_cast<int>(number(kMuted, 0, 1));
        const QString exact = entries.value(kExact);
        if (exact.size() <= kMaxExact)
            level.exact = exact.toStdString();
        // A marker without the device's kind was written before there was more
        // than one kind: it belongs to whichever device answers now.
        std::string kind = entries.value(kDevice).left(kMaxExact).toStdString();
        if (!entries.contains(kDevice))
            kind = OpenDeviceVolume()->Kind();
        saved.device.Adopt(kind, level);
    }
    const int64_t type = number(kSoundType, 0, static_cast<int64_t>(SoundType::None));
    saved.soundType = type >= 0 ? static_cast<uint32_t>(type) : 0;
    saved.soundFile = entries.value(kSoundFile).toStdU16String();
    saved.shellVolume = number(kShell, 0, UINT32_MAX);
    saved.ringerVolume = number(kRinger, 0, UINT32_MAX);
    if (!GiveBack(saved))
        qWarning("The device volume of the interrupted ringing could not be given back.");
    return true;
}

} // namespace dawnbell
