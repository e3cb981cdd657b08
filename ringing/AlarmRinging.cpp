#include "AlarmRinging.h"

#include "Alarm.h"
#include "AutoStop.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DevicePaths.h"
#include "DeviceVolumeOverride.h"
#include "ModemCallWatch.h"
#include "Profile.h"
#include "QuizGame.h"
#include "RingTrace.h"
#include "WaveResources.h"

#include <QTimer>
#include <QTimerEvent>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <vector>

namespace dawnbell {

namespace {

// Every ringing that has started and not ended, oldest first.
std::vector<AlarmRinging*>& Live()
{
    static std::vector<AlarmRinging*> live;
    return live;
}

void Forget(AlarmRinging* ringing)
{
    std::vector<AlarmRinging*>& live = Live();
    live.erase(std::remove(live.begin(), live.end(), ringing), live.end());
}

} // namespace

AlarmRinging::AlarmRinging(Alarm* alarm, const RingingServices& services, QWidget* window)
    : alarm_(alarm), services_(services), window_(window), timers_(this, TimerCount), backlight_(&timers_),
      playback_(alarm, &timers_), vibration_(alarm, &timers_),
      snoozeWake_(services.wakeProgram.isEmpty() ? ProgramPath() : services.wakeProgram.toStdString())
{
    backColor_ = (alarm_->useBackColor ? alarm_->backColor : AppBackColor()) & 0xFFFFFF;
    textColor_ = (alarm_->useTextColor ? alarm_->textColor : AppTextColor()) & 0xFFFFFF;
    startingVibrate_ = alarm_->vibrate;
    connect(&playback_, &RingingPlayback::volumeShown, this, &AlarmRinging::volumeShown);
    connect(&playback_, &RingingPlayback::itemEnded, this, [this] { PlayNext(); });
}

AlarmRinging::~AlarmRinging()
{
    Cleanup();
    Forget(this);
}

AlarmRinging* AlarmRinging::Innermost()
{
    const std::vector<AlarmRinging*>& live = Live();
    return live.empty() ? nullptr : live.back();
}

// --- start -----------------------------------------------------------------

void AlarmRinging::Start()
{
    if (ended_)
        return;
    qInfo("Ringing %s \"%s\".", qPrintable(alarm_->GetKey()), qPrintable(alarm_->title));
    Live().push_back(this);
    backlight_.KeepAwake(services_.keepAwake); // suspend and key lock off, backlight on
    mediaPause_.Pause(alarm_->GetKey()); // the alarm is heard alone
    PreparePlayback();
    PlayNext();
    // forceVolume: the device volume at the alarm's `volume` until the cleanup.
    if (alarm_->forceVolume)
        volumeOverride_ = std::make_unique<DeviceVolumeOverride>(alarm_->volume);
    // A call the modem service announces ends the ringing like the phone program
    // in front. The watch belongs to the window when there is one.
    auto* calls = new ModemCallWatch(window_ ? static_cast<QObject*>(window_) : this);
    connect(calls, &ModemCallWatch::callArrived, this, &AlarmRinging::StopForCall);
    StartCloseAfterTimer();
}

// A player only when there is something to play; the playlist shuffled in
// memory when `random` is set, and its cursor at the first entry.
void AlarmRinging::PreparePlayback()
{
    if (!alarm_->GetNextPlaylistEntry().isEmpty()) {
        if (!playback_.Create())
            emit playerFailed();
    } else if (services_.unattended) {
        qWarning("%s has no sound in its playlist: it rings without sound and without a display.",
                 qPrintable(alarm_->GetKey()));
    }
    alarm_->ResetPlaylistCursor();
    if (alarm_->random) {
        alarm_->ShufflePlaylist();
        alarm_->ResetPlaylistCursor();
    }
}

// closeAfterMinutes: the ringing ends by itself (the period is bounded to int).
// Unattended, a ringing that nothing else would end gets the limit instead.
void AlarmRinging::StartCloseAfterTimer()
{
    int64_t minutes = alarm_->closeAfterMinutes;
    if (minutes <= 0 && services_.unattended) {
        const bool passesEnd = alarm_->closeAfterTimes > 0 && playback_.player() != nullptr;
        if (passesEnd)
            return;
        minutes = kLongestUnattendedMinutes;
        unattendedLimit_ = true;
        qInfo("%s sets no end of its ringing: it rings for at most %d minutes.", qPrintable(alarm_->GetKey()),
              kLongestUnattendedMinutes);
    }
    if (minutes <= 0)
        return;
    const int64_t ms = minutes * 60000;
    timers_.Start(TimerCloseAfter, static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
}

// --- timers ------------------------------------------------------------------

void AlarmRinging::timerEvent(QTimerEvent* e)
{
    if (const int id = timers_.Find(e->timerId()))
        HandleTimer(id);
    else
        QObject::timerEvent(e);
}

void AlarmRinging::HandleTimer(int id)
{
    if (ended_)
        return;
    switch (id) {
    case TimerCountdown: CountdownTick(); break;
    case TimerFade: playback_.FadeTick(); break;
    case TimerFallback:
        playback_.EndFallback();
        PlayNext();
        break;
    case TimerClock: emit clockTick(); break;
    case TimerBacklight: backlight_.Dim(); break;
    case TimerCloseAfter:
        timers_.Kill(TimerCloseAfter);
        emit endRequested(unattendedLimit_ ? QStringLiteral("rang %1 minutes without a display")
                                                 .arg(kLongestUnattendedMinutes)
                                           : QStringLiteral("closeAfterMinutes reached"));
        break;
    case TimerVibrate: vibration_.Tick(); break;
    case TimerPause: ResumeAfterPause(); break;
    case TimerSnoozeWake: WithdrawSnoozeWake(); break;
    default: break;
    }
}

// --- playback ----------------------------------------------------------------

// Vibration as at the start of ringing, then the next playlist item.
void AlarmRinging::PlayNext()
{
    if (ended_)
        return;
    vibration_.Start();
    if (timers_.Active(TimerVibrate))
        ClockInStep();
    emit vibrateShown(alarm_->vibrate != 0);
    if (playback_.PlayNext() == RingingPlayback::PassesDone) {
        QTimer::singleShot(0, this, [this] {
            if (!ended_)
                emit endRequested(QStringLiteral("closeAfterTimes reached"));
        });
    }
}

void AlarmRinging::SliderMoved(int value)
{
    if (ended_)
        return;
    backlight_.LightForAWhile();
    playback_.SliderMoved(value);
}

void AlarmRinging::SetVibrateChecked(bool on)
{
    if (ended_)
        return;
    alarm_->vibrate = on ? 1 : 0;
    emit vibrateShown(on);
    backlight_.LightForAWhile();
    vibration_.Checked(on, countdown_ > 0);
    if (timers_.Active(TimerVibrate))
        ClockInStep();
}

// The window's clock restarts with a one-second timer started just now (the
// snooze countdown, the interval vibration): timers of one period started
// together expire together, so the process wakes once a second for both instead
// of once for each. The clock is redrawn at once, so the restart never leaves
// it behind. Nothing happens when no clock runs (no window).
void AlarmRinging::ClockInStep()
{
    if (!timers_.Active(TimerClock))
        return;
    timers_.Start(TimerClock, kSecondMs);
    emit clockTick();
}

// --- taps and snooze -----------------------------------------------------------

void AlarmRinging::Tap()
{
    if (ended_)
        return;
    if (countdown_ > 0 && !backlight_.dimmingPending()) {
        backlight_.LightForAWhile();
        return;
    }
    SnoozeRoutine();
}

void AlarmRinging::Snooze() { SnoozeRoutine(); }

void AlarmRinging::SnoozeRoutine()
{
    if (ended_)
        return;
    // closeAfterMinutes no longer applies after the first tap or snooze key.
    backlight_.OnUntilFurtherNotice();
    timers_.Kill(TimerCloseAfter);
    if (!alarm_->useSnooze)
        return;
    if (services_.unattended) {
        SnoozeAway();
        return;
    }

    if (alarm_->quiz > 0 && snoozeNumber_ >= alarm_->quiz) {
        RunQuiz();
        timers_.Kill(TimerPause);
        if (ended_) // an automatic stop while the quiz was shown
            return;
    }
    SilenceForSnooze();

    // A stored snooze below one second counts as one; the first tick shows `snooze`.
    countdown_ = std::max(alarm_->snooze, 1) + 1;
    CountdownTick();
    timers_.Start(TimerCountdown, kSecondMs);
    ClockInStep();
    backlight_.DimLater();
    SetSnoozeWake();
}

// Vibration, fade and playback stop; the player's volume and the slider go to 0
// (the target stays).
void AlarmRinging::SilenceForSnooze()
{
    vibration_.Stop();
    playback_.Silence();
    timers_.Kill(TimerCountdown);
}

// Nobody can count a snooze down with this process: the ringing ends, and the
// notification service starts the program with the alarm's key when the snooze
// is over, which rings it again. Should the service refuse, the ringing ends as
// if stopped, so the after-ringing path still runs.
void AlarmRinging::SnoozeAway()
{
    SilenceForSnooze();
    const int64_t at = clock::Now() + std::max(alarm_->snooze, 1);
    const QString key = alarm_->GetKey();
    if (snoozeWake_.StartAgainAt(at, key.toStdString()) == 0) {
        qCritical("The snooze of %s could not be registered with the notification service; the alarm ends "
                  "instead.",
                  qPrintable(key));
        emit endRequested(QStringLiteral("snooze refused by the notification service"));
        return;
    }
    snoozedAway_ = true;
    ringsAgainAt_ = at;
    // The other players stay paused over the snooze: the ringing at its end
    // takes them over and resumes them when it ends.
    mediaPause_.HandOver(key, at);
    const clock::LocalTime t = clock::ToLocal(at);
    emit endRequested(QStringLiteral("snoozed without a display; it rings again at %1:%2:%3")
                          .arg(t.hour, 2, 10, QLatin1Char('0'))
                          .arg(t.minute, 2, 10, QLatin1Char('0'))
                          .arg(t.second, 2, 10, QLatin1Char('0')));
}

void AlarmRinging::CountdownTick()
{
    --countdown_;
    if (countdown_ <= 0) {
        countdown_ = 0;
        ++snoozeNumber_;
        backlight_.OnUntilFurtherNotice();
        emit countdownChanged();
        timers_.Kill(TimerCountdown);
        // The countdown is over in the foreground: the wake-up is not needed.
        WithdrawSnoozeWake();
        mediaPause_.Pause(alarm_->GetKey()); // a player started during the snooze
        PlayNext();
        return;
    }
    emit countdownChanged();
}

void AlarmRinging::RunQuiz()
{
    const int type = QuizGame::ChooseType(alarm_->quizTypes, static_cast<unsigned>(clock::Now()));
    const int level = alarm_->quizLevel + snoozeNumber_ - alarm_->quiz - 1;
    if (services_.quiz)
        services_.quiz(window_, textColor_, backColor_, level, type);
}

// The wake-up for a device that sleeps through the countdown; withdrawn before
// it fires while the countdown still runs (the timer does not run while the
// device sleeps, so a sleeping device is still woken).
void AlarmRinging::SetSnoozeWake()
{
    timers_.Kill(TimerSnoozeWake);
    const int withdrawMs = snoozeWake_.ForSnooze(std::max(alarm_->snooze, 1));
    if (withdrawMs >= 0)
        timers_.Start(TimerSnoozeWake, withdrawMs);
}

void AlarmRinging::WithdrawSnoozeWake()
{
    timers_.Kill(TimerSnoozeWake);
    snoozeWake_.Withdraw();
}

void AlarmRinging::Skip()
{
    if (ended_)
        return;
    backlight_.LightForAWhile();
    timers_.Kill(TimerCountdown);
    countdown_ = 0;
    emit countdownChanged();
    WithdrawSnoozeWake();
    PlayNext();
}

// --- pause -----------------------------------------------------------------------

void AlarmRinging::Pause()
{
    if (ended_)
        return;
    timers_.Kill(TimerPause);
    playback_.Pause();
    if (alarm_->vibrate)
        vibration_.Stop();
    timers_.Start(TimerPause, kPauseMs);
}

void AlarmRinging::ResumeAfterPause()
{
    timers_.Kill(TimerPause);
    playback_.Resume();
    // A snooze that began meanwhile keeps the vibrator still.
    if (countdown_ == 0) {
        vibration_.Start();
        if (timers_.Active(TimerVibrate))
            ClockInStep();
    }
}

// --- ending ------------------------------------------------------------------------

void AlarmRinging::EndAlarm()
{
    if (ended_)
        return;
    backlight_.OnUntilFurtherNotice();
    SnoozeRoutine();
    if (ended_)
        return;
    if (alarm_->confirmClose && (!ConfirmClose(services_, window_, backColor_, textColor_) || ended_))
        return;
    timers_.Kill(TimerCountdown);
    emit endRequested(QStringLiteral("End alarm"));
}

void AlarmRinging::StopForCall(const QString& why)
{
    if (!AutoStopOnCall(ended_))
        return;
    timers_.Kill(TimerCountdown);
    emit endRequested(QStringLiteral("automatic stop, ") + why);
}

void AlarmRinging::StopFromOutside(const QString& why)
{
    if (ended_)
        return;
    timers_.Kill(TimerCountdown);
    emit endRequested(why);
}

bool AlarmRinging::CanSnooze() const { return !ended_ && alarm_->useSnooze; }

bool AlarmRinging::SnoozeFromOutside()
{
    if (!CanSnooze())
        return false;
    SnoozeRoutine();
    return true;
}

void AlarmRinging::End(const QString& why)
{
    if (!ended_ && !why.isEmpty())
        qInfo("Ringing of %s ended: %s.", qPrintable(alarm_->GetKey()), qPrintable(why));
    Cleanup();
}

// Everything the ringing changed goes back; runs once.
void AlarmRinging::Cleanup()
{
    if (ended_)
        return;
    ended_ = true;
    Forget(this);
    RingTraceMark("ringing-ended");
    vibration_.Stop();
    timers_.KillAll();
    playback_.Release();
    // The snooze wake-up must not start the program after the alarm ended.
    snoozeWake_.Withdraw();
    if (Profile::ReadInt("settings", "endSound", 0) != 0)
        PlayWaveResource(kWaveEndSound);
    volumeOverride_.reset();
    mediaPause_.Resume();
    alarm_->vibrate = startingVibrate_;
}

} // namespace dawnbell
