#include "QtMediaPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace dawnbell {

QtMediaPlayer::QtMediaPlayer(QObject* parent)
    : MediaPlayer(parent), player_(new QMediaPlayer(this)), output_(new QAudioOutput(this))
{
    player_->setAudioOutput(output_);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            PostEvent(false);
        else if (status == QMediaPlayer::InvalidMedia)
            OnBackendError();
    });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error err, const QString&) {
        if (err != QMediaPlayer::NoError)
            OnBackendError();
    });
}

QtMediaPlayer::~QtMediaPlayer()
{
    // Stop before the children go, so the backend's pipeline winds down while
    // its audio output still exists.
    player_->stop();
}

bool QtMediaPlayer::IsAvailable() const { return player_->isAvailable(); }

void QtMediaPlayer::OnBackendError()
{
    // A failed file (a missing one in particular) leaves the backend in the
    // playing state; stop it so nothing keeps running behind the error.
    player_->stop();
    // The backend reports one failure several times (on loading, on pausing,
    // on playing); the owner hears of it once per Play().
    if (failed_)
        return;
    failed_ = true;
    if (playRequested_)
        PostEvent(true);
}

void QtMediaPlayer::PostEvent(bool isError)
{
    const unsigned gen = generation_;
    QMetaObject::invokeMethod(this, [this, gen, isError] {
        if (gen != generation_)
            return;
        // One event per media: a failing file may report both an error and an
        // invalid status.
        ++generation_;
        if (isError)
            emit error();
        else
            emit ended();
    }, Qt::QueuedConnection);
}

bool QtMediaPlayer::SetMedia(const QString& path)
{
    ++generation_;
    playRequested_ = false;
    failed_ = false;
    player_->stop();
    media_ = path;
    if (path.isEmpty()) {
        player_->setSource(QUrl());
        return false;
    }
    player_->setSource(QUrl::fromLocalFile(path));
    return true;
}

QString QtMediaPlayer::Media() const { return media_; }

void QtMediaPlayer::Play()
{
    if (media_.isEmpty())
        return;
    playRequested_ = true;
    if (failed_) {
        // Known to fail: report it again instead of waking the backend.
        PostEvent(true);
        return;
    }
    player_->play();
}

void QtMediaPlayer::Pause()
{
    if (player_->playbackState() == QMediaPlayer::PlayingState)
        player_->pause();
}

void QtMediaPlayer::Stop()
{
    ++generation_;
    playRequested_ = false;
    player_->stop();
}

MediaPlayer::State QtMediaPlayer::state() const
{
    switch (player_->playbackState()) {
    case QMediaPlayer::PlayingState: return Playing;
    case QMediaPlayer::PausedState: return Paused;
    default: return Stopped;
    }
}

int QtMediaPlayer::Volume() const
{
    return static_cast<int>(std::lround(output_->volume() * 100.0f));
}

void QtMediaPlayer::SetVolume(int percent)
{
    output_->setVolume(static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f);
}

} // namespace dawnbell
