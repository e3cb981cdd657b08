#include "AlarmReport.h"

#include "Alarm.h"
#include "AlarmField.h"
#include "AlarmList.h"
#include "Clock.h"
#include "Locale.h"
#include "ToolArguments.h"

#include <QJsonArray>
#include <QLocale>
#include <QTime>

namespace dawnbell::cli {

namespace {

// "HH:MM:SS" of a number of seconds of the day.
QString TimeOfDay(int seconds)
{
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
}

// ISO local date and time of a moment, "YYYY-MM-DDTHH:MM:SS".
QString IsoMoment(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// A moment's time of day in the user's format: without seconds when they are
// zero, with them otherwise, so 06:45:30 never reads as 06:45.
QString ClockTime(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    if (t.second == 0)
        return FormatTimeNoSeconds(moment);
    return QLocale::system().toString(QTime(t.hour, t.minute, t.second), PictureToQtFormat(LocaleTimeFormat()));
}

// A text on one line: line breaks become blanks.
QString OneLine(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return s;
}

// The date and time of a moment in the user's short formats.
QString LocalMoment(int64_t moment)
{
    return FormatShortDate(moment) + QLatin1Char(' ') + ClockTime(moment);
}

// Repeat days, or an appointment's date, as the alarm list shows them.
QString DaysOrDate(Alarm& alarm)
{
    alarm.UpdateTime(); // an appointment's moment carries its date
    return alarm.GetDaysText();
}

// Rows of cells as left-aligned columns two blanks apart; the last column is not padded.
QString Columns(const std::vector<QStringList>& rows)
{
    std::vector<int> widths;
    for (const QStringList& row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (static_cast<int>(widths.size()) <= i)
                widths.push_back(0);
            widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
        }
    }
    QString out;
    for (const QStringList& row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i) {
            if (i + 1 < row.size())
                line += row[i].leftJustified(widths[i]) + QLatin1String("  ");
            else
                line += row[i];
        }
        // Only the end is trimmed: a row whose first cell is empty (the second and
        // later sounds of a playlist) keeps its place under the column.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out += line + QLatin1Char('\n');
    }
    return out;
}

// A stored value as JSON: a text, the playlist's paths, true or false, or a number
// (null or 0 while a switched value is off).
QJsonValue ValueJson(const ToolField& f, const Alarm& alarm)
{
    switch (f.form) {
    case ToolForm::Text:
    case ToolForm::Command:
        return f.Field().TextOf(alarm);
    case ToolForm::Playlist:
        return QJsonArray::fromStringList(alarm.GetPlaylist());
    case ToolForm::Flag:
        return f.Field().Number(alarm) != 0;
    default:
        break;
    }
    if (const std::optional<int64_t> v = f.Shown(alarm))
        return static_cast<qint64>(*v);
    return f.nullWhenOff ? QJsonValue() : QJsonValue(0);
}

// A stored value as "show" and "list" print it: a text on one line (a command as
// stored), the first sound or "none", yes or no, a number in its words.
QString ValueText(const ToolField& f, const Alarm& alarm)
{
    switch (f.form) {
    case ToolForm::Text:
        return OneLine(f.Field().TextOf(alarm));
    case ToolForm::Command:
        return f.Field().TextOf(alarm);
    case ToolForm::Playlist:
        return alarm.playlist.isEmpty() ? QStringLiteral("none") : alarm.playlist.first();
    case ToolForm::Flag:
        return f.Field().Number(alarm) != 0 ? QStringLiteral("yes") : QStringLiteral("no");
    default:
        break;
    }
    const std::optional<int64_t> v = f.Shown(alarm);
    if (!v || (f.form == ToolForm::Number && *v == 0 && f.offText))
        return QLatin1String(f.offText);
    return QString(QLatin1String(f.shown)).arg(static_cast<qint64>(*v));
}

// Appends the headers of the stored values that have a column in "list" (and
// "list --templates"), in the tool's order, after the tool's own columns.
void AddValueColumns(QStringList* header)
{
    for (const ToolField& f : ToolFields()) {
        if (f.listColumn)
            *header << QLatin1String(f.listColumn);
    }
}

// Appends an alarm's cells under those headers.
void AddValueCells(const Alarm& alarm, QStringList* row)
{
    for (const ToolField& f : ToolFields()) {
        if (f.listColumn)
            *row << ValueText(f, alarm);
    }
}

// The fields alarms and templates share.
QJsonObject CommonJson(Alarm& alarm)
{
    QJsonObject o;
    o[QStringLiteral("key")] = alarm.GetKey();
    o[QStringLiteral("kind")] = AlarmReport::KindName(alarm.type);
    o[QStringLiteral("time")] = TimeOfDay(alarm.GetSecondsOfDay());
    QJsonArray days;
    if (alarm.type != AlarmAppointment) {
        for (int d = 0; d < 7; ++d) {
            if (alarm.repeatDays & (1 << d))
                days.append(ToolArguments::EnglishDay(d));
        }
    }
    o[QStringLiteral("days")] = days;
    o[QStringLiteral("date")] = alarm.type == AlarmAppointment
        ? QJsonValue(QString::asprintf("%04d-%02d-%02d", alarm.dateYear, alarm.dateMonth, alarm.dateDay))
        : QJsonValue();
    for (const ToolField& f : ToolFields())
        o[QLatin1String(f.json)] = ValueJson(f, alarm);
    return o;
}

} // namespace

QString AlarmReport::KindName(int type)
{
    switch (type) {
    case AlarmCompact:
        return QStringLiteral("compact");
    case AlarmWizard:
        return QStringLiteral("wizard");
    case AlarmAppointment:
        return QStringLiteral("appointment");
    case AlarmCommand:
        return QStringLiteral("command");
    default:
        return QStringLiteral("unknown");
    }
}

std::optional<int64_t> AlarmReport::NextRing(Alarm& alarm)
{
    if (!alarm.activated)
        return std::nullopt;
    const int64_t remaining = alarm.GetTimeToNext();
    if (remaining <= 0)
        return std::nullopt;
    return clock::Now() + remaining;
}

QJsonObject AlarmReport::Json(Alarm& alarm)
{
    QJsonObject o = CommonJson(alarm);
    o[QStringLiteral("active")] = alarm.activated != 0;
    const std::optional<int64_t> next = NextRing(alarm);
    o[QStringLiteral("next")] = next ? QJsonValue(IsoMoment(*next)) : QJsonValue();
    o[QStringLiteral("remaining_seconds")] =
        next ? QJsonValue(static_cast<qint64>(*next - clock::Now())) : QJsonValue();
    return o;
}

QJsonObject AlarmReport::Json(AlarmTemplate& alarmTemplate)
{
    QJsonObject o = CommonJson(alarmTemplate);
    o[QStringLiteral("name")] = alarmTemplate.name;
    return o;
}

QString AlarmReport::Table(const std::vector<Alarm*>& alarms)
{
    std::vector<QStringList> rows;
    QStringList header{QStringLiteral("KEY"),          QStringLiteral("KIND"),      QStringLiteral("ON"),
                       QStringLiteral("TIME"),         QStringLiteral("DAYS OR DATE"), QStringLiteral("NEXT RING"),
                       QStringLiteral("IN")};
    AddValueColumns(&header);
    rows.push_back(header);
    for (Alarm* a : alarms) {
        const std::optional<int64_t> next = NextRing(*a);
        QStringList row{a->GetKey(), KindName(a->type), a->activated ? QStringLiteral("on") : QStringLiteral("off"),
                        ClockTime(a->alarmTime), DaysOrDate(*a),
                        next ? LocalMoment(*next) : QStringLiteral("-"),
                        next ? AlarmList::FormatRemaining(*next - clock::Now()) : QStringLiteral("-")};
        AddValueCells(*a, &row);
        rows.push_back(row);
    }
    return Columns(rows);
}

QJsonObject AlarmReport::Json(const MissedAlarms::Entry& missed)
{
    QJsonObject o;
    o[QStringLiteral("key")] = missed.key;
    o[QStringLiteral("title")] = missed.title;
    o[QStringLiteral("due")] = IsoMoment(missed.due);
    o[QStringLiteral("noticed")] = IsoMoment(missed.noticed);
    o[QStringLiteral("late_seconds")] = static_cast<qint64>(missed.noticed - missed.due);
    o[QStringLiteral("reason")] = missed.reason;
    o[QStringLiteral("seen")] = missed.seen;
    o[QStringLiteral("told")] = missed.told;
    return o;
}

QString AlarmReport::MissedTable(const QList<MissedAlarms::Entry>& unseen)
{
    if (unseen.isEmpty())
        return QString();
    std::vector<QStringList> rows;
    rows.push_back({QStringLiteral("KEY"), QStringLiteral("MISSED AT"), QStringLiteral("LATE BY"),
                    QStringLiteral("TITLE")});
    for (const MissedAlarms::Entry& e : unseen)
        rows.push_back({e.key, LocalMoment(e.due), MissedAlarms::LateText(e.noticed - e.due), MissedAlarms::Name(e)});
    return QStringLiteral("Missed alarms, not seen in Dawnbell yet (their time passed without a ringing):\n") +
           Columns(rows);
}

QString AlarmReport::TemplateTable(const std::vector<AlarmTemplate*>& templates)
{
    std::vector<QStringList> rows;
    QStringList header{QStringLiteral("TEMPLATE"), QStringLiteral("KIND"), QStringLiteral("TIME"),
                       QStringLiteral("DAYS")};
    AddValueColumns(&header);
    rows.push_back(header);
    for (AlarmTemplate* t : templates) {
        QStringList row{OneLine(t->name), KindName(t->type), ClockTime(t->alarmTime),
                        t->type == AlarmAppointment ? QString() : t->GetDaysText()};
        AddValueCells(*t, &row);
        rows.push_back(row);
    }
    return Columns(rows);
}

QString AlarmReport::Details(Alarm& alarm)
{
    std::vector<QStringList> rows;
    auto add = [&rows](const char* label, const QString& value) {
        rows.push_back({QLatin1String(label) + QLatin1Char(':'), value});
    };
    if (auto* t = dynamic_cast<AlarmTemplate*>(&alarm))
        add("Template", OneLine(t->name));
    else
        add("Key", alarm.GetKey());
    add("Kind", KindName(alarm.type));
    if (!dynamic_cast<AlarmTemplate*>(&alarm))
        add("Active", alarm.activated ? QStringLiteral("yes") : QStringLiteral("no"));
    add("Time", ClockTime(alarm.alarmTime));
    if (alarm.type == AlarmAppointment)
        add("Date", DaysOrDate(alarm));
    else
        add("Days", alarm.repeatDays ? alarm.GetDaysText() : QStringLiteral("once"));
    // The stored values that belong to the alarm's kind, in the tool's order; the
    // playlist's further sounds on lines of their own.
    for (const ToolField& f : ToolFields()) {
        if (!f.AppliesTo(alarm.type))
            continue;
        add(f.label, ValueText(f, alarm));
        if (f.form == ToolForm::Playlist) {
            for (int i = 1; i < alarm.playlist.size(); ++i)
                rows.push_back({QString(), alarm.playlist[i]});
        }
    }
    if (!dynamic_cast<AlarmTemplate*>(&alarm)) {
        const std::optional<int64_t> next = NextRing(alarm);
        const QString in = next ? AlarmList::FormatRemaining(*next - clock::Now()) : QString();
        add("Next ring", next ? LocalMoment(*next) + QStringLiteral(" (in ") + in + QLatin1Char(')')
                              : QStringLiteral("-"));
    }
    return Columns(rows);
}

QString AlarmReport::Line(Alarm& alarm)
{
    QString line = alarm.GetKey() + QLatin1String("  ") + OneLine(alarm.GetTimeText());
    const QString days = DaysOrDate(alarm);
    if (!days.isEmpty())
        line += QLatin1String("  ") + days;
    return line;
}

} // namespace dawnbell::cli
