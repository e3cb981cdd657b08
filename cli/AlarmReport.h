#pragma once
// What dawnbell-alarm prints about alarms and templates: aligned text for people
// (times, dates and day names as the program shows them in the user's language and
// locale) and JSON for scripts, whose shape is fixed and documented in the README:
// field names, English kind and day names, ISO dates and times, seconds.
#include "MissedAlarms.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace dawnbell {
class Alarm;
class AlarmTemplate;
}

namespace dawnbell::cli {

class AlarmReport {
public:
    // "compact", "wizard", "appointment", "command" or "unknown".
    static QString KindName(int type);
    // The next ringing of an active alarm (a moment), or nothing for an inactive
    // alarm and for one whose moment has passed.
    static std::optional<int64_t> NextRing(Alarm& alarm);

    // An alarm or template as JSON (see the README for the fields).
    static QJsonObject Json(Alarm& alarm);
    static QJsonObject Json(AlarmTemplate& alarmTemplate);

    // The rows of `list`: a header and one aligned line per alarm, in the given order.
    static QString Table(const std::vector<Alarm*>& alarms);
    // The rows of `list --templates`: a header and one line per template.
    static QString TemplateTable(const std::vector<AlarmTemplate*>& templates);
    // A missed alarm as JSON (see the README for the fields).
    static QJsonObject Json(const MissedAlarms::Entry& missed);
    // The missed alarms not seen yet (newest first): a line saying so, a header
    // and one line each with key, due time, delay and title; empty when none.
    static QString MissedTable(const QList<MissedAlarms::Entry>& unseen);
    // One alarm in full, one "Label: value" line per field.
    static QString Details(Alarm& alarm);
    // One line for an alarm: key, time and title, days or date.
    static QString Line(Alarm& alarm);
};

} // namespace dawnbell::cli
