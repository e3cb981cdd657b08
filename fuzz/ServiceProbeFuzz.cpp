// What the notification service's probes read from the system: any bytes as a
// /proc/PID/cgroup text, a capability record, the service's log, the sound
// server's answer and the kernel's list of sound cards. Nothing may crash, and
// every answer stays one line a user can be shown: a unit name ends in
// ".service" without a path, a clock is "CLOCK_" and capital letters, and no
// name carries a line break.
#include "ServiceProbe.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace dawnbell::notify;

namespace {

void OneLine(const std::string& text)
{
    if (text.find('\n') != std::string::npos || text.find('\r') != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string unit = UnitOfCgroup(input);
    if (!unit.empty() && (unit.size() <= 8 || unit.compare(unit.size() - 8, 8, ".service") != 0 ||
                          unit.find('/') != std::string::npos))
        std::abort();
    OneLine(unit);

    const WakeCapability cap = WakeCapabilityOfRecord(data, size);
    if ((cap.state == WakeCapability::Unknown) == cap.detail.empty())
        std::abort();

    const ArmedClock armed = LastArmedClockIn(input);
    if (!armed.clock.empty()) {
        if (armed.clock.compare(0, 6, "CLOCK_") != 0 ||
            armed.clock.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") != std::string::npos || armed.when.size() != 29)
            std::abort();
        OneLine(armed.when);
    }

    for (const SoundOutput& out : {SoundServerOf(input), FirstSoundCardIn(input)}) {
        OneLine(out.name);
        if (out.name.empty())
            std::abort();
    }
    return 0;
}
