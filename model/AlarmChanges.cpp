#include "AlarmChanges.h"

#include "AlarmStore.h"
#include "Clock.h"
#include "NextRinging.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"

namespace dawnbell {

namespace {

// The counts at the previous TraceLine, so each line tells one event's work.
AlarmChangeTrace& TracedBefore()
{
    static AlarmChangeTrace before;
    return before;
}

} // namespace

AlarmChanges& AlarmChanges::Instance()
{
    // Never destroyed: subscribers may still disconnect while the process ends.
    static AlarmChanges* const instance = new AlarmChanges;
    return *instance;
}

AlarmChangeTrace& AlarmChanges::Trace()
{
    static AlarmChangeTrace trace;
    return trace;
}

bool AlarmChanges::TraceWanted()
{
    return qEnvironmentVariableIsSet(kTraceVariable);
}

QString AlarmChanges::TraceLine(const QString& event)
{
    const AlarmChangeTrace& now = Trace();
    AlarmChangeTrace& before = TracedBefore();
    const QString line = QStringLiteral("change trace (%1): loads=%2 saves=%3 rebuilds=%4 simulation=%5")
                             .arg(event)
                             .arg(now.loads - before.loads)
                             .arg(now.saves - before.saves)
                             .arg(now.rebuilds - before.rebuilds)
                             .arg(now.simulationRefreshes - before.simulationRefreshes);
    before = now;
    return line;
}

bool AlarmChanges::SimulationWanted()
{
    return Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("simulateSystemAlarm"), 0) == 1;
}

bool AlarmChanges::AppointmentAhead(const Alarm& alarm)
{
    if (alarm.type != AlarmAppointment)
        return true;
    const int64_t moment =
        MomentOn(CalendarDate{alarm.dateYear, alarm.dateMonth, alarm.dateDay}, alarm.GetSecondsOfDay());
    return moment > clock::Now();
}

bool AlarmChanges::Commit(const QStringList& keys, const std::function<void()>& writes)
{
    bool committed = false;
    {
        RegWriteBatch batch;
        writes();
        Profile::Flush(); // inside the batch: one flush, when the outermost batch has committed
        committed = batch.Commit() == RegOk;
    }
    ++Trace().commits;
    if (!committed)
        qWarning("A change of %s could not be stored: the store refused it, nothing of it was written.",
                 qPrintable(keys.join(QStringLiteral(", "))));
    else
        emit stored(keys);
    Scheduler::ReRegisterAll();
    if (committed)
        emit changed(keys);
    return committed;
}

bool AlarmChanges::Activate(Alarm* alarm)
{
    if (!alarm || !alarm->SetActivated(true))
        return false;
    return Store(alarm);
}

bool AlarmChanges::Deactivate(Alarm* alarm)
{
    if (!alarm)
        return false;
    alarm->SetActivated(false);
    return Store(alarm);
}

bool AlarmChanges::Store(Alarm* alarm)
{
    if (!alarm)
        return false;
    return Commit({alarm->GetKey()}, [alarm] { alarm->Save(); });
}

bool AlarmChanges::Withdraw(Alarm* alarm)
{
    if (!alarm)
        return false;
    alarm->SetActivated(false);
    bool deleted = false;
    const bool committed = Commit({alarm->GetKey()}, [alarm, &deleted] { deleted = AlarmStore::DeleteSection(*alarm); });
    return committed && deleted;
}

AlarmChanges::RangResult AlarmChanges::AfterRinging(Alarm* alarm, bool wasActive)
{
    if (!alarm)
        return RangKept;
    if (alarm->type == AlarmAppointment) {
        Withdraw(alarm);
        return RangDeleted;
    }
    // Off for good, or on again for the next occurrence: one stored state, never
    // an "off" in between that a crash could leave behind.
    alarm->SetActivated(wasActive && (alarm->repeatDays & 0x7F) != 0);
    Store(alarm);
    return RangKept;
}

void AlarmChanges::NoteRebuilt(bool missedRecorded)
{
    emit scheduleRebuilt();
    if (missedRecorded)
        emit this->missedRecorded();
}

} // namespace dawnbell
