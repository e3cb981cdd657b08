#pragma once
// The one calculation of the day on which a time of day rings next. The alarm
// record (its list column and sorting), the schedule rebuild (the service's
// records) and the today item's list all ask it, so they never disagree.
#include "Clock.h"

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

// The moment an alarm rings next, seen at `now`: an appointment (`appointmentDate`
// given) at `secondsOfDay` on its own date, even when that has passed; any other
// alarm at `secondsOfDay` on NextRingingDate(secondsOfDay, repeatDays, now). The
// alarm record's list order and the today item's both ask this.
int64_t NextRingingMoment(int secondsOfDay, int repeatDays, const CalendarDate* appointmentDate, int64_t now);

// The same two questions for many alarms seen at one moment `now` (a listing, a
// rebuild of the schedule): the dates of the week ahead are worked out once and
// each date's local midnight once (clock::LocalDays), so an alarm costs a few
// integer steps instead of several calendar conversions. The answers are exactly
// NextRingingDate's and MomentOn's.
class NextRingingClock {
public:
    explicit NextRingingClock(int64_t now);

    int64_t now() const { return local_.now(); }
    // NextRingingDate(secondsOfDay, repeatDays, now()).
    CalendarDate NextDate(int secondsOfDay, int repeatDays) const;
    // MomentOn(date, secondsOfDay).
    int64_t MomentOn(const CalendarDate& date, int secondsOfDay) const;
    // NextRingingMoment(secondsOfDay, repeatDays, appointmentDate, now()).
    int64_t NextMoment(int secondsOfDay, int repeatDays, const CalendarDate* appointmentDate) const;

private:
    // The date `i` days after today (0-7), worked out on first use.
    const CalendarDate& DateAfter(int i) const;

    clock::LocalDays local_;
    CalendarDate today_;
    int weekday_; // of today, 0 = Monday
    mutable CalendarDate after_[8];
    mutable bool known_[8] = {};
};

// The clock of the moment `now`, kept for this thread until it is asked for
// another moment (or TZ changes): every question of one listing shares it.
const NextRingingClock& NextRingingClockAt(int64_t now);

} // namespace dawnbell
