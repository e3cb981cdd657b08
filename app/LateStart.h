#pragma once
// A start for an alarm that comes long after the alarm's time. The notification
// service names the moment each start was due in the environment variable
// DAWNBELL_DUE (local time, "YYYY-MM-DDTHH:MM:SS"). When the program starts for an
// alarm more than MissedAlarms::kLateAfterSeconds after that (the device was off
// or asleep without the wake capability, the service was stopped), it does not
// ring: the alarm is recorded as missed and told instead (the log, a desktop
// notification, a message box where someone can answer one), and it takes the
// after-ringing path, so a repeating alarm keeps its next occurrence and a
// one-time alarm is switched off (shown as missed, never moved to tomorrow).
// Starts without DAWNBELL_DUE (by hand, "test KEY", a snooze wake-up) are never
// late.
#include "CommandLine.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace dawnbell {

class LateStart {
public:
    static constexpr const char* kDueVariable = "DAWNBELL_DUE";

    // Takes the due moment from DAWNBELL_DUE and removes the variable, so that
    // nothing this program starts inherits it. Nothing when it is not set; a
    // value that is not a valid local time is logged and ignored.
    static std::optional<int64_t> TakeDue();

    // True when the classified command line `command` asks to ring an alarm (an
    // alarm key, not a verb) and `now` lies more than
    // MissedAlarms::kLateAfterSeconds after `due`.
    static bool IsLate(const CommandLine::Parsed& command, std::optional<int64_t> due, int64_t now);

    // Handles a late start for the alarm `key`, due at `due`, in place of the
    // whole program: records and tells the missed alarm, takes the after-ringing
    // path on the alarm as stored, and has a running main window reload. A message
    // box tells the user where a display (not the offscreen platform) is, or when
    // DAWNBELL_AUTO_ANSWER answers boxes; an answered box marks the alarm seen.
    // `display` says whether a window system can be reached. Returns the exit
    // status.
    static int Run(int& argc, char** argv, const QString& key, int64_t due, bool display);
};

} // namespace dawnbell
