#include "RingingVibration.h"

#include "Alarm.h"
#include "NotificationLeds.h"
#include "WindowTimers.h"

namespace dawnbell {

RingingVibration::RingingVibration(Alarm* alarm, WindowTimers* timers) : alarm_(alarm), timers_(timers) {}

RingingVibration::~RingingVibration()
{
    if (leds_)
        Set(false);
}

void RingingVibration::Set(bool on)
{
    if (!leds_)
        leds_ = std::make_unique<NotificationLeds>();
    if (leds_->Count() > 0)
        leds_->SetAll(on ? 1 : 0);
    on_ = on;
}

void RingingVibration::Start()
{
    if (!alarm_->vibrate)
        return;
    if (alarm_->vibrateInterval)
        timers_->Start(TimerVibrate, kPhaseMs);
    else
        Set(true);
}

void RingingVibration::Stop()
{
    timers_->Kill(TimerVibrate);
    Set(false);
}

void RingingVibration::Tick()
{
    phase_ = !phase_;
    Set(phase_);
}

void RingingVibration::Checked(bool on, bool snoozing)
{
    if (alarm_->vibrateInterval) {
        timers_->Kill(TimerVibrate);
        if (on && !snoozing) {
            timers_->Start(TimerVibrate, kPhaseMs);
            Tick();
        } else {
            Set(false);
        }
    } else if (!snoozing) {
        Set(on);
    }
}

} // namespace dawnbell
