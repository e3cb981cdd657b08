#include "RingingSetup.h"

#include "DeviceVolumeOverride.h"
#include "PowerKeeper.h"
#include "Registry.h"
#include "RestoreMarker.h"
#include "RingingMediaPause.h"
#include "RingingServices.h"
#include "RingingVibration.h"
#include "SysfsBacklight.h"

#include <QtGlobal>

#include <algorithm>
#include <memory>
#include <string>

namespace dawnbell {

namespace {

// The power settings a keep-awake changes, as registry value (key, name) pairs:
// the suspend time-outs and the key lock.
struct PowerValue {
    const char* key;
    const char* name;
};
constexpr PowerValue kPowerValues[] = {
    {PowerKeeper::kTimeoutsKey, "ACSuspendTimeout"}, {PowerKeeper::kTimeoutsKey, "BattSuspendTimeout"},
    {PowerKeeper::kKeyLockKey, "AutoKey"},           {PowerKeeper::kKeyLockKey, "OnCallToday"},
    {PowerKeeper::kKeyLockKey, "OnIncoming"},
};
constexpr const char* kPowerPart = "power";

// The settings now, as restore-marker entries: "<name>" for each registry value
// that can be read, "backlight<i>" = "<device folder>|<bl_power>|<brightness>".
RestoreMarker::Entries ReadPowerSettings()
{
    RestoreMarker::Entries entries;
    for (const PowerValue& v : kPowerValues) {
        RegKey key;
        uint32_t value = 0;
        if (RegKey::Open(Hive::LocalMachine, v.key, &key) == RegOk && key.ReadDword(v.name, &value))
            entries.insert(QString::fromLatin1(v.name), QString::number(value));
    }
    int i = 0;
    for (const std::string& dir : SysfsBacklight().Devices()) {
        entries.insert(QStringLiteral("backlight%1").arg(i++),
                       QStringLiteral("%1|%2|%3")
                           .arg(QString::fromStdString(dir))
                           .arg(ReadSysfsInt(dir + "/bl_power"))
                           .arg(ReadSysfsInt(dir + "/brightness")));
    }
    return entries;
}

// Writes the settings of ReadPowerSettings back. The entries come from a file:
// numbers must be in range, and only backlight folders that exist below the
// sysfs root's class/backlight are written.
void WritePowerSettings(const RestoreMarker::Entries& entries)
{
    for (const PowerValue& v : kPowerValues) {
        bool ok = false;
        const qulonglong value = entries.value(QString::fromLatin1(v.name)).toULongLong(&ok);
        RegKey key;
        if (ok && value <= UINT32_MAX && RegKey::Open(Hive::LocalMachine, v.key, &key) == RegOk)
            key.WriteDword(v.name, static_cast<uint32_t>(value));
    }
    RegFlush(Hive::LocalMachine);
    const std::vector<std::string> devices = SysfsBacklight().Devices();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QStringList parts = it.value().split(QLatin1Char('|'));
        if (!it.key().startsWith(QLatin1String("backlight")) || parts.size() != 3)
            continue;
        const std::string dir = parts[0].toStdString();
        if (std::find(devices.begin(), devices.end(), dir) == devices.end())
            continue;
        const int blPower = parts[1].toInt();
        const int brightness = parts[2].toInt();
        if (brightness >= 0)
            WriteSysfsInt(dir + "/brightness", brightness);
        if (blPower >= 0 && blPower <= 4)
            WriteSysfsInt(dir + "/bl_power", blPower);
    }
}

// One PowerKeeper per ringing window; destroying it restores every power
// setting. While engaged, the settings from before are held in the restore
// marker, so a crash is mended at the next start.
class PowerKeeperAwake : public KeepAwake {
public:
    ~PowerKeeperAwake() override
    {
        keeper_.reset();
        if (marked_)
            RestoreMarker::Release(QLatin1String(kPowerPart));
    }
    bool Engage(bool on) override
    {
        if (on && !marked_) {
            RestoreMarker::Hold(QLatin1String(kPowerPart), ReadPowerSettings());
            marked_ = true;
        }
        return keeper_->Engage(on);
    }
    void SetBacklight(bool dim) override { keeper_->SetBacklight(dim); }

private:
    std::unique_ptr<PowerKeeper> keeper_ = std::make_unique<PowerKeeper>();
    bool marked_ = false; // the marker holds the settings from before
};

} // namespace

void InstallRingingServices()
{
    RingingServices services = DefaultRingingServices();
    services.keepAwake = [] { return std::unique_ptr<KeepAwake>(new PowerKeeperAwake); };
    SetDefaultRingingServices(services);
}

void RestoreAfterInterruptedRinging()
{
    const QMap<QString, RestoreMarker::Entries> left = RestoreMarker::TakeLeftOver();
    if (left.isEmpty())
        return;
    // A snooze without a display leaves only the players it keeps paused for the
    // alarm's next ringing: no cleanup was missed then.
    const bool snoozedOnly = left.size() == 1 && left.value(QLatin1String(RingingMediaPause::kMarkerPart))
                                                     .contains(QLatin1String(RingingMediaPause::kSnoozedEntry));
    if (!snoozedOnly)
        qWarning("The last ringing ended without its cleanup; giving the device back.");
    if (left.contains(QLatin1String(RingingVibration::kMarkerPart)))
        RingingVibration::RestoreLeftOver();
    if (left.contains(QLatin1String(kPowerPart))) {
        WritePowerSettings(left.value(QLatin1String(kPowerPart)));
        qInfo("Suspend time-outs, key lock and backlight given back after an interrupted ringing.");
    }
    if (DeviceVolumeOverride::RestoreLeftOver(left.value(QLatin1String(DeviceVolumeOverride::kMarkerPart))))
        qInfo("Device volume given back after an interrupted ringing.");
    RingingMediaPause::RestoreLeftOver(left.value(QLatin1String(RingingMediaPause::kMarkerPart)));
}

} // namespace dawnbell
