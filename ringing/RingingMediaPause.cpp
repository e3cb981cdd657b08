#include "RingingMediaPause.h"

#include "Clock.h"
#include "MediaPlayers.h"

#include <QCoreApplication>

#include <algorithm>

namespace dawnbell {

namespace {

// Bus names as one line (the marker entry and the log): separated by blanks.
QString Joined(const QStringList& names) { return names.join(QLatin1Char(' ')); }

// Players named by a crashed ringing, waiting for the application object.
QStringList& Pending()
{
    static QStringList pending;
    return pending;
}

// Players a ringing snoozed without a display handed over, waiting in this
// process for that alarm to ring again. One alarm at a time: a later handover
// takes the earlier one's players along.
struct HandedOver {
    QString key;       // the alarm that rings again
    QStringList names; // its players, still paused
    int64_t until = 0; // when it rings again, seconds since the epoch
    bool held = false; // this process holds the marker part for them
};

HandedOver& Waiting()
{
    static HandedOver waiting;
    return waiting;
}

// Holds the marker part with the waiting players (anew: a held part keeps its
// first entries), or lets it go when none wait.
void HoldWaiting()
{
    HandedOver& w = Waiting();
    if (w.held)
        RestoreMarker::Release(QLatin1String(RingingMediaPause::kMarkerPart));
    w.held = !w.names.isEmpty();
    if (w.held)
        RestoreMarker::Hold(QLatin1String(RingingMediaPause::kMarkerPart),
                            {{QLatin1String(RingingMediaPause::kPlayersEntry), Joined(w.names)},
                             {QLatin1String(RingingMediaPause::kSnoozedEntry), w.key},
                             {QLatin1String(RingingMediaPause::kUntilEntry), QString::number(w.until)}});
}

// Adds `names` to the players waiting for the ringing of `key` at `until`.
void Wait(const QString& key, const QStringList& names, int64_t until)
{
    HandedOver& w = Waiting();
    w.key = key;
    w.until = until;
    for (const QString& name : names)
        if (!w.names.contains(name) && w.names.size() < MediaPlayers::kMaxPlayers)
            w.names << name;
    HoldWaiting();
}

// Resumes the players of `names` (from a marker) and logs what became of them.
void ResumeLeftOver(const QStringList& names)
{
    if (!MediaPlayers::SessionBusReachable()) {
        qWarning("Media players paused by an interrupted ringing cannot be resumed: no session bus (%s).",
                 qPrintable(Joined(names)));
        return;
    }
    const QStringList resumed = MediaPlayers::ResumePaused(names);
    qInfo("Media players paused by an interrupted ringing: %s; resumed: %s.", qPrintable(Joined(names)),
          resumed.isEmpty() ? "none" : qPrintable(Joined(resumed)));
}

// Runs in the constructor of the application object (and of any later one):
// resumes the pending players once, then lets the marker go.
void ResumePending()
{
    if (Pending().isEmpty())
        return;
    const QStringList names = Pending();
    Pending().clear();
    ResumeLeftOver(names);
    RestoreMarker::Release(QLatin1String(RingingMediaPause::kMarkerPart));
}

} // namespace

RingingMediaPause::~RingingMediaPause() { Resume(); }

void RingingMediaPause::Pause(const QString& alarmKey)
{
    // Players the snoozed ringing of this alarm left paused are this ringing's
    // now; the marker part passes from the waiting list to this ringing at once.
    if (!Waiting().names.isEmpty() && Waiting().key == alarmKey) {
        QStringList adopted;
        for (const QString& name : Waiting().names) {
            if (!paused_.contains(name)) {
                paused_ << name;
                adopted << name;
            }
        }
        Waiting().key.clear();
        Waiting().names.clear();
        Waiting().until = 0;
        HoldWaiting();
        qInfo("Media players paused before the snooze of %s stay paused for its ringing: %s.",
              qPrintable(alarmKey), qPrintable(Joined(adopted)));
        Mark();
    }
    if (!MediaPlayers::SessionBusReachable()) {
        static bool told = false;
        if (!told) {
            told = true;
            qInfo("No session bus: other media players are not paused while an alarm rings.");
        }
        return;
    }
    QStringList added;
    for (const QString& name : MediaPlayers::PausePlaying()) {
        if (!paused_.contains(name)) {
            paused_ << name;
            added << name;
        }
    }
    if (added.isEmpty())
        return;
    qInfo("Media players paused for the ringing: %s.", qPrintable(Joined(added)));
    Mark();
}

void RingingMediaPause::Resume()
{
    if (paused_.isEmpty())
        return;
    const QStringList resumed = MediaPlayers::ResumePaused(paused_);
    qInfo("Media players paused for the ringing: %s; resumed: %s.", qPrintable(Joined(paused_)),
          resumed.isEmpty() ? "none (stopped or played again meanwhile)" : qPrintable(Joined(resumed)));
    paused_.clear();
    Mark();
}

void RingingMediaPause::HandOver(const QString& alarmKey, int64_t ringsAgainAt)
{
    if (paused_.isEmpty())
        return;
    const QStringList names = paused_;
    paused_.clear();
    // This ringing's part goes first: a held part would keep its entries.
    Mark();
    Wait(alarmKey, names, ringsAgainAt);
    qInfo("Media players paused for the ringing stay paused over the snooze of %s: %s.", qPrintable(alarmKey),
          qPrintable(Joined(names)));
}

void RingingMediaPause::Mark()
{
    // The entries of a held part cannot change: release it and hold it anew.
    if (marked_)
        RestoreMarker::Release(QLatin1String(kMarkerPart));
    marked_ = !paused_.isEmpty();
    if (marked_)
        RestoreMarker::Hold(QLatin1String(kMarkerPart), {{QLatin1String(kPlayersEntry), Joined(paused_)}});
}

void RingingMediaPause::RestoreLeftOver(const RestoreMarker::Entries& entries)
{
    QStringList names;
    for (const QString& name :
         entries.value(QLatin1String(kPlayersEntry)).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (names.size() >= MediaPlayers::kMaxPlayers)
            break;
        if (MediaPlayers::IsPlayerName(name) && !names.contains(name))
            names << name;
    }
    if (names.isEmpty())
        return;
    // Handed over by a snooze without a display: they wait for that alarm's
    // ringing while it can still come.
    const QString key = entries.value(QLatin1String(kSnoozedEntry));
    bool timed = false;
    const int64_t until = entries.value(QLatin1String(kUntilEntry)).toLongLong(&timed);
    const bool keyReadable = !key.isEmpty() && key.size() <= kMaxKeyChars &&
                             std::none_of(key.cbegin(), key.cend(), [](QChar c) { return c.isSpace() || !c.isPrint(); });
    const int64_t now = clock::Now();
    if (keyReadable && timed && until <= now + kMaxSnoozeAheadSeconds) {
        if (now - kHandOverGraceSeconds <= until) {
            Wait(key, names, until);
            qInfo("Media players paused before the snooze of %s wait for it to ring again: %s.", qPrintable(key),
                  qPrintable(Joined(names)));
            return;
        }
        qInfo("The ringing of %s after its snooze is long overdue: the players it left paused are resumed.",
              qPrintable(key));
    }
    // Players resumed now no longer wait for a ringing of this process.
    const qsizetype waitedFor = Waiting().names.size();
    for (const QString& name : names)
        Waiting().names.removeAll(name);
    if (Waiting().names.size() != waitedFor)
        HoldWaiting();
    if (QCoreApplication::instance()) {
        ResumeLeftOver(names);
        return;
    }
    // Kept in this process's marker until resumed: a start that ends before
    // it has an application object passes them on to the next start.
    const bool waiting = !Pending().isEmpty();
    for (const QString& name : names)
        if (!Pending().contains(name))
            Pending() << name;
    if (waiting)
        return;
    RestoreMarker::Hold(QLatin1String(kMarkerPart), {{QLatin1String(kPlayersEntry), Joined(Pending())}});
    qAddPreRoutine(ResumePending);
}

} // namespace dawnbell
