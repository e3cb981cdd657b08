#pragma once
// The one path by which every program changes alarms: the main window, the
// editors it opens, the after-ringing step (with or without a window),
// dawnbell-alarm and the start-up verbs.
//
// A change is checked by the caller first (a time clash, an appointment in the
// past: Verdict), then committed here: its writes (sections saved or deleted)
// go to the store in one transaction with one flush, the schedule is rebuilt
// once from the store (Scheduler::ReRegisterAll), and the change is announced
// through the signals below. The model calls nobody: whoever shows the alarms
// (the main window's list, the tool, the ringing without a display) subscribes
// and takes what it needs, such as the system-alarm simulation, which its
// holder refreshes once, from a list that already holds the change. Other
// processes learn of a change from the main window's refresh message, which
// the changing process sends once per change.
//
// The process has one AlarmChanges (Instance); it lives on the thread that
// first asks for it, which must be the program's only thread of alarm work.
#include "Alarm.h"
#include "Scheduler.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace dawnbell {

// How much store and schedule work this process has done: the counts only grow.
// A test reads them before and after a change to see what the change cost.
struct AlarmChangeTrace {
    uint64_t loads = 0;               // alarm reads from the store: whole loads and single sections
    uint64_t saves = 0;               // sections written by Alarm::Save (alarms and templates)
    uint64_t commits = 0;             // transactions of AlarmChanges (each flushed once)
    uint64_t rebuilds = 0;            // rebuilds of the schedule (Scheduler::ReRegisterAll)
    uint64_t simulationRefreshes = 0; // writes of the system-alarm simulation
};

class AlarmChanges : public QObject {
    Q_OBJECT
public:
    // The text a sender puts into the main window's refresh message (copy-data
    // code 0) when it has stored its change and rebuilt the schedule itself: the
    // window then reloads its list without rebuilding the schedule again.
    static constexpr const char16_t* kRefreshAfterRebuild = u"rebuilt";
    // When this environment variable is set (to anything), the programs write a
    // line of their trace counts (TraceLine) after each change and refresh.
    static constexpr const char* kTraceVariable = "DAWNBELL_CHANGE_TRACE";

    // The process's one instance, made on first use and kept to the end.
    static AlarmChanges& Instance();
    // The counts of this process, for the model's own parts to increment.
    static AlarmChangeTrace& Trace();
    // True when kTraceVariable is set.
    static bool TraceWanted();
    // "change trace (EVENT): loads=L saves=S rebuilds=R simulation=M": the work
    // done since the previous TraceLine of this process (since its start for the
    // first), so each line tells what one event cost.
    static QString TraceLine(const QString& event);
    // True when the setting simulateSystemAlarm asks for the system-alarm
    // simulation (the subscribers of `changed` check it before refreshing).
    static bool SimulationWanted();

    // What the checks of a new or edited alarm find.
    enum class Verdict {
        Ok,              // it may be stored
        Clash,           // another alarm rings at that time ("An alarm at that time already exists!")
        PastAppointment, // an appointment whose moment is not ahead ("The time of the alarm is in the past!")
    };
    // Checks `candidate` against `alarms` (list order), `edited` (may be null)
    // being the alarm it replaces: the time clash of Scheduler::TimeClash, then,
    // for an appointment that is to be switched on, whether its moment is ahead.
    template <typename Container>
    static Verdict Check(const Alarm& candidate, const Alarm* edited, const Container& alarms, bool switchOn)
    {
        if (Scheduler::TimeClash(candidate, edited, alarms))
            return Verdict::Clash;
        return switchOn && !AppointmentAhead(candidate) ? Verdict::PastAppointment : Verdict::Ok;
    }

    // Runs `writes` (saves and deletions of sections; nothing that waits for a
    // user) in one write transaction, flushed once, then rebuilds the schedule
    // once and announces `keys` (stored, then changed). Inside an outer write
    // batch the transaction and its flush join that batch. False when the store
    // refused the transaction: nothing of it was applied, nothing is announced,
    // and the schedule is still rebuilt from what is stored.
    bool Commit(const QStringList& keys, const std::function<void()>& writes);

    // Switches `alarm` on (Alarm::SetActivated) and commits it. An appointment
    // whose moment is not ahead is refused: nothing is written and the result is
    // false (the caller tells "The time of the alarm is in the past!").
    bool Activate(Alarm* alarm);
    // Switches `alarm` off and commits it. False when the store refused it.
    bool Deactivate(Alarm* alarm);
    // Commits `alarm` as it is (its activation included). False when refused.
    bool Store(Alarm* alarm);
    // Switches `alarm` off and deletes its section, in one commit (the alarm is
    // removed, or taken out of the store for its edit). False when refused.
    bool Withdraw(Alarm* alarm);

    // What AfterRinging did with the alarm.
    enum RangResult {
        RangKept,    // still stored (on again for its next occurrence when it repeats)
        RangDeleted, // an appointment: its section is gone; drop it from the list
    };
    // After `alarm` rang (or its command ran, or its time was missed), in one
    // commit: an appointment's section is deleted; a repeating alarm that
    // `wasActive` when it began to ring stays on, scheduled for its next
    // occurrence; any other alarm is switched off (a stale notification or a
    // manual start never switches an alarm on). The store never holds a
    // repeating alarm switched off in between, so a crash at any step leaves it
    // on, and the next rebuild schedules it.
    RangResult AfterRinging(Alarm* alarm, bool wasActive = true);

    // Called by Scheduler::ReRegisterAll when it has rebuilt the schedule;
    // `missedRecorded`: it recorded alarms as missed (and may have switched
    // one-time ones off in the store). Emits scheduleRebuilt, then missedRecorded.
    void NoteRebuilt(bool missedRecorded);

signals:
    // `keys` were written in one committed transaction; the schedule is not
    // rebuilt yet.
    void stored(const QStringList& keys);
    // A committed change of `keys` is stored and scheduled: holders of a list
    // bring it up to date (the committing window's list holds it already) and
    // refresh the system-alarm simulation when SimulationWanted.
    void changed(const QStringList& keys);
    // The schedule was rebuilt (after a change, or on its own: start-up,
    // "reinit", the refresh message); the program resets the idle timer.
    void scheduleRebuilt();
    // A rebuild recorded alarms as missed: the program tells its user, and a
    // holder of a list reloads it (one-time alarms may have been switched off).
    void missedRecorded();

private:
    // Only Instance makes one.
    AlarmChanges() = default;
    // True unless `alarm` is an appointment whose moment is not after now.
    static bool AppointmentAhead(const Alarm& alarm);
};

} // namespace dawnbell
