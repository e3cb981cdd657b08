#include "RingingSetup.h"

#include "PowerKeeper.h"
#include "RingingServices.h"

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

} // namespace dawnbell
