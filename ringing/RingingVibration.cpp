#include "RingingVibration.h"

#include "Alarm.h"
#include "RestoreMarker.h"
#include "Vibrator.h"
#include "WindowTimers.h"

#include <QStringList>

namespace dawnbell {

RingingVibration::RingingVibration(Alarm* alarm, WindowTimers* timers) : alarm_(alarm), timers_(timers) {}

RingingVibration::~RingingVibration()
{
    if (found_)
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
    const std::vector<std::unique_ptr<Vibrator>> vibrators = FindVibrators();
    bool ok = true;
    for (const std::unique_ptr<Vibrator>& v : vibrators)
        ok = v->Set(false) && ok;
    qInfo("Vibrators switched off after an interrupted ringing (%d found%s).", int(vibrators.size()),
          ok ? "" : ", some refused");
}

void RingingVibration::Set(bool on)
{
    if (!found_) {
        vibrators_ = FindVibrators();
        found_ = true;
    }
    if (on && !told_) {
        // Once per ringing, for a user wondering why the device stayed still.
        told_ = true;
        QStringList names;
        for (const std::unique_ptr<Vibrator>& v : vibrators_)
            names << QString::fromStdString(v->Kind() + " " + v->Name());
        if (names.isEmpty())
            qInfo("The alarm vibrates, but this device has no vibrator this user can drive (no LED or force-feedback "
                  "input device named \"vibrator\", no haptics service).");
        else
            qInfo("Vibrating with: %s.", qPrintable(names.join(QStringLiteral(", "))));
    }
    for (const std::unique_ptr<Vibrator>& v : vibrators_)
        v->Set(on);
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
