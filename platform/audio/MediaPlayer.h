#pragma once
// The media player that plays an alarm's sound files and the editors' test
// playback. One file is current at a time; it can be played, paused and stopped,
// and the player has its own volume of 0-100 (independent of the device volume).
//
// Events arrive on the thread that owns the player (the GUI thread), never from
// inside a call the owner made into the player, so a handler may freely set new
// media, play, or delete the player:
//   ended() - the current file played to its end; the player is stopped.
//   error() - the current file could not be played; the player is stopped.
// An event that belongs to media replaced by SetMedia() or to playback ended by
// Stop() before it was delivered is dropped.
#include <QObject>
#include <QString>

namespace dawnbell {

class MediaPlayer : public QObject {
    Q_OBJECT
public:
    // Playback states, numbered like the classic player's play states 0-2.
    enum State { Stopped = 0, Playing = 1, Paused = 2 };

    explicit MediaPlayer(QObject* parent = nullptr) : QObject(parent) {}
    ~MediaPlayer() override = default;

    // Stops any playback and makes the file at `path` the current media (it does
    // not start playing). false for an empty path, which leaves no current media.
    virtual bool SetMedia(const QString& path) = 0;
    // Full path of the current media; empty when none.
    virtual QString Media() const = 0;
    // Plays the current media from where it stands (the start, after a stop).
    virtual void Play() = 0;
    // Pauses; Play() resumes. Nothing happens unless playing.
    virtual void Pause() = 0;
    // Stops and rewinds to the start.
    virtual void Stop() = 0;
    virtual State state() const = 0;
    // The player's own volume in percent, 0-100.
    virtual int Volume() const = 0;
    // Sets the player's own volume; values outside 0-100 are clamped.
    virtual void SetVolume(int percent) = 0;

signals:
    void ended();
    void error();
};

} // namespace dawnbell
