#include "Clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace dawnbell::clock {

namespace {

std::mutex g_mutex;
std::optional<int64_t> g_fixed;

} // namespace

int64_t RealNow()
{
    return static_cast<int64_t>(std::time(nullptr));
}

void SetNowForTesting(std::optional<int64_t> moment)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_fixed = moment;
}

int64_t Now()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_fixed)
            return *g_fixed;
    }
    if (const char* env = std::getenv("DAWNBELL_NOW"); env && *env) {
        if (auto parsed = ParseLocal(env))
            return *parsed;
    }
    return RealNow();
}

LocalTime ToLocal(int64_t moment)
{
    const time_t t = static_cast<time_t>(moment);
    struct tm tm {};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.dayOfWeek = tm.tm_wday;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.milliseconds = 0;
    return lt;
}

int64_t MakeLocal(int year, int month, int day, int hour, int minute, int second)
{
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&tm));
}

int64_t FromLocal(const LocalTime& t)
{
    return MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

int64_t AddDays(int64_t moment, int days)
{
    const LocalTime lt = ToLocal(moment);
    return MakeLocal(lt.year, lt.month, lt.day + days, lt.hour, lt.minute, lt.second);
}

int WeekdayMondayFirst(int64_t moment)
{
    return (ToLocal(moment).dayOfWeek + 6) % 7;
}

std::optional<int64_t> ParseLocal(const char* text)
{
    if (!text)
        return std::nullopt;
    int y, mo, d, h, mi, s;
    char sep;
    int consumed = 0;
    if (std::sscanf(text, "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s, &consumed) != 7)
        return std::nullopt;
    if (text[consumed] != '\0' || (sep != 'T' && sep != ' '))
        return std::nullopt;
    if (y < 1601 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0
        || mi > 59 || s < 0 || s > 59)
        return std::nullopt;
    return MakeLocal(y, mo, d, h, mi, s);
}

} // namespace dawnbell::clock
