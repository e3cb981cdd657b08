#include "RingingMediaPause.h"

#include "MediaPlayers.h"

#include <QCoreApplication>

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

void RingingMediaPause::Pause()
{
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
