#pragma once
// Alarms that did not ring at their time, as the program and its tools show
// them: the notification store's missed records (Notify.h) in Qt terms, and the
// wording of the notices in the user's language. Recording one also writes a
// line to the log of the process that noticed it.
//
// "Seen" means the user has looked at it: the main window's status line was
// tapped, or the missed-alarm message box was answered. "Told" means the desktop
// has been sent a notification of it; each missed alarm is told once.
#include "Notify.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace dawnbell {

class MissedAlarms {
public:
    // A start this many seconds after its due time no longer rings.
    static constexpr int64_t kLateAfterSeconds = notify::kMissedAfterSeconds;

    // One missed alarm.
    struct Entry {
        int64_t id = 0;      // grows with each record
        QString key;         // the alarm's key
        QString title;       // its title when known, else empty
        int64_t due = 0;     // when it should have rung (a moment)
        int64_t noticed = 0; // when it was found missed (a moment)
        QString reason;      // why it did not ring (English, one line)
        bool told = false;   // the desktop has been notified
        bool seen = false;   // the user has seen it
    };

    // Records that the alarm `key` of `program`, titled `title` (may be empty),
    // due at the moment `due`, did not ring, found at `noticed`, because of
    // `reason`. The same key and due time are recorded once; the first record
    // logs a warning. True when this call recorded it.
    static bool Record(const QString& program, const QString& key, const QString& title, int64_t due,
                       int64_t noticed, const QString& reason);
    // The missed alarms, newest first; `unseenOnly` leaves out those seen. Empty
    // when the store cannot be read.
    static QList<Entry> List(bool unseenOnly = false);
    // Marks the missed alarm `id` as seen, with every older one when `olderToo`.
    static void MarkSeen(int64_t id, bool olderToo);
    // Marks one missed alarm as told to the desktop.
    static void MarkTold(int64_t id);
    // True when a missed alarm has not been told to the desktop yet.
    static bool AnyUntold();
    // Sends a desktop notification (NoticeTitle, NoticeBody) for each missed
    // alarm not told yet, oldest first, and marks each one the desktop accepted
    // as told. Without a session bus or a notification service on it they stay
    // untold for a later start (one log line says why). Returns how many were told.
    static int TellDesktop();

    // Its title (when none was recorded, the title its alarm has now), or its
    // key when it has none.
    static QString Name(const Entry& e);
    // The due time as "HH:MM" when it lies on the local date of `now`, else
    // "YYYY-MM-DD HH:MM".
    static QString DueText(const Entry& e, int64_t now);
    // A delay in whole minutes: "25 min", "2 h 05 min" (negative counts as 0).
    static QString LateText(int64_t seconds);
    // The main window's status line for the unseen alarms `unseen` (newest
    // first): the newest one's name and due time, with their number when there
    // are several; empty when there are none.
    static QString StatusText(const QList<Entry>& unseen, int64_t now);
    // The headline of a notice: "Missed alarm: NAME".
    static QString NoticeTitle(const Entry& e);
    // The body of a notice: when it was due and how late it was noticed.
    static QString NoticeBody(const Entry& e, int64_t now);
};

} // namespace dawnbell
