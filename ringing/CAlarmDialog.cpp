#include "CAlarmDialog.h"

#include "Alarm.h"
#include "AutoStop.h"
#include "BatteryIcons.h"
#include "ClockFormat.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DevicePaths.h"
#include "FadeCurve.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Locale.h"
#include "MediaPlayer.h"
#include "MediaPlayerFactory.h"
#include "MessageBox.h"
#include "NotificationLeds.h"
#include "Notify.h"
#include "PowerStatus.h"
#include "Profile.h"
#include "Registry.h"
#include "RingTrace.h"
#include "Scaling.h"
#include "ScreenClass.h"
#include "SnoozeKeys.h"
#include "SoundSetting.h"
#include "Texts.h"
#include "WaveResources.h"
#include "WaveVolume.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace dawnbell {

namespace {

// Texts.
constexpr int kTextPlayerFailed = 1;
constexpr int kTextRemaining = 3;
constexpr int kTextTapToSnooze = 12;
constexpr int kTextEndAlarm = 13;
constexpr int kTextCloseAlarm = 14;
constexpr int kTextVibrate = 23;
constexpr int kTextError = 113;
constexpr int kTextQuestion = 139;

// Shade of the gradient's top colour and of label frames.
constexpr int kGradientShade = 0x50;
// Height of the plain strip behind the sound controls, pixels (not scaled).
constexpr int kSoundStripHeight = 30;
// The classic extended style bit that keeps the window above the shell's
// start-up screen has its counterpart in WindowStaysOnTopHint.

constexpr int kClockPointSize = 22;

int RoundDiv96(int a, int dpi) { return mul_div_round(a, dpi, 96); }

} // namespace

const QEvent::Type CAlarmDialog::PauseEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

CAlarmDialog::CAlarmDialog(Alarm* alarm, QWidget* parent)
    : CAlarmDialog(alarm, parent, DefaultRingingServices())
{
}

CAlarmDialog::CAlarmDialog(Alarm* alarm, QWidget* parent, const RingingServices& services)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      alarm_(alarm), services_(services)
{
    intervals_.fill(-1);
    Init();
}

CAlarmDialog::~CAlarmDialog()
{
    Cleanup();
    leds_.reset();
    // Destroying the keep-awake gives the power settings and the backlight back.
    keepAwake_.reset();
}

// --- start -----------------------------------------------------------------

void CAlarmDialog::Init()
{
    setObjectName(QStringLiteral("CAlarmDialog"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; nothing is erased
    setFocusPolicy(Qt::StrongFocus);

    backColor_ = alarm_->useBackColor ? alarm_->backColor : AppBackColor();
    textColor_ = alarm_->useTextColor ? alarm_->textColor : AppTextColor();
    backColor_ &= 0xFFFFFF;
    textColor_ &= 0xFFFFFF;
    clockFormat_ = LocaleClockFormat();

    // 1. Clock font and the controls in the window's colours.
    CreateControls();
    clockFont_ = KitFont(kClockPointSize);
    clockLabel_->setFont(clockFont_);

    // 2.
    startingVibrate_ = alarm_->vibrate;
    volumeSlider_->setRange(0, 100);

    // 3. Keep the device awake for the window's life.
    if (services_.keepAwake)
        keepAwake_ = services_.keepAwake();
    if (keepAwake_)
        keepAwake_->Engage(true);

    // 4. A player only when there is something to play.
    if (!alarm_->GetNextPlaylistEntry().isEmpty() && !CreatePlayer()) {
        ShowMessageBox(Text(kTextPlayerFailed), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
    }

    // 5.
    alarm_->ResetPlaylistCursor();
    if (alarm_->random) {
        alarm_->ShufflePlaylist();
        alarm_->ResetPlaylistCursor();
    }

    // 6.
    PlayNext();
    StartTimer(TimerClock, kSecondMs);

    // 7.
    ForceVolume();

    // 8. Timer periods are bounded to the int range.
    if (alarm_->closeAfterMinutes > 0) {
        const int64_t ms = static_cast<int64_t>(alarm_->closeAfterMinutes) * 60000;
        StartTimer(TimerCloseAfter, static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
    }

    // 9.
    GoFullScreen();
    initDone_ = true;
}

void CAlarmDialog::CreateControls()
{
    auto makeLabel = [this](int id, Qt::Alignment align, bool wrap) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::number(id));
        label->setAlignment(align);
        label->setWordWrap(wrap);
        label->hide(); // a holder of text and position; the window paints the text
        return label;
    };
    clockLabel_ = makeLabel(IdClock, Qt::AlignCenter, false);
    titleLabel_ = makeLabel(IdTitle, Qt::AlignCenter, true);
    messageLabel_ = makeLabel(IdMessage, Qt::AlignCenter, true);
    messageLabel_->setFrameShape(QFrame::Box); // painted with a double frame
    hintLabel_ = makeLabel(IdSnoozeHint, Qt::AlignCenter, false);
    countdownLabel_ = makeLabel(IdCountdown, Qt::AlignLeft | Qt::AlignVCenter, false);

    endButton_ = new QPushButton(this);
    endButton_->setObjectName(QString::number(IdEnd));
    endButton_->setDefault(true);
    connect(endButton_, &QPushButton::clicked, this, [this] { EndAlarm(); });

    vibrateBox_ = new QCheckBox(this);
    vibrateBox_->setObjectName(QString::number(IdVibrate));
    connect(vibrateBox_, &QCheckBox::toggled, this, [this](bool on) { SetVibrateChecked(on); });

    volumeSlider_ = new QSlider(Qt::Horizontal, this);
    volumeSlider_->setObjectName(QString::number(IdVolume));
    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) { SliderMoved(v); });

    skipButton_ = new QPushButton(QStringLiteral(">>"), this);
    skipButton_->setObjectName(QString::number(IdSkip));
    skipButton_->setAutoDefault(false);
    connect(skipButton_, &QPushButton::clicked, this, [this] { Skip(); });

    for (QWidget* w : {static_cast<QWidget*>(endButton_), static_cast<QWidget*>(vibrateBox_),
                       static_cast<QWidget*>(volumeSlider_), static_cast<QWidget*>(skipButton_)}) {
        ApplyColors(w);
        // Keys reach the window itself, so the snooze keys work whatever has focus.
        w->setFocusPolicy(Qt::NoFocus);
        w->installEventFilter(this);
    }
    ApplyColors(this);
}

void CAlarmDialog::ApplyColors(QWidget* w) { ApplyKitColors(w, backColor_, textColor_); }

void CAlarmDialog::GoFullScreen()
{
    const ScreenGeometry g = CurrentScreen();
    QRect target;
    if (g.emulated || !screen()) {
        target = QRect(0, 0, g.logicalWidth, g.logicalHeight);
    } else {
        target = screen()->geometry();
        setWindowState(windowState() | Qt::WindowFullScreen);
    }
    if (target.isEmpty())
        target = QRect(0, 0, 240, 320);
    // Always set it, even when it already matches (a new window is 640x480 by
    // default): an explicit size keeps show() from growing the window to its
    // contents' size hint.
    setGeometry(target);
    DoLayout(target.size());
}

void CAlarmDialog::ReassertForeground()
{
    GoFullScreen();
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

QString CAlarmDialog::LocaleClockFormat() { return ClockFormat::FromPicture(LocaleTimeFormat()); }

// --- layout ----------------------------------------------------------------

int CAlarmDialog::layoutStyle() const { return std::clamp(alarm_->layoutStyle, 0, 2); }

void CAlarmDialog::DoLayout(const QSize& size)
{
    if (size.isEmpty() || size == lastLayoutSize_)
        return;
    screenClass_ = classify_screen();
    const int dpi = dpi_x();
    const int u = ((dpi + 24) * 2) / 96;
    unit_ = u;
    const int W = size.width();
    const int H = size.height();
    const int m = W - 4 * u;

    clockLabel_->setGeometry(2 * u, 2 * u, m, 18 * u);

    int R = 0;
    const bool sound = alarm_->showSoundControls != 0;
    vibrateBox_->setVisible(sound);
    volumeSlider_->setVisible(sound);
    skipButton_->setVisible(sound);
    if (sound) {
        const int v = (dpi * 10 + 48) / 96;
        const int b = H - 11 * u;
        vibrateBox_->setGeometry(2 * u, b - 2 * u, v + 35 * u, 11 * u);
        volumeSlider_->setGeometry(v + 39 * u, b - 2 * u, std::max(0, W - 8 * u - v - 35 * u - 11 * u), 11 * u);
        skipButton_->setGeometry(W - 13 * u, b - 2 * u, 11 * u, 11 * u);
        R = 13 * u;
    }

    const bool snooze = alarm_->useSnooze != 0;
    switch (layoutStyle()) {
    case 0:
        titleLabel_->setGeometry(2 * u, 20 * u, m, 25 * u);
        endButton_->setGeometry(W / 2 - 25 * u, H - R - 16 * u, 50 * u, 12 * u);
        countdownLabel_->setGeometry(2 * u, H - R - 11 * u, 25 * u, 7 * u);
        if (snooze)
            hintLabel_->setGeometry(2 * u, 45 * u, m, 7 * u);
        messageLabel_->setGeometry(2 * u, 52 * u, m, std::max(0, H - R - 68 * u));
        break;
    case 1:
        titleLabel_->setGeometry(2 * u, 20 * u, m, 25 * u);
        if (H - 54 * u - R - 25 * u >= 12 * u)
            endButton_->setGeometry(2 * u, 77 * u, m, H - 54 * u - R - 25 * u);
        else // a display too short for the medium button gets the small one
            endButton_->setGeometry(W / 2 - 25 * u, H - R - 16 * u, 50 * u, 12 * u);
        countdownLabel_->setGeometry(QRect());
        if (snooze)
            hintLabel_->setGeometry(2 * u, 45 * u, m, 7 * u);
        messageLabel_->setGeometry(2 * u, 52 * u, m, 25 * u);
        break;
    default:
        countdownLabel_->setGeometry(QRect());
        if (snooze) {
            hintLabel_->setGeometry(2 * u, 22 * u, m, 7 * u);
            endButton_->setGeometry(2 * u, 31 * u, m, std::max(0, H - R - 33 * u));
        } else {
            endButton_->setGeometry(2 * u, 22 * u, m, std::max(0, H - R - 24 * u));
        }
        break;
    }

    // Texts and fitted fonts. The fitted font is measured inside the label less u.
    auto fit = [u](QLabel* label, const QString& text) {
        label->setText(text);
        if (!text.isEmpty())
            label->setFont(FitFont(text, label->geometry(), u));
    };
    if (layoutStyle() != 2) {
        if (!alarm_->title.isEmpty())
            fit(titleLabel_, alarm_->title);
        if (!alarm_->message.isEmpty())
            fit(messageLabel_, alarm_->message);
    }
    const QFont small = KitFont(9);
    hintLabel_->setFont(small);
    countdownLabel_->setFont(small);
    if (countdown_ > 0 && layoutStyle() != 0)
        hintLabel_->setText(Text(kTextRemaining) + QLatin1Char(' ') + QString::number(countdown_));
    else
        hintLabel_->setText(Text(kTextTapToSnooze));
    if (countdown_ > 0 && layoutStyle() == 0)
        countdownLabel_->setText(QString::number(countdown_));
    endButton_->setText(Text(kTextEndAlarm));
    QFont endFont = KitFont(layoutStyle() == 0 ? 9 : 16);
    endFont.setBold(true);
    endButton_->setFont(endFont);
    vibrateBox_->setText(Text(kTextVibrate));
    vibrateBox_->setFont(small);

    lastLayoutSize_ = size;
    backgroundCache_ = QPixmap();
    backgroundCacheKey_.clear();
    UpdateBattery(false);
    UpdateClock();
    update();
}

void CAlarmDialog::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    DoLayout(size());
}

void CAlarmDialog::UpdateClock()
{
    const clock::LocalTime t = clock::ToLocal(clock::Now());
    const QLocale locale;
    clockLabel_->setText(ClockFormat::Format(clockFormat_, t.hour, t.minute, t.second, locale.amText(),
                                             locale.pmText()));
    update(clockLabel_->geometry());
}

// --- timers ----------------------------------------------------------------

void CAlarmDialog::StartTimer(int id, int ms)
{
    if (id <= 0 || id >= TimerCount)
        return;
    timers_[id].start(std::max(ms, 0), this);
    intervals_[id] = std::max(ms, 0);
}

void CAlarmDialog::KillTimer(int id)
{
    if (id > 0 && id < TimerCount)
        timers_[id].stop();
}

bool CAlarmDialog::timerActive(int id) const
{
    return id > 0 && id < TimerCount && timers_[id].isActive();
}

int CAlarmDialog::timerInterval(int id) const
{
    return id > 0 && id < TimerCount ? intervals_[id] : -1;
}

void CAlarmDialog::timerEvent(QTimerEvent* e)
{
    for (int id = 1; id < TimerCount; ++id) {
        if (timers_[id].timerId() == e->timerId()) {
            HandleTimer(id);
            return;
        }
    }
    QDialog::timerEvent(e);
}

void CAlarmDialog::HandleTimer(int id)
{
    if (ended_)
        return;
    switch (id) {
    case TimerCountdown: CountdownTick(); break;
    case TimerFade: FadeTick(); break;
    case TimerFallback:
        KillTimer(TimerFade);
        KillTimer(TimerFallback);
        PlayNext();
        break;
    case TimerClock:
        UpdateClock();
        UpdateBattery(true);
        break;
    case TimerBacklight:
        Backlight(true);
        KillTimer(TimerBacklight);
        break;
    case TimerCloseAfter: EndRinging(); break;
    case TimerVibrate:
        vibratePhase_ = !vibratePhase_;
        ApplyVibratePhase();
        break;
    case TimerPause: ResumeAfterPause(); break;
    case TimerSnoozeWake:
        KillTimer(TimerSnoozeWake);
        WithdrawSnoozeWake();
        break;
    default: break;
    }
}

// --- playback --------------------------------------------------------------

bool CAlarmDialog::CreatePlayer()
{
    player_ = CreateMediaPlayer();
    if (!player_)
        return false;
    connect(player_.get(), &MediaPlayer::ended, this, [this] {
        if (!ended_)
            PlayNext();
    });
    connect(player_.get(), &MediaPlayer::error, this, [this] {
        if (!ended_)
            MediaFailed();
    });
    return true;
}

void CAlarmDialog::PlayNext()
{
    if (ended_)
        return;
    // 1. Vibration as at the start of ringing.
    if (alarm_->vibrate) {
        if (alarm_->vibrateInterval)
            StartTimer(TimerVibrate, kSecondMs);
        else
            VibratorSet(true);
    }
    {
        const QSignalBlocker block(vibrateBox_);
        vibrateBox_->setChecked(alarm_->vibrate != 0);
    }

    // 2.
    const QString name = alarm_->GetNextPlaylistEntry();
    if (!player_ || name.isEmpty())
        return;

    // 3. The playlist has been played closeAfterTimes times: end.
    const int count = static_cast<int>(alarm_->GetPlaylist().size());
    if (alarm_->closeAfterTimes > 0 && count > 0 && itemsStarted_ / count == alarm_->closeAfterTimes) {
        player_->Stop();
        playState_ = Stopped;
        QTimer::singleShot(0, this, [this] {
            if (!ended_)
                EndRinging();
        });
        return;
    }

    // 4.
    ++itemsStarted_;

    // 5.
    const QFileInfo info(name);
    if (name.size() >= kMaxPathChars || !info.exists() || info.isDir()) {
        FallbackSound();
        return;
    }

    // 6.
    player_->Stop();
    playState_ = Stopped;
    player_->SetMedia(name);

    // 7. With a fade the player starts at the curve's first point right away, so
    // the first period does not sound at whatever volume the player had.
    if (alarm_->useFade) {
        fadeStep_ = 0;
        SetPlayerVolume(FadeVolume(volumeTarget_, alarm_->fade[0]), true);
        StartTimer(TimerFade, FadeStepPeriodMs(alarm_->fadeDuration));
    } else {
        SetPlayerVolume(volumeTarget_, true);
    }

    // 8.
    player_->Play();
    playState_ = Playing;
    if (RingTraceEnabled()) {
        if (player_->state() == MediaPlayer::Playing) {
            RingTraceMark("playing");
        } else {
            auto* poll = new QTimer(this);
            poll->setInterval(2);
            connect(poll, &QTimer::timeout, this, [this, poll] {
                if (player_ && player_->state() == MediaPlayer::Playing) {
                    RingTraceMark("playing");
                    poll->deleteLater();
                }
            });
            poll->start();
            QTimer::singleShot(5000, poll, &QObject::deleteLater);
        }
    }
}

void CAlarmDialog::MediaFailed()
{
    if (player_)
        player_->Stop();
    playState_ = Stopped;
    FallbackSound();
}

void CAlarmDialog::FallbackSound()
{
    if (alarm_->useFade) {
        fadeStep_ = 0;
        StartTimer(TimerFade, kFallbackFadePeriodMs);
    } else {
        SetPlayerVolume(volumeTarget_, true);
    }
    PlayWaveResource(kWaveAlarmFallback);
    StartTimer(TimerFallback, kFallbackMs);
}

void CAlarmDialog::SetPlayerVolume(int v, bool moveSlider)
{
    v = std::clamp(v, 0, 100);
    if (player_) {
        if (savedPlayerVolume_ < 0)
            savedPlayerVolume_ = player_->Volume();
        player_->SetVolume(v);
    }
    if (moveSlider) {
        const QSignalBlocker block(volumeSlider_);
        volumeSlider_->setValue(v);
    }
}

void CAlarmDialog::FadeTick()
{
    if (fadeStep_ > kFadeCurvePoints - 1) {
        KillTimer(TimerFade);
        return;
    }
    SetPlayerVolume(FadeVolume(volumeTarget_, alarm_->fade[fadeStep_]), true);
    ++fadeStep_;
}

void CAlarmDialog::SliderMoved(int value)
{
    if (ended_)
        return;
    LightForAWhile();
    KillTimer(TimerFade);
    SetPlayerVolume(value, false);
    volumeTarget_ = std::max(std::clamp(value, 0, 100), 10);
}

// --- vibration -------------------------------------------------------------

void CAlarmDialog::VibratorSet(bool on)
{
    if (!leds_)
        leds_ = std::make_unique<NotificationLeds>();
    if (leds_->Count() > 0)
        leds_->SetAll(on ? 1 : 0);
}

void CAlarmDialog::ApplyVibratePhase() { VibratorSet(vibratePhase_); }

void CAlarmDialog::SetVibrateChecked(bool on)
{
    if (ended_)
        return;
    alarm_->vibrate = on ? 1 : 0;
    {
        const QSignalBlocker block(vibrateBox_);
        vibrateBox_->setChecked(on);
    }
    LightForAWhile();
    if (alarm_->vibrateInterval) {
        KillTimer(TimerVibrate);
        if (on && countdown_ == 0) {
            StartTimer(TimerVibrate, kSecondMs);
            vibratePhase_ = !vibratePhase_;
            ApplyVibratePhase();
        } else {
            VibratorSet(false);
        }
    } else if (countdown_ == 0) {
        VibratorSet(on);
    }
}

// --- taps, keys, snooze ------------------------------------------------------

void CAlarmDialog::mousePressEvent(QMouseEvent* e) { e->accept(); }

void CAlarmDialog::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() == Qt::LeftButton)
        Tap();
}

void CAlarmDialog::Tap()
{
    if (ended_)
        return;
    if (countdown_ > 0 && !timerActive(TimerBacklight)) {
        Backlight(false);
        StartTimer(TimerBacklight, kBacklightMs);
        return;
    }
    SnoozeRoutine();
}

bool CAlarmDialog::KeyDown(int qtKey)
{
    if (ended_ || !alarm_->useSnooze || !IsSnoozeKeyCode(PlatformKeyCode(qtKey)))
        return false;
    SnoozeRoutine();
    return true;
}

void CAlarmDialog::keyPressEvent(QKeyEvent* e)
{
    if (KeyDown(e->key())) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool CAlarmDialog::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && KeyDown(static_cast<QKeyEvent*>(e)->key()))
        return true;
    return QDialog::eventFilter(watched, e);
}

void CAlarmDialog::SnoozeRoutine()
{
    if (ended_)
        return;
    // 1. closeAfterMinutes no longer applies after the first tap or snooze key.
    KillTimer(TimerBacklight);
    KillTimer(TimerCloseAfter);
    Backlight(false);
    if (!alarm_->useSnooze)
        return;

    // 2.
    if (alarm_->quiz > 0 && snoozeNumber_ >= alarm_->quiz) {
        RunQuiz();
        KillTimer(TimerPause);
        if (ended_) // an automatic stop while the quiz was shown
            return;
    }

    // 3.
    KillTimer(TimerVibrate);
    VibratorSet(false);
    KillTimer(TimerFade);
    SetPlayerVolume(0, true);
    if (player_)
        player_->Stop();
    playState_ = Stopped;
    KillTimer(TimerCountdown);
    KillTimer(TimerFallback);

    // 4. A stored snooze below one second counts as one.
    countdown_ = std::max(alarm_->snooze, 1) + 1;
    CountdownTick();
    StartTimer(TimerCountdown, kSecondMs);
    StartTimer(TimerBacklight, kBacklightMs);

    // 5.
    SetSnoozeWake();
}

void CAlarmDialog::CountdownTick()
{
    --countdown_;
    QLabel* label = layoutStyle() == 0 ? countdownLabel_ : hintLabel_;
    if (countdown_ <= 0) {
        countdown_ = 0;
        ++snoozeNumber_;
        KillTimer(TimerBacklight);
        Backlight(false);
        if (layoutStyle() == 0)
            countdownLabel_->setText(QString());
        else
            hintLabel_->setText(Text(kTextTapToSnooze));
        update(label->geometry());
        KillTimer(TimerCountdown);
        // The countdown is over in the foreground: the wake-up is not needed.
        WithdrawSnoozeWake();
        PlayNext();
        return;
    }
    if (layoutStyle() == 0)
        countdownLabel_->setText(QString::number(countdown_));
    else
        hintLabel_->setText(Text(kTextRemaining) + QLatin1Char(' ') + QString::number(countdown_));
    update(label->geometry());
}

void CAlarmDialog::RunQuiz()
{
    // Only the three known kinds count; with none selected the sum is used.
    const int bits = alarm_->quizTypes & 7;
    int type = 1;
    if (bits != 0) {
        int count = 0;
        for (int b = 0; b < 3; ++b)
            count += (bits >> b) & 1;
        std::srand(static_cast<unsigned>(clock::Now()));
        int index = std::rand() % count;
        for (int b = 0; b < 3; ++b) {
            if (!((bits >> b) & 1))
                continue;
            if (index-- == 0) {
                type = 1 << b;
                break;
            }
        }
    }
    const int level = alarm_->quizLevel + snoozeNumber_ - alarm_->quiz - 1;
    if (services_.quiz)
        services_.quiz(this, textColor_, backColor_, level, type);
}

void CAlarmDialog::SetSnoozeWake()
{
    WithdrawSnoozeWake();
    const int snooze = std::max(alarm_->snooze, 1);
    // A wake-up closer than the withdrawal lead would fire during the countdown.
    if (snooze <= 2 * kWakeLeadSeconds)
        return;
    notify::NotifyTrigger trigger;
    trigger.application = services_.wakeProgram.isEmpty() ? ProgramPath() : services_.wakeProgram.toStdString();
    trigger.arguments.clear();
    trigger.start = clock::ToLocal(clock::Now() + snooze - kWakeLeadSeconds);
    trigger.end = trigger.start;
    snoozeNotification_ = notify::NotifySetTime(trigger);
    // Withdrawn 5 s before it fires while the window still counts down (the timer
    // does not run while the device sleeps, so a sleeping device is still woken).
    const int64_t ms = static_cast<int64_t>(snooze - 2 * kWakeLeadSeconds) * 1000;
    StartTimer(TimerSnoozeWake, static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
}

void CAlarmDialog::WithdrawSnoozeWake()
{
    KillTimer(TimerSnoozeWake);
    if (snoozeNotification_ != 0) {
        notify::NotifyClear(snoozeNotification_);
        snoozeNotification_ = 0;
    }
}

void CAlarmDialog::Skip()
{
    if (ended_)
        return;
    LightForAWhile();
    countdownLabel_->setText(QString());
    hintLabel_->setText(Text(kTextTapToSnooze));
    update();
    KillTimer(TimerCountdown);
    countdown_ = 0;
    WithdrawSnoozeWake();
    PlayNext();
}

// --- backlight and pause ----------------------------------------------------

void CAlarmDialog::Backlight(bool dim)
{
    if (keepAwake_)
        keepAwake_->SetBacklight(dim);
}

void CAlarmDialog::LightForAWhile()
{
    Backlight(false);
    StartTimer(TimerBacklight, kBacklightMs);
}

void CAlarmDialog::RequestPause() { Pause(); }

void CAlarmDialog::Pause()
{
    if (ended_)
        return;
    KillTimer(TimerPause);
    if (playState_ == Playing && player_) {
        player_->Pause();
        playState_ = Paused;
    }
    if (alarm_->vibrate) {
        KillTimer(TimerVibrate);
        VibratorSet(false);
    }
    StartTimer(TimerPause, kPauseMs);
}

void CAlarmDialog::ResumeAfterPause()
{
    KillTimer(TimerPause);
    if (playState_ == Paused && player_) {
        player_->Play();
        playState_ = Playing;
    }
    // A snooze that began meanwhile keeps the vibrator still.
    if (alarm_->vibrate && countdown_ == 0) {
        if (alarm_->vibrateInterval)
            StartTimer(TimerVibrate, kSecondMs);
        else
            VibratorSet(true);
    }
}

bool CAlarmDialog::event(QEvent* e)
{
    if (e->type() == PauseEventType) {
        Pause();
        return true;
    }
    return QDialog::event(e);
}

// --- ending ------------------------------------------------------------------

void CAlarmDialog::EndAlarm()
{
    if (ended_)
        return;
    KillTimer(TimerBacklight);
    Backlight(false);
    SnoozeRoutine();
    if (ended_)
        return;
    if (alarm_->confirmClose) {
        bool yes;
        if (services_.confirmClose)
            yes = services_.confirmClose(this, backColor_, textColor_);
        else
            yes = ShowMessageBox(Text(kTextCloseAlarm), Text(kTextQuestion), MsgButtons::YesNo, MsgIcon::Question,
                                 this) == MsgAnswer::Yes;
        if (!yes || ended_)
            return;
    }
    KillTimer(TimerCountdown);
    EndRinging();
}

void CAlarmDialog::EndRinging()
{
    Cleanup();
    done(QDialog::Accepted);
}

void CAlarmDialog::reject()
{
    // Escape must not end an alarm behind the user's back; nothing happens.
}

void CAlarmDialog::closeEvent(QCloseEvent* e)
{
    e->accept();
    Cleanup();
    setResult(QDialog::Accepted);
    QDialog::done(QDialog::Accepted);
}

void CAlarmDialog::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || !initDone_)
        return;
    switch (DecideOnDeactivate(this, ended_)) {
    case AutoStopDecision::Stop: // a phone call came to the front
        KillTimer(TimerCountdown);
        EndRinging();
        break;
    case AutoStopDecision::Reassert: OnLostActivation(); break;
    case AutoStopDecision::Nothing: break;
    }
}

void CAlarmDialog::OnLostActivation() { ReassertForeground(); }

void CAlarmDialog::Cleanup()
{
    if (ended_)
        return;
    ended_ = true;

    // 1.
    VibratorSet(false);
    for (int id = 1; id < TimerCount; ++id)
        KillTimer(id);

    // 2. The player's volume is put back exactly as it was found.
    if (player_) {
        player_->Stop();
        playState_ = Stopped;
        if (savedPlayerVolume_ >= 0)
            player_->SetVolume(savedPlayerVolume_);
        disconnect(player_.get(), nullptr, this, nullptr);
        player_.reset();
    }

    // The snooze wake-up must not start the program after the alarm ended.
    WithdrawSnoozeWake();

    // 3.
    if (Profile::ReadInt("settings", "endSound", 0) != 0)
        PlayWaveResource(kWaveEndSound);

    // 4.
    RestoreVolume();

    // 5.
    alarm_->vibrate = startingVibrate_;
}

// --- forced volume -----------------------------------------------------------

void CAlarmDialog::ForceVolume()
{
    if (!alarm_->forceVolume)
        return;
    savedWaveValid_ = GetWaveOutVolume(&savedWaveVolume_);
    const SoundSetting sound = GetAllEventsSound();
    savedSoundType_ = static_cast<int>(sound.type);
    savedSoundFile_ = sound.file;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
        uint32_t v = 0;
        if (key.ReadDword(kShellSavedVolumeValue, &v))
            savedShellVolume_ = v;
        if (key.ReadDword(kShellSavedRingerVolumeValue, &v))
            savedRingerVolume_ = v;
    }
    SetWaveOutVolume(WaveValueForPercent(alarm_->volume));
    volumeForced_ = true;
}

void CAlarmDialog::RestoreVolume()
{
    if (!volumeForced_)
        return;
    volumeForced_ = false;
    if (savedWaveValid_)
        SetWaveOutVolume(savedWaveVolume_);
    SoundSetting sound;
    sound.type = static_cast<SoundType>(savedSoundType_);
    sound.file = savedSoundFile_;
    SetAllEventsSound(sound);
    if (savedShellVolume_ >= 0 && savedRingerVolume_ >= 0) {
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key) == RegOk) {
            key.WriteDword(kShellSavedVolumeValue, static_cast<uint32_t>(savedShellVolume_));
            key.WriteDword(kShellSavedRingerVolumeValue, static_cast<uint32_t>(savedRingerVolume_));
            key.Close();
            RegFlush(Hive::CurrentUser);
        }
    }
}

// --- painting ------------------------------------------------------------------

QString CAlarmDialog::backgroundName() const
{
    if (alarm_->backImageStyle == 0)
        return QString();
    QString name = choose_background(*alarm_, screenClass_);
    // Bare file names only: whatever stands before the last separator is dropped.
    const int cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        name = name.mid(cut + 1);
    return name;
}

void CAlarmDialog::UpdateBackgroundCache()
{
    const QString name = backgroundName();
    const int style = alarm_->backImageStyle;
    const QString key = QStringLiteral("%1|%2|%3x%4").arg(name).arg(style).arg(width()).arg(height());
    if (key == backgroundCacheKey_)
        return;
    backgroundCacheKey_ = key;
    backgroundCache_ = QPixmap();
    if (name.isEmpty() || style < 1 || style > 3)
        return;
    const QString dir = services_.imagesDir.isEmpty()
                            ? QString::fromStdString(ProgramDir()) + QStringLiteral("/images")
                            : services_.imagesDir;
    QImageReader reader(dir + QLatin1Char('/') + name);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return;

    // With sound controls the picture ends halfway between the End button and them.
    QRect area = rect();
    if (alarm_->showSoundControls) {
        const int controlsTop = height() - 13 * unit_;
        const int endBottom = endButton_->geometry().bottom() + 1;
        area.setBottom((endBottom + controlsTop) / 2 - 1);
    }
    const qreal dpr = devicePixelRatioF();
    QPixmap cache(size() * dpr);
    cache.setDevicePixelRatio(dpr);
    cache.fill(Qt::transparent);
    QPainter p(&cache);
    p.setClipRect(area);
    switch (style) {
    case 1:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(area, image);
        break;
    case 2: {
        p.fillRect(area, ToQColor(backColor_));
        const QPoint at(area.left() + (area.width() - image.width()) / 2,
                        area.top() + (area.height() - image.height()) / 2);
        p.drawImage(at, image);
        break;
    }
    default:
        for (int y = area.top(); y <= area.bottom(); y += image.height())
            for (int x = area.left(); x <= area.right(); x += image.width())
                p.drawImage(QPoint(x, y), image);
        break;
    }
    p.end();
    backgroundCache_ = cache;
}

void CAlarmDialog::UpdateBattery(bool repaint)
{
    const PowerStatus status = ReadPowerStatus();
    const int id = status.onMains ? -1 : BatteryIconForPercent(status.batteryPercent);
    QRect r;
    if (id >= 0) {
        const int dpi = dpi_x();
        const int s = std::max((dpi + 48) / 96, 1);
        const QSize iconSize = BatteryIconSize(s);
        if (layoutStyle() == 0) {
            const int right = width() - RoundDiv96(5, dpi);
            const int bottom = endButton_->geometry().bottom() + 1;
            r = QRect(right - iconSize.width(), bottom - iconSize.height(), iconSize.width(), iconSize.height());
        } else {
            const int margin = RoundDiv96(6, dpi);
            r = QRect(width() - margin - iconSize.width(), margin, iconSize.width(), iconSize.height());
        }
    }
    if (id == batteryIcon_ && r == batteryRect_)
        return;
    if (repaint) {
        update(batteryRect_);
        update(r);
    }
    batteryIcon_ = id;
    batteryRect_ = r;
}

void CAlarmDialog::PaintLabel(QPainter& p, QLabel* label)
{
    const QString text = label->text();
    const QRect r = label->geometry();
    if (text.isEmpty() || r.isEmpty())
        return;
    if (label->frameShape() != QFrame::NoFrame) {
        const uint32_t shade = GradientShade(backColor_, kGradientShade);
        if (backgroundCache_.isNull()) // a picture behind stays visible
            PaintVerticalGradient(p, r.adjusted(1, 1, -1, -1), shade, backColor_);
        PaintCutFrame(p, r, shade, backColor_);
    }
    // Wrapped texts keep the margin of u their font was fitted to.
    const QRect inner = label->wordWrap() ? r.adjusted(unit_, unit_, -unit_, -unit_) : r;
    const int wrap = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    const int hAlign = int(label->alignment() & Qt::AlignHorizontal_Mask);
    p.setFont(label->font());
    const QFontMetrics fm(label->font());
    const int need = fm.boundingRect(inner, hAlign | Qt::AlignTop | wrap, text).height();
    const QRect band = CenteredTextBand(inner, need, std::max(1, fm.lineSpacing()));
    p.save();
    p.setClipRect(band.adjusted(-1, -1, 1, 1));
    const int vAlign = need > inner.height() ? Qt::AlignTop : Qt::AlignVCenter;
    DrawBorderedText(p, band, hAlign | vAlign | wrap, text, textColor_, backColor_, !alarm_->noTextBorder);
    p.restore();
}

void CAlarmDialog::paintEvent(QPaintEvent*)
{
    // Qt paints into the window's back buffer and shows it in one block.
    QPainter p(this);
    const QColor back = ToQColor(backColor_);
    PaintWindowBackground(p, rect(), backColor_, kGradientShade);

    if (alarm_->backImageStyle != 0) {
        UpdateBackgroundCache();
        if (!backgroundCache_.isNull())
            p.drawPixmap(0, 0, backgroundCache_);
    }

    p.setBackgroundMode(Qt::TransparentMode);
    const bool style2 = layoutStyle() == 2;
    for (QLabel* label : {clockLabel_, titleLabel_, messageLabel_, hintLabel_, countdownLabel_}) {
        if (label == hintLabel_ && !alarm_->useSnooze)
            continue;
        if (style2 && (label == titleLabel_ || label == messageLabel_))
            continue;
        if (label == countdownLabel_ && layoutStyle() != 0)
            continue;
        PaintLabel(p, label);
    }

    if (alarm_->showSoundControls)
        p.fillRect(0, height() - kSoundStripHeight, width(), kSoundStripHeight, back);

    if (batteryIcon_ >= 0) {
        const qreal dpr = devicePixelRatioF();
        const int s = std::max((dpi_x() + 48) / 96, 1);
        QPixmap icon = BatteryIcon(batteryIcon_, std::max(1, qRound(s * dpr)));
        icon.setDevicePixelRatio(icon.width() / qreal(batteryRect_.width()));
        p.drawPixmap(batteryRect_.topLeft(), icon);
    }
    p.end();
    RingTraceMark("window-shown");
}

// --- running -------------------------------------------------------------------

int RunRingingWindow(Alarm* alarm, QWidget* parent)
{
    if (!alarm)
        return QDialog::Rejected;
    CAlarmDialog dialog(alarm, parent);
    return dialog.exec();
}

} // namespace dawnbell
