#include "Clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

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
        // Parsed once per text and zone: a listing asks for the time thousands of times.
        thread_local std::string parsedText, parsedZone;
        thread_local std::optional<int64_t> parsed;
        const char* tz = std::getenv("TZ");
        const char* zone = tz ? tz : "";
        if (parsedText != env || parsedZone != zone) {
            parsed = ParseLocal(env);
            parsedText = env;
            parsedZone = zone;
        }
        if (parsed)
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

namespace {

// mktime of the fields with the given daylight-saving flag; *exact tells whether
// the result shows the same (normalised) clock time with that flag.
int64_t MakeWithFlag(int year, int month, int day, int hour, int minute, int second, int isdst, bool* exact)
{
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = isdst;
    struct tm wanted = tm;
    wanted.tm_isdst = -1;
    timegm(&wanted); // normalises the fields (day 32, hour 24, ...) without a zone
    const time_t t = mktime(&tm);
    struct tm back {};
    localtime_r(&t, &back);
    *exact = back.tm_year == wanted.tm_year && back.tm_mon == wanted.tm_mon && back.tm_mday == wanted.tm_mday
        && back.tm_hour == wanted.tm_hour && back.tm_min == wanted.tm_min && back.tm_sec == wanted.tm_sec
        && (isdst < 0 || (back.tm_isdst > 0) == (isdst > 0));
    return static_cast<int64_t>(t);
}

} // namespace

int64_t MakeLocal(int year, int month, int day, int hour, int minute, int second)
{
    bool exact = false;
    const int64_t any = MakeWithFlag(year, month, day, hour, minute, second, -1, &exact);
    if (!exact)
        return any; // in the gap when clocks go forward: mktime's moment after it
    // A clock time that happens twice (when clocks go back) is its first moment,
    // whatever mktime guessed, so "02:30" means one moment every time it is asked.
    bool summer = false, winter = false;
    const int64_t inSummer = MakeWithFlag(year, month, day, hour, minute, second, 1, &summer);
    const int64_t inWinter = MakeWithFlag(year, month, day, hour, minute, second, 0, &winter);
    if (summer && winter)
        return inSummer < inWinter ? inSummer : inWinter;
    return any;
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

LocalDays::LocalDays(int64_t now) : now_(now), today_(ToLocal(now)) {}

int64_t LocalDays::MakeLocal(int year, int month, int day, int hour, int minute, int second) const
{
    // Dates as asked (a day past the month's end included: MakeLocal normalises
    // it the same way every time), clock times within one day.
    if (year < 1 || year > 99999 || month < 1 || month > 12 || day < 1 || day > 62 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return clock::MakeLocal(year, month, day, hour, minute, second);
    const int64_t key = (int64_t(year) * 100 + month) * 100 + day;
    auto it = days_.find(key);
    if (it == days_.end()) {
        Day d;
        d.midnight = clock::MakeLocal(year, month, day, 0, 0, 0);
        d.plain = clock::MakeLocal(year, month, day + 1, 0, 0, 0) - d.midnight == 86400;
        it = days_.emplace(key, d).first;
    }
    if (!it->second.plain)
        return clock::MakeLocal(year, month, day, hour, minute, second);
    return it->second.midnight + hour * 3600 + minute * 60 + second;
}

const LocalDays& LocalDaysAt(int64_t now)
{
    // One moment in one zone: a changed TZ (as tests set it) is a new table.
    thread_local std::optional<LocalDays> kept;
    thread_local std::string keptZone;
    const char* tz = std::getenv("TZ");
    const char* zone = tz ? tz : "";
    if (!kept || kept->now() != now || keptZone != zone) {
        kept.emplace(now);
        keptZone = zone;
    }
    return *kept;
}

} // namespace dawnbell::clock
