#include "RingingPlayback.h"

#include "Alarm.h"
#include "FadeCurve.h"
#include "MediaPlayerFactory.h"
#include "RingTrace.h"
#include "WaveResources.h"
#include "WindowTimers.h"

#include <QFileInfo>

#include <algorithm>

namespace dawnbell {

RingingPlayback::RingingPlayback(Alarm* alarm, WindowTimers* timers) : alarm_(alarm), timers_(timers) {}

RingingPlayback::~RingingPlayback() { Release(); }

bool RingingPlayback::Create()
{
    player_ = CreateMediaPlayer();
    if (!player_) {
        qCritical("No media player could be made: the alarm rings without sound.");
        return false;
    }
    connect(player_.get(), &MediaPlayer::ended, this, &RingingPlayback::itemEnded);
    connect(player_.get(), &MediaPlayer::error, this, &RingingPlayback::MediaFailed);
    return true;
}

void RingingPlayback::Release()
{
    if (!player_)
        return;
    timers_->Kill(TimerFade);
    timers_->Kill(TimerFallback);
    Stop();
    // The player's volume is put back exactly as it was found.
    if (savedVolume_ >= 0)
        player_->SetVolume(savedVolume_);
    player_->disconnect(this);
    player_.reset();
}

RingingPlayback::Next RingingPlayback::PlayNext()
{
    const QString name = alarm_->GetNextPlaylistEntry();
    if (!player_ || name.isEmpty())
        return Silent;

    const int count = static_cast<int>(alarm_->GetPlaylist().size());
    if (alarm_->closeAfterTimes > 0 && count > 0 && itemsStarted_ / count == alarm_->closeAfterTimes) {
        Stop();
        return PassesDone;
    }
    ++itemsStarted_;

    const QFileInfo info(name);
    if (name.size() >= kMaxPathChars || !info.exists() || info.isDir()) {
        qWarning("Sound file missing: %s; the built-in alarm sound plays instead.", qPrintable(name));
        FallbackSound();
        return Started;
    }
    Stop();
    player_->SetMedia(name);

    StartItemVolume(FadeStepPeriodMs(alarm_->fadeDuration));
    player_->Play();
    state_ = MediaPlayer::Playing;
    RingTraceWhenPlaying(player_.get(), this);
    return Started;
}

void RingingPlayback::MediaFailed()
{
    qWarning("The player cannot play %s; the built-in alarm sound plays instead.",
             qPrintable(player_ ? player_->Media() : QString()));
    Stop();
    FallbackSound();
}

// The volume an item starts at. Without a fade: the target. A fade owed starts
// now at the curve's first point (so its first period does not sound at whatever
// volume the player had), stepping every `fadePeriodMs`. Otherwise this stretch's
// fade goes on untouched and the item keeps the volume it has reached: its last
// point, or the target once the slider stopped it.
void RingingPlayback::StartItemVolume(int fadePeriodMs)
{
    if (!alarm_->useFade || fadeStopped_) {
        SetVolume(volumeTarget_, true);
    } else if (fadeOwed_) {
        fadeOwed_ = false;
        fadeStep_ = 0;
        SetVolume(FadeVolume(volumeTarget_, alarm_->fade[0]), true);
        timers_->Start(TimerFade, fadePeriodMs);
    } else {
        const int reached = std::clamp(fadeStep_ - 1, 0, kFadeCurvePoints - 1);
        SetVolume(FadeVolume(volumeTarget_, alarm_->fade[reached]), true);
    }
}

// The built-in alarm sound for 2 s; a fade it starts steps every 100 ms.
void RingingPlayback::FallbackSound()
{
    StartItemVolume(kFallbackFadePeriodMs);
    PlayWaveResource(kWaveAlarmFallback);
    timers_->Start(TimerFallback, kFallbackMs);
}

void RingingPlayback::EndFallback()
{
    // A running fade carries on into the next item.
    timers_->Kill(TimerFallback);
}

void RingingPlayback::FadeTick()
{
    if (fadeStep_ > kFadeCurvePoints - 1) {
        timers_->Kill(TimerFade);
        return;
    }
    SetVolume(FadeVolume(volumeTarget_, alarm_->fade[fadeStep_]), true);
    ++fadeStep_;
}

void RingingPlayback::SliderMoved(int value)
{
    timers_->Kill(TimerFade);
    fadeStopped_ = true;
    SetVolume(value, false);
    volumeTarget_ = std::max(std::clamp(value, 0, 100), kMinSliderTarget);
}

void RingingPlayback::Silence()
{
    timers_->Kill(TimerFade);
    fadeOwed_ = true;
    fadeStopped_ = false;
    SetVolume(0, true);
    Stop();
    timers_->Kill(TimerFallback);
}

void RingingPlayback::Pause()
{
    if (!player_ || state_ != MediaPlayer::Playing)
        return;
    player_->Pause();
    state_ = MediaPlayer::Paused;
}

void RingingPlayback::Resume()
{
    if (!player_ || state_ != MediaPlayer::Paused)
        return;
    player_->Play();
    state_ = MediaPlayer::Playing;
}

void RingingPlayback::Stop()
{
    if (player_)
        player_->Stop();
    state_ = MediaPlayer::Stopped;
}

// Sets the player's volume (remembering the one it had before the first change)
// and, with `show`, tells the slider.
void RingingPlayback::SetVolume(int percent, bool show)
{
    percent = std::clamp(percent, 0, 100);
    if (player_) {
        if (savedVolume_ < 0)
            savedVolume_ = player_->Volume();
        player_->SetVolume(percent);
    }
    if (show)
        emit volumeShown(percent);
}

} // namespace dawnbell
