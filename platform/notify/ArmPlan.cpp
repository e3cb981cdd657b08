#include "ArmPlan.h"

#include <algorithm>
#include <utility>

namespace dawnbell::notify {

ArmPlan PlanArming(const std::vector<PlanInput>& records, int64_t nowMs, const LocalToMoment& toMoment)
{
    ArmPlan plan;
    std::vector<std::pair<int64_t, uint32_t>> due;
    for (const PlanInput& r : records) {
        if (!r.valid) {
            plan.invalid.push_back(r.handle);
            continue;
        }
        const int64_t atMs = toMoment(r.start) * 1000 + r.start.milliseconds;
        if (atMs <= nowMs)
            due.emplace_back(atMs, r.handle);
        else if (!plan.nextMs || atMs < *plan.nextMs)
            plan.nextMs = atMs;
    }
    std::sort(due.begin(), due.end());
    plan.due.reserve(due.size());
    for (const auto& d : due)
        plan.due.push_back(d.second);
    return plan;
}

} // namespace dawnbell::notify
