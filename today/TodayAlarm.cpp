#include "TodayAlarm.h"

#include "Registry.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace dawnbell::today {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The decimal number of `digits` (all digits, at most 10 of them); -1 otherwise.
int64_t Number(std::string_view digits)
{
    if (digits.empty() || digits.size() > 10)
        return -1;
    int64_t v = 0;
    for (char c : digits) {
        if (!IsDigit(c))
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The value of a whole plain section name: an optional sign and the leading
// digits, as the program reads it ("12x" is 12). -1 for a negative value or one
// beyond 32 bits.
int64_t LeadingNumber(std::string_view name)
{
    size_t i = 0;
    bool negative = false;
    if (i < name.size() && (name[i] == '-' || name[i] == '+'))
        negative = name[i++] == '-';
    int64_t v = 0;
    for (; i < name.size() && IsDigit(name[i]); ++i) {
        v = v * 10 + (name[i] - '0');
        if (v > INT32_MAX)
            return -1;
    }
    return negative && v != 0 ? -1 : v;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

clock::LocalTime AtTimeOfDay(const clock::LocalTime& date, int seconds)
{
    clock::LocalTime t = date;
    t.hour = seconds / 3600;
    t.minute = seconds % 3600 / 60;
    t.second = seconds % 60;
    t.milliseconds = 0;
    return t;
}

} // namespace

int64_t TodayAlarm::Moment() const
{
    return clock::MakeLocal(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

std::string TodayAlarm::Key() const
{
    char buf[48];
    if (IsAppointment())
        std::snprintf(buf, sizeof buf, "A%d%04d%02d%02d", SecondsOfDay(), int(year), int(month), int(day));
    else
        std::snprintf(buf, sizeof buf, "%d", int(days) + SecondsOfDay() * 128);
    return buf;
}

bool TodayAlarm::operator==(const TodayAlarm& o) const
{
    return activated == o.activated && type == o.type && days == o.days && title == o.title
        && time.year == o.time.year && time.month == o.time.month && time.day == o.time.day
        && time.hour == o.time.hour && time.minute == o.time.minute && time.second == o.time.second
        && year == o.year && month == o.month && day == o.day;
}

bool ParseAlarmSection(std::string_view name, int64_t now, TodayAlarm* out)
{
    if (EqualsIgnoreCase(name, "settings") || name.empty() || name[0] == 'T')
        return false;
    if (name.size() < 2 || !IsDigit(name[1]))
        return false;
    TodayAlarm a;
    a.section = std::string(name);
    const clock::LocalTime today = clock::ToLocal(now);
    int64_t seconds;
    if (name[0] == 'A') {
        // "A" + seconds + yyyymmdd.
        if (name.size() < 10)
            return false;
        seconds = Number(name.substr(1, name.size() - 9));
        const int64_t year = Number(name.substr(name.size() - 8, 4));
        const int64_t month = Number(name.substr(name.size() - 4, 2));
        const int64_t day = Number(name.substr(name.size() - 2, 2));
        if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(int(year), int(month)))
            return false;
        a.year = uint16_t(year);
        a.month = uint8_t(month);
        a.day = uint8_t(day);
        a.days = 0;
    } else {
        const int64_t k = LeadingNumber(name);
        if (k < 0)
            return false;
        seconds = k / 128;
        a.days = uint8_t(k % 128);
    }
    if (seconds < 0 || seconds >= 86400)
        return false;
    clock::LocalTime date = today;
    if (a.year != 0) {
        date.year = a.year;
        date.month = a.month;
        date.day = a.day;
    }
    a.time = AtTimeOfDay(date, int(seconds));
    const clock::LocalTime& t = a.time;
    a.time.dayOfWeek =
        clock::ToLocal(clock::LocalDaysAt(now).MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second))
            .dayOfWeek;
    *out = a;
    return true;
}

int64_t NextOccurrence(const TodayAlarm& alarm, int64_t now)
{
    // Every alarm of one refresh is asked at the same moment: the calendar work is shared.
    const clock::LocalDays& local = clock::LocalDaysAt(now);
    const clock::LocalTime& at = alarm.time;
    if (alarm.IsAppointment())
        return local.MakeLocal(at.year, at.month, at.day, at.hour, at.minute, at.second); // Moment()
    const clock::LocalTime& today = local.Today();
    const int s = alarm.SecondsOfDay();
    const int64_t t = local.MakeLocal(today.year, today.month, today.day, s / 3600, s % 3600 / 60, s % 60);
    // clock::AddDays(t, days): the same clock time `days` calendar days later.
    const auto addDays = [&](int days) {
        const clock::LocalTime lt = clock::ToLocal(t);
        return local.MakeLocal(lt.year, lt.month, lt.day + days, lt.hour, lt.minute, lt.second);
    };
    if (alarm.days != 0) {
        const int d = (today.dayOfWeek + 6) % 7; // Monday first
        if (t > now && (alarm.days >> d & 1))
            return t;
        for (int i = 1; i <= 7; ++i) {
            if (alarm.days >> ((d + i) % 7) & 1)
                return addDays(i);
        }
        return t; // not reached: some day bit is set
    }
    return t < now ? addDays(1) : t;
}

void SortBySoonest(std::vector<TodayAlarm>* alarms, int64_t now)
{
    // Each alarm's remaining time once, then a stable sort of the indices.
    std::vector<std::pair<int64_t, size_t>> order;
    order.reserve(alarms->size());
    for (size_t i = 0; i < alarms->size(); ++i)
        order.emplace_back(NextOccurrence((*alarms)[i], now) - now, i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TodayAlarm> sorted;
    sorted.reserve(alarms->size());
    for (const auto& o : order)
        sorted.push_back(std::move((*alarms)[o.second]));
    *alarms = std::move(sorted);
}

std::vector<TodayAlarm> AlarmsAsOf(const std::vector<TodayAlarm>& read, int64_t now)
{
    std::vector<TodayAlarm> alarms;
    alarms.reserve(read.size());
    for (const TodayAlarm& r : read) {
        TodayAlarm a;
        if (!ParseAlarmSection(r.section, now, &a))
            continue; // not reached: the name was an alarm's when it was read
        a.type = r.type;
        a.activated = r.activated;
        a.title = r.title;
        alarms.push_back(std::move(a));
    }
    SortBySoonest(&alarms, now);
    return alarms;
}

bool ReadAlarms(int64_t now, std::vector<TodayAlarm>* out)
{
    RegReadScope snapshot;
    RegKey root;
    if (RegKey::Open(Hive::CurrentUser, kProgramKey, &root) != RegOk)
        return false;
    uint32_t count = 0;
    root.QueryInfo(&count, nullptr);
    std::vector<TodayAlarm> alarms;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (root.EnumKey(i, &name) != RegOk || name.size() > kRegMaxKeyNameChars)
            continue;
        TodayAlarm a;
        if (!ParseAlarmSection(name, now, &a))
            continue;
        RegKey section;
        if (RegKey::Open(Hive::CurrentUser, root.path() + "\\" + name, &section) != RegOk)
            continue; // left out of the list
        uint32_t v = 0;
        a.type = section.ReadDword("type", &v) ? v : 0;
        a.activated = section.ReadDword("activated", &v) ? v : 0;
        std::u16string title;
        if (section.ReadString("title", &title))
            a.title = std::move(title);
        alarms.push_back(std::move(a));
    }
    SortBySoonest(&alarms, now);
    *out = std::move(alarms);
    return true;
}

} // namespace dawnbell::today
