#include "RingingBacklight.h"

#include "WindowTimers.h"

namespace dawnbell {

void RingingBacklight::KeepAwake(const KeepAwakeFactory& factory)
{
    if (factory)
        keepAwake_ = factory();
    if (keepAwake_)
        keepAwake_->Engage(true);
}

void RingingBacklight::On()
{
    if (keepAwake_)
        keepAwake_->SetBacklight(false);
}

void RingingBacklight::LightForAWhile()
{
    On();
    timers_->Start(TimerBacklight, kLitMs);
}

void RingingBacklight::OnUntilFurtherNotice()
{
    timers_->Kill(TimerBacklight);
    On();
}

void RingingBacklight::DimLater() { timers_->Start(TimerBacklight, kLitMs); }

void RingingBacklight::Dim()
{
    if (keepAwake_)
        keepAwake_->SetBacklight(true);
    timers_->Kill(TimerBacklight);
}

bool RingingBacklight::dimmingPending() const { return timers_->Active(TimerBacklight); }

} // namespace dawnbell
