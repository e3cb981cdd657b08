#include "RingingSetup.h"

#include "DeviceVolumeOverride.h"
#include "PowerKeeper.h"
#include "RestoreMarker.h"
#include "RingingServices.h"
#include "RingingVibration.h"

#include <QtGlobal>

#include <memory>

namespace dawnbell {

namespace {

// One PowerKeeper per ringing window; destroying it restores every power setting.
class PowerKeeperAwake : public KeepAwake {
public:
    bool Engage(bool on) override { return keeper_.Engage(on); }
    void SetBacklight(bool dim) override { keeper_.SetBacklight(dim); }

private:
    PowerKeeper keeper_;
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
    qWarning("The last ringing ended without its cleanup; giving the device back.");
    if (left.contains(QLatin1String(RingingVibration::kMarkerPart)))
        RingingVibration::RestoreLeftOver();
    if (DeviceVolumeOverride::RestoreLeftOver(left.value(QLatin1String(DeviceVolumeOverride::kMarkerPart))))
        qInfo("Device volume given back after an interrupted ringing.");
}

} // namespace dawnbell
