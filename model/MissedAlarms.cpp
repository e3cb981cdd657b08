#include "MissedAlarms.h"

#include "Clock.h"
#include "DesktopNotification.h"
#include "Profile.h"
#include "TextFormat.h"

#include <vector>

namespace dawnbell {

namespace {

// Texts of the missed-alarm notices.
enum : int {
    kTextMissedOne = 206,     // "Missed: %s at %s"
    kTextMissedSeveral = 207, // "Missed: %s at %s (and %d more)"
    kTextNoticeTitle = 208,   // "Missed alarm: %s"
    kTextNoticeBody = 209,    // "It was due at %s and did not ring (noticed %s later)."
};

// Longest name shown in a notice (characters); a longer title is cut.
constexpr int kMaxNameChars = 200;

MissedAlarms::Entry FromRecord(const notify::MissedAlarm& m)
{
    MissedAlarms::Entry e;
    e.id = m.id;
    e.key = QString::fromStdString(m.arguments);
    e.title = QString::fromStdString(m.title);
    e.due = clock::FromLocal(m.due);
    e.noticed = m.noticed;
    e.reason = QString::fromStdString(m.reason);
    e.told = m.told;
    e.seen = m.seen;
    return e;
}

} // namespace

bool MissedAlarms::Record(const QString& program, const QString& key, const QString& title, int64_t due,
                          int64_t noticed, const QString& reason)
{
    notify::MissedAlarm m;
    m.application = program.toStdString();
    m.arguments = key.toStdString();
    m.due = clock::ToLocal(due);
    m.due.milliseconds = 0;
    m.noticed = noticed;
    m.title = title.toStdString();
    m.reason = reason.toStdString();
    bool added = false;
    const notify::NotifyResult rc = notify::NotifyRecordMissed(m, &added);
    const QString name = title.isEmpty() ? key : title;
    const QString when = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(m.due.year, 4, 10, QLatin1Char('0'))
                             .arg(m.due.month, 2, 10, QLatin1Char('0'))
                             .arg(m.due.day, 2, 10, QLatin1Char('0'))
                             .arg(m.due.hour, 2, 10, QLatin1Char('0'))
                             .arg(m.due.minute, 2, 10, QLatin1Char('0'))
                             .arg(m.due.second, 2, 10, QLatin1Char('0'));
    if (rc != notify::NotifyOk) {
        qWarning("Missed alarm \"%s\" (key %s), due %s, could not be recorded in the notification store: %s.",
                 qUtf8Printable(name), qUtf8Printable(key), qUtf8Printable(when), qUtf8Printable(reason));
        return false;
    }
    if (added)
        qWarning("Missed alarm \"%s\" (key %s), due %s: %s.", qUtf8Printable(name), qUtf8Printable(key),
                 qUtf8Printable(when), qUtf8Printable(reason));
    return added;
}

QList<MissedAlarms::Entry> MissedAlarms::List(bool unseenOnly)
{
    std::vector<notify::MissedAlarm> records;
    QList<Entry> out;
    if (notify::NotifyMissedAlarms(&records, unseenOnly) != notify::NotifyOk)
        return out;
    for (const notify::MissedAlarm& m : records)
        out.append(FromRecord(m));
    return out;
}

void MissedAlarms::MarkSeen(int64_t id, bool olderToo)
{
    if (notify::NotifyMarkMissedSeen(id, olderToo) != notify::NotifyOk)
        qWarning("Missed alarms could not be marked as seen in the notification store.");
}

void MissedAlarms::MarkTold(int64_t id)
{
    if (notify::NotifyMarkMissedTold(id) != notify::NotifyOk)
        qWarning("A missed alarm could not be marked as told in the notification store.");
}

bool MissedAlarms::AnyUntold()
{
    for (const Entry& e : List()) {
        if (!e.told)
            return true;
    }
    return false;
}

int MissedAlarms::TellDesktop()
{
    QList<Entry> untold;
    for (const Entry& e : List()) {
        if (!e.told)
            untold.prepend(e); // oldest first
    }
    const int64_t now = clock::Now();
    int told = 0;
    for (const Entry& e : untold) {
        QString error;
        if (!ShowDesktopNotification(NoticeTitle(e), NoticeBody(e, now), &error)) {
            qInfo("The desktop was not told of %lld missed alarm(s): %s; they are told at a later start.",
                  static_cast<long long>(untold.size() - told), qUtf8Printable(error));
            break;
        }
        MarkTold(e.id);
        qInfo("The desktop was told of the missed alarm \"%s\" (key %s).", qUtf8Printable(Name(e)),
              qUtf8Printable(e.key));
        ++told;
    }
    return told;
}

QString MissedAlarms::Name(const Entry& e)
{
    // The service records a failed start without the title: the alarm's as stored.
    QString name = e.title.simplified();
    if (name.isEmpty() && !e.key.isEmpty())
        name = Profile::ReadText(e.key, QStringLiteral("title"), QString()).simplified();
    if (name.isEmpty())
        return e.key;
    return name.size() > kMaxNameChars ? name.left(kMaxNameChars) + QChar(0x2026) : name;
}

QString MissedAlarms::DueText(const Entry& e, int64_t now)
{
    const clock::LocalTime due = clock::ToLocal(e.due);
    const clock::LocalTime today = clock::ToLocal(now);
    const QString time = QStringLiteral("%1:%2").arg(due.hour, 2, 10, QLatin1Char('0')).arg(due.minute, 2, 10,
                                                                                            QLatin1Char('0'));
    if (due.year == today.year && due.month == today.month && due.day == today.day)
        return time;
    return QStringLiteral("%1-%2-%3 ")
               .arg(due.year, 4, 10, QLatin1Char('0'))
               .arg(due.month, 2, 10, QLatin1Char('0'))
               .arg(due.day, 2, 10, QLatin1Char('0')) +
           time;
}

QString MissedAlarms::LateText(int64_t seconds)
{
    const int64_t minutes = seconds > 0 ? seconds / 60 : 0;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString MissedAlarms::StatusText(const QList<Entry>& unseen, int64_t now)
{
    if (unseen.isEmpty())
        return QString();
    const Entry& newest = unseen.first();
    if (unseen.size() == 1)
        return FormatTextId(kTextMissedOne, {Name(newest), DueText(newest, now)});
    return FormatTextId(kTextMissedSeveral, {Name(newest), DueText(newest, now), int(unseen.size() - 1)});
}

QString MissedAlarms::NoticeTitle(const Entry& e)
{
    return FormatTextId(kTextNoticeTitle, {Name(e)});
}

QString MissedAlarms::NoticeBody(const Entry& e, int64_t now)
{
    return FormatTextId(kTextNoticeBody, {DueText(e, now), LateText(e.noticed - e.due)});
}

} // namespace dawnbell
