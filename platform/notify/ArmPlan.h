#pragma once
// What the notification service does next, computed without any system call:
// which records are due now and when to wake for the next one. The service runs
// it after every wake-up (timer, store change, clock or time-zone change), so a
// changed clock or zone is handled by simply computing again.
#include "Clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace dawnbell::notify {

// One pending record as the planner sees it.
struct PlanInput {
    uint32_t handle = 0;
    clock::LocalTime start; // local broken-down start time
    bool valid = true;      // false: the record cannot ever fire
};

struct ArmPlan {
    std::vector<uint32_t> due;       // fire now, in order of start time, then handle
    std::vector<uint32_t> invalid;   // remove without firing
    std::optional<int64_t> nextMs;   // absolute wake-up, ms since the epoch; none = sleep
};

// Converts a local broken-down time to seconds since the epoch in the zone in
// force (clock::FromLocal in the service; tests inject other zones).
using LocalToMoment = std::function<int64_t(const clock::LocalTime&)>;

// Records whose start (converted now, plus its milliseconds) is at or before
// `nowMs` are due; the earliest later start is the next wake-up.
ArmPlan PlanArming(const std::vector<PlanInput>& records, int64_t nowMs, const LocalToMoment& toMoment);

} // namespace dawnbell::notify
