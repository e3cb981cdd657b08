#include "NextRinging.h"

#include "Clock.h"

namespace dawnbell {

namespace {

CalendarDate DateOf(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    return CalendarDate{t.year, t.month, t.day};
}

// The date `days` calendar days after `date` (noon avoids every daylight-saving gap).
CalendarDate AddDays(const CalendarDate& date, int days)
{
    return DateOf(clock::MakeLocal(date.year, date.month, date.day + days, 12, 0, 0));
}

} // namespace

int64_t MomentOn(const CalendarDate& date, int secondsOfDay)
{
    return clock::MakeLocal(date.year, date.month, date.day, secondsOfDay / 3600, (secondsOfDay % 3600) / 60,
                            secondsOfDay % 60);
}

CalendarDate NextRingingDate(int secondsOfDay, int repeatDays, int64_t now)
{
    const CalendarDate today = DateOf(now);
    const int64_t t = MomentOn(today, secondsOfDay);
    const int days = repeatDays & 0x7F;
    if (days == 0)
        return t < now ? AddDays(today, 1) : today;
    const int weekday = clock::WeekdayMondayFirst(now);
    if (t > now && (days & (1 << weekday)))
        return today;
    const int twoWeeks = days + days * 128; // the mask doubled to 14 bits
    for (int i = 1; i <= 7; ++i) {
        if (twoWeeks & (1 << (weekday + i)))
            return AddDays(today, i);
    }
    return today; // not reached: some bit is set
}

} // namespace dawnbell
