#pragma once
// The order in which alarms are listed, and the questions asked of a list in that
// order. The main window's list control and dawnbell-alarm share these rules, so
// a script sees the alarms in the order the window shows them.
//
// A list holds alarms it does not own, in list order. An alarm's place is fixed
// when it is inserted: it moves only when it is removed and inserted again.
#include "Alarm.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dawnbell {

class AlarmList {
public:
    // Where `alarm` is inserted among `rows`: before the first row that is
    // inactive while the alarm is active, or that has the same activation and a
    // strictly longer remaining time (GetTimeToNext); otherwise at the end. So
    // active alarms come first, each group ordered by time to ring, and an alarm
    // with the same remaining time as existing rows goes after them.
    // Every alarm's remaining time is computed once per call, all at one moment.
    static size_t InsertionIndex(const std::vector<Alarm*>& rows, Alarm* alarm);

    // Puts `alarms` into the order that inserting them one after the other, in
    // the given order, into an empty list gives (a stable sort by the rule above,
    // each remaining time computed once).
    static void SortIntoListOrder(std::vector<Alarm*>* alarms);

    // The active alarm that rings soonest: the smallest remaining time, the first
    // in list order on a tie. An alarm whose remaining time is 0 or less (ringing
    // now, or an appointment whose moment has passed) is not ahead. Null when none.
    static Alarm* NextAlarm(const std::vector<Alarm*>& rows);

    // A remaining time as the status line writes it: total hours (not wrapped into
    // days), two-digit minutes and seconds ("50:00:00", "31:05:09"); negative
    // input counts as 0.
    static QString FormatRemaining(int64_t seconds);

    // The first alarm in list order whose key (GetKey) is `key`; null when none.
    static Alarm* FindByKey(const std::vector<Alarm*>& rows, const QString& key);

    // Inserts `alarm` at InsertionIndex and returns the index.
    size_t InsertSorted(Alarm* alarm);
    // The alarms in list order.
    const std::vector<Alarm*>& Items() const { return items_; }
    size_t Count() const { return items_.size(); }

private:
    std::vector<Alarm*> items_; // not owned, in list order
};

} // namespace dawnbell
