#include "TodaySchedule.h"

#include "Notify.h"
#include "Registry.h"
#include "TodayAlarm.h"

#include <vector>

namespace dawnbell::today {

void ReRegisterAll(const std::string& programPath)
{
    notify::NotifyBatch batch;
    notify::NotifyClearByApplication("DAWNBELL");

    const int64_t now = clock::Now();
    std::vector<TodayAlarm> alarms;
    if (!ReadAlarms(now, &alarms))
        return;
    for (const TodayAlarm& a : alarms) {
        if (a.activated == 0)
            continue;
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
    // A full rebuild: it answers the service's notes of a damaged store set aside.
    notify::NotifyScheduleRebuilt(nullptr);
}

} // namespace dawnbell::today
