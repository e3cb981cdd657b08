#pragma once
// The one calculation of the day on which a time of day rings next. The alarm
// record (its list column and sorting) and the schedule rebuild (the service's
// records) both ask it, so the list and the service never disagree.
#include <cstdint>

namespace dawnbell {

// A local calendar date.
struct CalendarDate {
    int year = 1970;
    int month = 1; // 1-12
    int day = 1;   // 1-31
};

// The date of the next ringing of `secondsOfDay` (0..86399) with `repeatDays`
// (bit 0 Monday ... bit 6 Sunday; 0 = once), seen at the moment `now`. Let t be
// today at that time of day:
//  - no repeat days: today when t is not earlier than now, else tomorrow;
//  - repeat days: today when t is later than now and today's bit is set; else the
//    first of the next seven days whose bit is set (with only today's bit and t
//    passed, the same weekday next week).
// Days are calendar days, so the clock time stays across daylight-saving changes.
CalendarDate NextRingingDate(int secondsOfDay, int repeatDays, int64_t now);

// The moment of `secondsOfDay` on `date` in local time.
int64_t MomentOn(const CalendarDate& date, int secondsOfDay);

} // namespace dawnbell
