#pragma once
// The real media player: QMediaPlayer with a QAudioOutput. Create it through
// CreateMediaPlayer(), which selects the GStreamer backend first.
#include "MediaPlayer.h"

class QAudioOutput;
class QMediaPlayer;

namespace dawnbell {

class QtMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit QtMediaPlayer(QObject* parent = nullptr);
    ~QtMediaPlayer() override;

    // false when no multimedia backend could be loaded (the player cannot play).
    bool IsAvailable() const;

    bool SetMedia(const QString& path) override;
    QString Media() const override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    State state() const override;
    int Volume() const override;
    void SetVolume(int percent) override;

private:
    // Emits ended() or error() later on this thread unless the media changed meanwhile.
    void PostEvent(bool isError);
    // The backend reported that the current media cannot be played.
    void OnBackendError();

    QMediaPlayer* player_;   // owned through the QObject tree
    QAudioOutput* output_;   // owned through the QObject tree
    QString media_;          // current media path, empty for none
    unsigned generation_ = 0; // bumped by SetMedia() and Stop(); stale events are dropped
    bool playRequested_ = false; // Play() was called since the last SetMedia() or Stop()
    bool failed_ = false;     // the current media failed; the backend repeats itself, we do not
};

} // namespace dawnbell
