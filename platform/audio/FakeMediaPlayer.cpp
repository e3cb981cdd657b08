#include "FakeMediaPlayer.h"

#include <algorithm>

namespace dawnbell {

bool FakeMediaPlayer::SetMedia(const QString& path)
{
    calls_ << QStringLiteral("SetMedia ") + path;
    state_ = Stopped;
    media_ = path;
    return !path.isEmpty();
}

void FakeMediaPlayer::Play()
{
    calls_ << QStringLiteral("Play");
    if (media_.isEmpty())
        return;
    state_ = Playing;
    ++playCount_;
}

void FakeMediaPlayer::Pause()
{
    calls_ << QStringLiteral("Pause");
    if (state_ == Playing)
        state_ = Paused;
}

void FakeMediaPlayer::Stop()
{
    calls_ << QStringLiteral("Stop");
    state_ = Stopped;
}

void FakeMediaPlayer::SetVolume(int percent)
{
    volume_ = std::clamp(percent, 0, 100);
    calls_ << QStringLiteral("SetVolume %1").arg(volume_);
    volumes_ << volume_;
}

void FakeMediaPlayer::EmitEnded()
{
    state_ = Stopped;
    emit ended();
}

void FakeMediaPlayer::EmitError()
{
    state_ = Stopped;
    emit error();
}

} // namespace dawnbell
