#pragma once
// Keeps the notification service's set of the program's time notifications equal
// to the stored active alarms, checks new alarms for time clashes, and carries the
// activation changes that must reach the schedule.
//
// The schedule is always rebuilt from the registry, never from memory: every
// rebuild first clears all of the program's notifications (any notification whose
// application path, upper-cased, contains "DAWNBELL"), then registers one per
// stored active alarm section. The program keeps no notification handles.
#include "Alarm.h"

#include <QString>

#include <functional>

namespace dawnbell {

// The pieces outside the model that the schedule calls; each may be empty.
struct ScheduleServices {
    // The executable named in the notifications; empty: the running program.
    QString programPath;
    // Refreshes the system-alarm simulation with the next alarm; called after an
    // activation change when the setting simulateSystemAlarm is 1.
    std::function<void()> systemAlarmRefresh;
    // Resets the session's idle timer; called as the last step of ReRegisterAll.
    std::function<void()> idleTimerReset;
    // Called when a rebuild has recorded alarms as missed (MissedAlarms), after
    // it switched the one-time ones among them off: the program tells its user.
    std::function<void()> missedRecorded;
};

class Scheduler {
public:
    // Rebuilds the program's notifications from the registry root: clears the
    // program's own, then registers one per active alarm section (templates,
    // "settings" and names that are not alarms are skipped) for its next time.
    // A rebuild that read every section (or found no alarms at all) answers the
    // service's notes of a damaged store it moved aside, in the same commit.
    // Records the service has not started although they are due stay when they
    // are less than MissedAlarms::kLateAfterSeconds overdue and their alarm is
    // still active (the service starts them late); those overdue longer never
    // rang: they are recorded as missed alarms, and a missed one-time alarm or
    // appointment is switched off instead of being scheduled again, while a
    // repeating one keeps its next occurrence.
    // Ends with the idle-timer reset of the services. No result: a refused registration leaves
    // that alarm unscheduled.
    static void ReRegisterAll();

    // True when `candidate` would ring at the same time as an alarm of `alarms`
    // other than `edited` (which may be null): same seconds of day, overlapping
    // days (either without repeat days, or a shared day), and, when both are
    // appointments, the same date. A new appointment does not clash with
    // non-appointment alarms, while a new plain alarm clashes with an appointment
    // at that time of day on any date.
    template <typename Container>
    static bool TimeClash(const Alarm& candidate, const Alarm* edited, const Container& alarms)
    {
        for (const Alarm* b : alarms) {
            if (b && b != edited && Clashes(candidate, *b))
                return true;
        }
        return false;
    }
    // The check of one pair, `a` being the new or edited alarm.
    static bool Clashes(const Alarm& a, const Alarm& b);

    // SetActivated(true); when the alarm is active afterwards: Save, ReRegisterAll,
    // and the system-alarm refresh (when the setting asks for it). An appointment
    // in the past is refused by SetActivated: nothing is saved and the result is
    // false, so the caller can say "The time of the alarm is in the past!".
    static bool Activate(Alarm* alarm);
    // SetActivated(false), Save, ReRegisterAll, system-alarm refresh.
    static void Deactivate(Alarm* alarm);

    // What AfterRinging did with the alarm.
    enum RangResult {
        RangKept,    // still in the registry (re-activated when it repeats)
        RangDeleted, // an appointment: its section is gone; drop it from the list
    };
    // After an alarm rang: deactivate it (saved, rescheduled); an appointment's
    // section is then deleted; a repeating alarm that `wasActive` when it began
    // to ring is activated again, which schedules its next occurrence; any other
    // alarm stays inactive (a stale notification or a manual start never switches
    // an alarm on).
    static RangResult AfterRinging(Alarm* alarm, bool wasActive = true);

    // The executable named in the program's notifications: the running program
    // (its full path), unless the services name another one.
    static QString ProgramPath();

    // What the schedule calls out to, installed once for the process.
    static void SetServices(ScheduleServices services);
    static const ScheduleServices& Services();
    // Sets only ScheduleServices::programPath (tests that stand in for the program).
    static void SetProgramPathForTesting(const QString& path);
};

} // namespace dawnbell
