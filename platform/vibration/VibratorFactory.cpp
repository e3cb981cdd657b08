// The one place that knows which vibrator back-ends exist and in which order
// they are tried.
#include "Vibrator.h"

#include "FeedbackdVibrator.h"
#include "ForceFeedbackVibrator.h"
#include "SysfsLedVibrator.h"

#include <cstdlib>

namespace dawnbell {

namespace {

std::string Root(const char* variable, const char* fallback)
{
    const char* v = std::getenv(variable);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

} // namespace

std::vector<std::unique_ptr<Vibrator>> FindVibrators()
{
    // The devices themselves where this user may drive them: every one found
    // vibrates together, as the notification LEDs did.
    std::vector<std::unique_ptr<Vibrator>> found = SysfsLedVibrator::FindAll(Root("DAWNBELL_SYSFS", "/sys"));
    for (std::unique_ptr<Vibrator>& v : ForceFeedbackVibrator::FindAll(Root("DAWNBELL_DEVINPUT", "/dev/input")))
        found.push_back(std::move(v));
    if (!found.empty())
        return found;
    // A phone whose motor belongs to its haptics service.
    if (std::unique_ptr<Vibrator> service = FeedbackdVibrator::Open())
        found.push_back(std::move(service));
    return found;
}

} // namespace dawnbell
