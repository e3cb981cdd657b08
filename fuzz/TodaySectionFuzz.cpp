// Subkey names as the today item reads them: any name must classify without a
// crash; an accepted alarm has a valid time of day and date, its next ringing is
// at most a week ahead (or on its own date), and its key reads back as itself.
#include "TodayAlarm.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace dawnbell;
    const std::string name(reinterpret_cast<const char*>(data), size);
    const int64_t now = 2123456789; // a fixed moment: 2037
    today::TodayAlarm a;
    if (!today::ParseAlarmSection(name, now, &a))
        return 0;
    if (a.SecondsOfDay() < 0 || a.SecondsOfDay() >= 86400 || a.days > 127)
        std::abort();
    if (a.year != 0 && (a.month < 1 || a.month > 12 || a.day < 1 || a.day > 31))
        std::abort();
    const int64_t next = today::NextOccurrence(a, now);
    if (!a.IsAppointment() && (next < now || next > now + 8 * 86400))
        std::abort();
    // Keys of one character (midnight with days 0-9) are not read as alarms.
    const std::string key = a.Key();
    today::TodayAlarm again;
    if (key.size() >= 2
        && (!today::ParseAlarmSection(key, now, &again) || again.SecondsOfDay() != a.SecondsOfDay()
            || again.days != a.days))
        std::abort();
    return 0;
}
