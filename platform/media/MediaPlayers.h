#pragma once
// The media players of the user's session, as MPRIS describes them: each owns a
// bus name "org.mpris.MediaPlayer2.<player>" on the session bus and serves the
// object /org/mpris/MediaPlayer2 with the interface
// org.mpris.MediaPlayer2.Player (property PlaybackStatus: "Playing", "Paused"
// or "Stopped"; methods Pause and Play).
//
// Every call waits at most kCallTimeoutMs for its answer, so a hung player
// delays the caller by that much and is then skipped. The calls need the
// application object (QtDBus runs on it); without it, or without a session bus,
// nothing is paused or resumed.
#include <QString>
#include <QStringList>

namespace dawnbell {

class MediaPlayers {
public:
    // Longest wait for one answer of the bus or of a player, ms.
    static constexpr int kCallTimeoutMs = 500;
    // Most players looked at or resumed in one call; the rest are left as they are.
    static constexpr int kMaxPlayers = 32;
    // Longest bus name the bus accepts, characters.
    static constexpr int kMaxNameChars = 255;

    // True when the application object exists and a session bus answers.
    static bool SessionBusReachable();

    // Pauses every player whose PlaybackStatus is "Playing" and returns the bus
    // names of those that took the Pause (in the bus's order). Players that
    // are paused or stopped, refuse, or do not answer in time are left alone.
    static QStringList PausePlaying();

    // Plays again those of `names` whose PlaybackStatus is still "Paused" and
    // returns the names that took the Play. A name that is not a player's
    // name (IsPlayerName) is never called; at most kMaxPlayers are.
    static QStringList ResumePaused(const QStringList& names);

    // The PlaybackStatus of the player `name`; empty when it does not answer
    // (or `name` is not a player's name).
    static QString Status(const QString& name);

    // True when `name` is a well-formed bus name below "org.mpris.MediaPlayer2."
    // (elements of letters, digits, "_" and "-", none starting with a digit,
    // at most kMaxNameChars characters). Names read from a file are checked
    // with it before any call.
    static bool IsPlayerName(const QString& name);
};

} // namespace dawnbell
