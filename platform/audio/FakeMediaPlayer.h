#pragma once
// A media player without sound for tests of the windows that play: it records
// every call, keeps the state and volume a real player would have, and lets the
// test deliver "ended" and "error" when it chooses. Install it with
// SetMediaPlayerFactoryForTesting() or hand it to the window directly.
#include "MediaPlayer.h"

#include <QStringList>

namespace dawnbell {

class FakeMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit FakeMediaPlayer(QObject* parent = nullptr) : MediaPlayer(parent) {}

    bool SetMedia(const QString& path) override;
    QString Media() const override { return media_; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    State state() const override { return state_; }
    int Volume() const override { return volume_; }
    void SetVolume(int percent) override;

    // Delivers the events at once, as a real player does when the media ends or
    // fails: the state becomes Stopped first.
    void EmitEnded();
    void EmitError();

    // Every call in order: "SetMedia <path>", "Play", "Pause", "Stop", "SetVolume <n>".
    const QStringList& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // Every volume set, in order (after clamping).
    const QList<int>& volumes() const { return volumes_; }
    // Number of Play() calls that started or resumed playback.
    int playCount() const { return playCount_; }

private:
    QString media_;          // current media path, empty for none
    State state_ = Stopped;  // playback state as a real player would report it
    int volume_ = 100;       // player volume in percent; 100 like a fresh player
    int playCount_ = 0;      // Play() calls that had media to play
    QStringList calls_;      // call log, oldest first
    QList<int> volumes_;     // every volume set, oldest first
};

} // namespace dawnbell
