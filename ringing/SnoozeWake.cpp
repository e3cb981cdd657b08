#include "SnoozeWake.h"

#include "Clock.h"
#include "Notify.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace dawnbell {

SnoozeWake::SnoozeWake(std::string program) : program_(std::move(program)) {}

SnoozeWake::~SnoozeWake() { Withdraw(); }

bool SnoozeWake::SetAt(int64_t at)
{
    Withdraw();
    notify::NotifyTrigger trigger;
    trigger.event = notify::kNotifyEventResume; // an alarm change's rebuild keeps it
    trigger.application = program_;
    trigger.arguments.clear();
    trigger.start = clock::ToLocal(at);
    trigger.end = trigger.start;
    handle_ = notify::NotifySetTime(trigger);
    return handle_ != 0;
}

uint32_t SnoozeWake::StartAgainAt(int64_t at, const std::string& arguments) const
{
    notify::NotifyTrigger trigger;
    trigger.event = notify::kNotifyEventResume; // kept by a rebuild of the schedule
    trigger.application = program_;
    trigger.arguments = arguments;
    trigger.start = clock::ToLocal(at);
    trigger.end = trigger.start;
    return notify::NotifySetTime(trigger);
}

int SnoozeWake::ForSnooze(int snoozeSeconds)
{
    Withdraw();
    if (snoozeSeconds <= 2 * kLeadSeconds)
        return -1;
    SetAt(clock::Now() + snoozeSeconds - kLeadSeconds);
    const int64_t ms = static_cast<int64_t>(snoozeSeconds - 2 * kLeadSeconds) * 1000;
    return static_cast<int>(std::min<int64_t>(ms, INT_MAX));
}

void SnoozeWake::Withdraw()
{
    if (handle_ != 0) {
        notify::NotifyClear(handle_);
        handle_ = 0;
    }
}

} // namespace dawnbell
