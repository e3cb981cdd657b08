#include "PowerControl.h"

#include "SessionInhibitor.h"
#include "SysfsBacklight.h"

namespace dawnbell {

namespace {

class SystemPowerControl : public PowerControl {
public:
    // Linux has no unattended mode; the keep-awake inhibitors cover what it is for.
    void SetUnattended(bool) override {}

    void SetBacklight(BacklightState state) override
    {
        switch (state) {
        case BacklightState::FullOn:
            backlight_.ForceOn();
            break;
        case BacklightState::Off:
            backlight_.ForceOff();
            break;
        case BacklightState::System:
            backlight_.GiveBack();
            break;
        }
    }

    void SetKeepAwake(bool on) override
    {
        if (on)
            inhibitor_.Acquire(QStringLiteral("An alarm is ringing"));
        else
            inhibitor_.Release();
    }

    void ResetIdleTimer() override { SessionInhibitor::SimulateUserActivity(); }

private:
    SysfsBacklight backlight_;   // at $DAWNBELL_SYSFS or /sys
    SessionInhibitor inhibitor_; // logind and screensaver locks
};

} // namespace

std::unique_ptr<PowerControl> CreateSystemPowerControl()
{
    return std::make_unique<SystemPowerControl>();
}

} // namespace dawnbell
