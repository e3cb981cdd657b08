#include "TodaySchedule.h"

#include "Notify.h"
#include "Registry.h"
#include "TodayAlarm.h"

#include <set>
#include <vector>

namespace dawnbell::today {

namespace {

// Why a rebuild finds an alarm missed (as the program's rebuild says it).
const char* const kNotStartedReason =
    "the notification service did not start it at its time (it was not running, or the device was off or "
    "asleep without the wake capability)";

} // namespace

void ReRegisterAll(const std::string& programPath)
{
    notify::NotifyBatch batch;
    const int64_t now = clock::Now();
    std::vector<TodayAlarm> alarms;
    const bool read = ReadAlarms(now, &alarms);
    std::set<std::string> activeKeys;
    for (const TodayAlarm& a : alarms) {
        if (a.activated != 0)
            activeKeys.insert(a.Key());
    }
    // As the program's rebuild: a record the service has not started yet stays
    // while it is not long overdue; one overdue longer never rang and is
    // recorded as missed, and a missed one-time alarm or appointment is switched
    // off instead of being scheduled again.
    const int64_t realNow = clock::RealNow();
    std::vector<notify::NotifyRecord> missed;
    notify::NotifyClearForRebuild("DAWNBELL", realNow, activeKeys, &missed);
    std::set<std::string> switchOff;
    for (const notify::NotifyRecord& r : missed) {
        notify::MissedAlarm m;
        m.application = r.trigger.application;
        m.arguments = r.trigger.arguments;
        m.due = r.trigger.start;
        m.due.milliseconds = 0;
        m.noticed = realNow;
        m.reason = kNotStartedReason;
        for (const TodayAlarm& a : alarms) {
            if (a.Key() != r.trigger.arguments)
                continue;
            m.title = Utf16ToUtf8(a.title);
            if (a.activated != 0 && (a.IsAppointment() || (a.days & 0x7F) == 0))
                switchOff.insert(a.section);
        }
        notify::NotifyRecordMissed(m, nullptr);
    }
    if (!read)
        return;
    for (const TodayAlarm& a : alarms) {
        if (a.activated == 0)
            continue;
        if (switchOff.count(a.section) != 0) {
            RegKey section;
            if (RegKey::Open(Hive::CurrentUser, std::string(kProgramKey) + "\\" + a.section, &section) == RegOk)
                section.WriteDword("activated", 0);
            continue;
        }
        notify::NotifyTrigger trigger;
        trigger.size = notify::kNotifyTriggerSize;
        trigger.kind = notify::NotifyKindTime;
        trigger.event = 0;
        trigger.application = programPath;
        trigger.arguments = a.Key();
        trigger.start = clock::ToLocal(NextOccurrence(a, now));
        trigger.end = trigger.start;
        notify::NotifySetTime(trigger);
    }
    if (!switchOff.empty())
        RegFlush(Hive::CurrentUser);
    // A full rebuild: it answers the service's notes of a damaged store set aside.
    notify::NotifyScheduleRebuilt(nullptr);
}

} // namespace dawnbell::today
