#include "TodaySchedule.h"

#include "Notify.h"
#include "Registry.h"
#include "TodayAlarm.h"

#include <vector>

namespace dawnbell::today {

namespace {

std::string Upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return s;
}

void ClearProgramNotifications()
{
    std::vector<uint32_t> handles;
    for (int attempt = 0; attempt < 8; ++attempt) {
        uint32_t count = 0;
        notify::NotifyResult r = notify::NotifyGetHandles(nullptr, 0, &count);
        if (r != notify::NotifyOk && r != notify::NotifyMoreData)
            return;
        handles.resize(count);
        r = notify::NotifyGetHandles(handles.data(), count, &count);
        if (r == notify::NotifyOk) {
            handles.resize(count);
            break;
        }
        if (r != notify::NotifyMoreData)
            return;
    }
    for (uint32_t handle : handles) {
        notify::NotifyRecord record;
        if (notify::NotifyGetRecord(handle, &record) != notify::NotifyOk)
            continue;
        if (Upper(record.trigger.application).find("DAWNBELL") != std::string::npos)
            notify::NotifyClear(handle);
    }
}

} // namespace

void ReRegisterAll(const std::string& programPath)
{
    notify::NotifyBatch batch;
    ClearProgramNotifications();

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
}

} // namespace dawnbell::today
