#pragma once
// The session's other media players paused while an alarm rings (MediaPlayers):
// Pause, at the start of the ringing and when it rings again after a snooze,
// pauses every player that plays and remembers it; a snooze resumes none;
// Resume, at the end of the ringing (whichever way it ends) or at destruction,
// plays again those it paused that are still paused, and no others. A player
// the user stopped or started meanwhile is left as it is.
//
// While players are paused the RestoreMarker holds the part "media" with their
// bus names, so after a crash the next start resumes them (RestoreLeftOver).
// Without a session bus the ringing goes on unchanged, which is logged once.
// dawnbell.log names the players paused and resumed.
#include "RestoreMarker.h"

#include <QStringList>

namespace dawnbell {

class RingingMediaPause {
public:
    RingingMediaPause() = default;
    // Resume().
    ~RingingMediaPause();
    RingingMediaPause(const RingingMediaPause&) = delete;
    RingingMediaPause& operator=(const RingingMediaPause&) = delete;

    // Pauses the players that play now; they join those resumed at the end.
    void Pause();
    // Plays again the players paused so far that are still paused; then none
    // is held any more. Nothing when none was paused.
    void Resume();
    // The bus names of the players paused and not resumed yet, in pausing order.
    const QStringList& paused() const { return paused_; }

    // Resumes the players named in the marker entries a crashed ringing left
    // (part kMarkerPart). Before the application object exists it holds them
    // in this process's marker and resumes them as soon as it is made, so a
    // start that ends before that leaves them for the next one.
    static void RestoreLeftOver(const RestoreMarker::Entries& entries);
    static constexpr const char* kMarkerPart = "media";
    // The entry with the players' bus names, separated by blanks (a bus name
    // holds none).
    static constexpr const char* kPlayersEntry = "players";

private:
    // Holds the marker part with the players of paused_, or releases it when
    // there are none.
    void Mark();

    QStringList paused_; // bus names of the players this ringing paused
    bool marked_ = false; // the marker part is held
};

} // namespace dawnbell
