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
// A snooze without a display ends the process (HandOver): the players stay
// paused, and the marker names them together with the alarm that rings again
// at the snooze's end; that ringing, in whichever process it comes, adopts
// them and resumes them when it ends.
// Without a session bus the ringing goes on unchanged, which is logged once.
// dawnbell.log names the players paused, handed over and resumed.
#include "RestoreMarker.h"

#include <QStringList>

#include <cstdint>

namespace dawnbell {

class RingingMediaPause {
public:
    RingingMediaPause() = default;
    // Resume(), unless the players were handed over.
    ~RingingMediaPause();
    RingingMediaPause(const RingingMediaPause&) = delete;
    RingingMediaPause& operator=(const RingingMediaPause&) = delete;

    // Pauses the players that play now for the ringing of the alarm
    // `alarmKey`; they join those resumed at the end. Players a snoozed
    // ringing of the same alarm handed over are adopted: they join too.
    void Pause(const QString& alarmKey);
    // Plays again the players paused (or adopted) so far that are still
    // paused; then none is held any more. Nothing when none was paused.
    void Resume();
    // The ringing of `alarmKey` was snoozed without a display: this process
    // lets it go, and a new start rings it again at `ringsAgainAt` (seconds
    // since the epoch, local clock). The players paused so far stay paused;
    // the marker keeps them for that ringing (entries kSnoozedEntry and
    // kUntilEntry beside kPlayersEntry), and Resume no longer plays them.
    void HandOver(const QString& alarmKey, int64_t ringsAgainAt);
    // The bus names of the players paused and not resumed yet, in pausing order.
    const QStringList& paused() const { return paused_; }

    // Takes the marker entries a previous process left (part kMarkerPart).
    // Players a crashed ringing paused are resumed; so are those a snooze
    // handed over when its ringing is long overdue (kHandOverGraceSeconds after
    // the snooze's end: a start that late does not ring). Players handed over
    // to a ringing still to come wait for it, held in this process's marker
    // (so a process that ends without ringing it passes them on). Before the
    // application object exists resuming waits for it, held the same way. The
    // entries are outside input: only player names (MediaPlayers::IsPlayerName,
    // at most MediaPlayers::kMaxPlayers) are ever called.
    static void RestoreLeftOver(const RestoreMarker::Entries& entries);
    static constexpr const char* kMarkerPart = "media";
    // The entry with the players' bus names, separated by blanks (a bus name
    // holds none).
    static constexpr const char* kPlayersEntry = "players";
    // The key of the alarm whose ringing after a snooze takes the players over.
    static constexpr const char* kSnoozedEntry = "snoozed";
    // When that ringing is due: seconds since the epoch, in decimal.
    static constexpr const char* kUntilEntry = "until";
    // How long after the snooze's end handed-over players wait for their
    // ringing: a start more than 30 minutes late is told as missed and does not
    // ring, so by then nothing will adopt them.
    static constexpr int64_t kHandOverGraceSeconds = 35 * 60;
    // Furthest ahead a snooze's end read from the marker is believed; one
    // further ahead counts as unreadable (the players are resumed).
    static constexpr int64_t kMaxSnoozeAheadSeconds = 24 * 3600;
    // Longest alarm key read from the marker, characters.
    static constexpr int kMaxKeyChars = 255;

private:
    // Holds the marker part with the players of paused_, or releases it when
    // there are none.
    void Mark();

    QStringList paused_; // bus names of the players this ringing paused
    bool marked_ = false; // the marker part is held
};

} // namespace dawnbell
