#pragma once
// Keeps the notification service's set of the program's time notifications equal
// to the stored active alarms, and checks new alarms for time clashes. Changes of
// alarms reach the store and then the schedule through AlarmChanges.
//
// The schedule is always rebuilt from the registry, never from memory: every
// rebuild first clears all of the program's notifications (any notification whose
// application path, upper-cased, contains "DAWNBELL"), then registers one per
// stored active alarm section. The program keeps no notification handles.
#include "Alarm.h"

#include <QString>

namespace dawnbell {

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
    // Ends by announcing the rebuild (AlarmChanges::NoteRebuilt: the program
    // resets the idle timer, and tells of alarms it recorded as missed). No
    // result: a refused registration leaves that alarm unscheduled.
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

    // The executable named in the program's notifications: the running program
    // (its full path), unless SetProgramPath named another one.
    static QString ProgramPath();
    // Names the executable the notifications start (dawnbell-alarm schedules the
    // program, not itself); empty: the running program.
    static void SetProgramPath(const QString& path);
    // The same, for tests that stand in for the program.
    static void SetProgramPathForTesting(const QString& path) { SetProgramPath(path); }
};

} // namespace dawnbell
