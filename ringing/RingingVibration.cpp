#include "RingingVibration.h"

#include "Alarm.h"
#include "NotificationLeds.h"
#include "RestoreMarker.h"
#include "WindowTimers.h"

namespace dawnbell {

RingingVibration::RingingVibration(Alarm* alarm, WindowTimers* timers) : alarm_(alarm), timers_(timers) {}

RingingVibration::~RingingVibration()
{
    if (leds_)
        Set(false);
    Mark(false);
}

void RingingVibration::Mark(bool inUse)
{
    if (inUse == marked_)
        return;
    marked_ = inUse;
    if (inUse)
        RestoreMarker::Hold(kMarkerPart, {{QStringLiteral("on"), QStringLiteral("1")}});
    else
        RestoreMarker::Release(kMarkerPart);
}

void RingingVibration::RestoreLeftOver()
{
    NotificationLeds leds;
    const bool ok = leds.SetAll(0);
    qInfo("Vibrators switched off after an interrupted ringing (%d found%s).", leds.Count(),
          ok ? "" : ", some refused");
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
    Mark(true);
    if (alarm_->vibrateInterval)
        timers_->Start(TimerVibrate, kPhaseMs);
    else
        Set(true);
}

void RingingVibration::Stop()
{
    timers_->Kill(TimerVibrate);
    Set(false);
    Mark(false);
}

void RingingVibration::Tick()
{
    phase_ = !phase_;
    Set(phase_);
}

void RingingVibration::Checked(bool on, bool snoozing)
{
    if (on && !snoozing)
        Mark(true);
    if (alarm_->vibrateInterval) {
        timers_->Kill(TimerVibrate);
        if (on && !snoozing) {
            timers_->Start(TimerVibrate, kPhaseMs);
            Tick();
        } else {
            Set(false);
            Mark(false);
        }
    } else if (!snoozing) {
        Set(on);
        Mark(on);
    }
}

} // namespace dawnbell
