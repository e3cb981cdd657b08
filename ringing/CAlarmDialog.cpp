#include "CAlarmDialog.h"

#include "Alarm.h"
#include "AutoStop.h"
#include "ClockFormat.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DevicePaths.h"
#include "DeviceVolumeOverride.h"
#include "KitFont.h"
#include "KitStyle.h"
#include "Locale.h"
#include "MessageBox.h"
#include "ModemCallWatch.h"
#include "Profile.h"
#include "QuizGame.h"
#include "RingTrace.h"
#include "Scaling.h"
#include "ScreenClass.h"
#include "SnoozeKeys.h"
#include "Texts.h"
#include "WaveResources.h"
#include "WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace dawnbell {

namespace {

// Texts.
constexpr int kTextPlayerFailed = 1;
constexpr int kTextRemaining = 3;
constexpr int kTextTapToSnooze = 12;
constexpr int kTextEndAlarm = 13;
constexpr int kTextVibrate = 23;
constexpr int kTextError = 113;

// Font sizes, points: the clock, the End button of layouts 1 and 2, and the
// small texts (hint, countdown, check box, the small End button).
constexpr int kClockPointSize = 22;
constexpr int kEndPointSize = 16;
constexpr int kSmallPointSize = 9;

} // namespace

const QEvent::Type CAlarmDialog::PauseEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

CAlarmDialog::CAlarmDialog(Alarm* alarm, QWidget* parent)
    : CAlarmDialog(alarm, parent, DefaultRingingServices())
{
}

CAlarmDialog::CAlarmDialog(Alarm* alarm, QWidget* parent, const RingingServices& services)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      alarm_(alarm), services_(services), timers_(this, TimerCount), backlight_(&timers_),
      playback_(alarm, &timers_), vibration_(alarm, &timers_),
      snoozeWake_(services.wakeProgram.isEmpty() ? ProgramPath() : services.wakeProgram.toStdString())
{
    Init();
}

CAlarmDialog::~CAlarmDialog()
{
    Cleanup();
}

// --- start -----------------------------------------------------------------

void CAlarmDialog::Init()
{
    setObjectName(QStringLiteral("CAlarmDialog"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; nothing is erased
    setFocusPolicy(Qt::StrongFocus);
    backColor_ = (alarm_->useBackColor ? alarm_->backColor : AppBackColor()) & 0xFFFFFF;
    textColor_ = (alarm_->useTextColor ? alarm_->textColor : AppTextColor()) & 0xFFFFFF;
    clockFormat_ = ClockFormat::FromPicture(LocaleTimeFormat());
    qInfo("Ringing %s \"%s\".", qPrintable(alarm_->GetKey()), qPrintable(alarm_->title));

    CreateControls();
    startingVibrate_ = alarm_->vibrate;
    backlight_.KeepAwake(services_.keepAwake); // suspend and key lock off, backlight on
    PreparePlayback();
    PlayNext();
    timers_.Start(TimerClock, kSecondMs);
    ForceDeviceVolume();
    WatchCalls();
    StartCloseAfterTimer();
    GoFullScreen();
    initDone_ = true;
}

// The clock font, the hidden labels and the controls in the window's colours.
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
    clockFont_ = KitFont(kClockPointSize);
    clockLabel_->setFont(clockFont_);

    // The controls take the window's colours; keys reach the window itself, so
    // the snooze keys work whatever has focus.
    auto control = [this](auto* w, int id) {
        w->setObjectName(QString::number(id));
        ApplyColors(w);
        w->setFocusPolicy(Qt::NoFocus);
        w->installEventFilter(this);
        return w;
    };
    endButton_ = control(new QPushButton(this), IdEnd);
    endButton_->setDefault(true);
    connect(endButton_, &QPushButton::clicked, this, [this] { EndAlarm(); });
    vibrateBox_ = control(new QCheckBox(this), IdVibrate);
    connect(vibrateBox_, &QCheckBox::toggled, this, [this](bool on) { SetVibrateChecked(on); });
    volumeSlider_ = control(new QSlider(Qt::Horizontal, this), IdVolume);
    volumeSlider_->setRange(0, 100);
    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) { SliderMoved(v); });
    skipButton_ = control(new QPushButton(QStringLiteral(">>"), this), IdSkip);
    skipButton_->setAutoDefault(false);
    connect(skipButton_, &QPushButton::clicked, this, [this] { Skip(); });
    ApplyColors(this);

    connect(&playback_, &RingingPlayback::volumeShown, this, [this](int v) {
        const QSignalBlocker block(volumeSlider_);
        volumeSlider_->setValue(v);
    });
    connect(&playback_, &RingingPlayback::itemEnded, this, [this] { PlayNext(); });
}

// A player only when there is something to play; the playlist shuffled in
// memory when `random` is set, and its cursor at the first entry.
void CAlarmDialog::PreparePlayback()
{
    if (!alarm_->GetNextPlaylistEntry().isEmpty()) {
        if (!playback_.Create())
            ShowMessageBox(Text(kTextPlayerFailed), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
    }
    alarm_->ResetPlaylistCursor();
    if (alarm_->random) {
        alarm_->ShufflePlaylist();
        alarm_->ResetPlaylistCursor();
    }
}

// forceVolume: the device volume at the alarm's `volume` until the cleanup.
void CAlarmDialog::ForceDeviceVolume()
{
    if (alarm_->forceVolume)
        volumeOverride_ = std::make_unique<DeviceVolumeOverride>(alarm_->volume);
}

// A call the modem service announces ends the ringing like the phone program in front.
void CAlarmDialog::WatchCalls()
{
    connect(new ModemCallWatch(this), &ModemCallWatch::callArrived, this, &CAlarmDialog::StopForCall);
}

// closeAfterMinutes: the ringing ends by itself (the period is bounded to int).
void CAlarmDialog::StartCloseAfterTimer()
{
    if (alarm_->closeAfterMinutes <= 0)
        return;
    const int64_t ms = static_cast<int64_t>(alarm_->closeAfterMinutes) * 60000;
    timers_.Start(TimerCloseAfter, static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
}

void CAlarmDialog::ApplyColors(QWidget* w) { ApplyKitColors(w, backColor_, textColor_); }

void CAlarmDialog::GoFullScreen()
{
    QRect target = ScreenRect(this);
    if (!CurrentScreen().emulated && screen())
        setWindowState(windowState() | Qt::WindowFullScreen);
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

// --- layout ----------------------------------------------------------------

int CAlarmDialog::layoutStyle() const { return std::clamp(alarm_->layoutStyle, 0, 2); }

void CAlarmDialog::DoLayout(const QSize& size)
{
    if (size.isEmpty() || size == lastLayoutSize_)
        return;
    screenClass_ = classify_screen();
    layout_ = ComputeRingingLayout(size, dpi_x(), layoutStyle(), alarm_->showSoundControls != 0,
                                   alarm_->useSnooze != 0);
    const RingingLayout& l = layout_;
    clockLabel_->setGeometry(l.clock);
    for (QWidget* w : {static_cast<QWidget*>(vibrateBox_), static_cast<QWidget*>(volumeSlider_),
                       static_cast<QWidget*>(skipButton_)})
        w->setVisible(l.soundControls);
    if (l.soundControls) {
        vibrateBox_->setGeometry(l.vibrate);
        volumeSlider_->setGeometry(l.slider);
        skipButton_->setGeometry(l.skip);
    }
    titleLabel_->setGeometry(l.title);
    messageLabel_->setGeometry(l.message);
    hintLabel_->setGeometry(l.hint);
    countdownLabel_->setGeometry(l.countdown);
    endButton_->setGeometry(l.end);

    // Texts and fitted fonts. The fitted font is measured inside the label less u.
    auto fit = [u = l.unit](QLabel* label, const QString& text) {
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
    const QFont small = KitFont(kSmallPointSize);
    hintLabel_->setFont(small);
    countdownLabel_->setFont(small);
    ShowCountdown();
    endButton_->setText(Text(kTextEndAlarm));
    QFont endFont = KitFont(l.smallEnd ? kSmallPointSize : kEndPointSize);
    endFont.setBold(true);
    endButton_->setFont(endFont);
    vibrateBox_->setText(Text(kTextVibrate));
    vibrateBox_->setFont(small);

    lastLayoutSize_ = size;
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

void CAlarmDialog::UpdateBattery(bool repaint)
{
    QRect previous;
    if (canvas_.UpdateBattery(layoutStyle(), size(), endButton_->geometry(), dpi_x(), &previous) && repaint) {
        update(previous);
        update(canvas_.batteryRect());
    }
}

// --- timers ----------------------------------------------------------------

void CAlarmDialog::timerEvent(QTimerEvent* e)
{
    if (const int id = timers_.Find(e->timerId()))
        HandleTimer(id);
    else
        QDialog::timerEvent(e);
}

void CAlarmDialog::HandleTimer(int id)
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
    case TimerClock:
        UpdateClock();
        UpdateBattery(true);
        break;
    case TimerBacklight: backlight_.Dim(); break;
    case TimerCloseAfter: EndRinging("closeAfterMinutes reached"); break;
    case TimerVibrate: vibration_.Tick(); break;
    case TimerPause: ResumeAfterPause(); break;
    case TimerSnoozeWake: WithdrawSnoozeWake(); break;
    default: break;
    }
}

// --- playback --------------------------------------------------------------

// Vibration as at the start of ringing, then the next playlist item.
void CAlarmDialog::PlayNext()
{
    if (ended_)
        return;
    vibration_.Start();
    {
        const QSignalBlocker block(vibrateBox_);
        vibrateBox_->setChecked(alarm_->vibrate != 0);
    }
    if (playback_.PlayNext() == RingingPlayback::PassesDone) {
        QTimer::singleShot(0, this, [this] {
            if (!ended_)
                EndRinging("closeAfterTimes reached");
        });
    }
}

void CAlarmDialog::SliderMoved(int value)
{
    if (ended_)
        return;
    backlight_.LightForAWhile();
    playback_.SliderMoved(value);
}

// --- vibration -------------------------------------------------------------

void CAlarmDialog::SetVibrateChecked(bool on)
{
    if (ended_)
        return;
    alarm_->vibrate = on ? 1 : 0;
    {
        const QSignalBlocker block(vibrateBox_);
        vibrateBox_->setChecked(on);
    }
    backlight_.LightForAWhile();
    vibration_.Checked(on, countdown_ > 0);
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
    if (countdown_ > 0 && !backlight_.dimmingPending()) {
        backlight_.LightForAWhile();
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
    // closeAfterMinutes no longer applies after the first tap or snooze key.
    backlight_.OnUntilFurtherNotice();
    timers_.Kill(TimerCloseAfter);
    if (!alarm_->useSnooze)
        return;

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
    backlight_.DimLater();
    SetSnoozeWake();
}

// Vibration, fade and playback stop; the player's volume and the slider go to 0
// (the target stays).
void CAlarmDialog::SilenceForSnooze()
{
    vibration_.Stop();
    playback_.Silence();
    timers_.Kill(TimerCountdown);
}

void CAlarmDialog::CountdownTick()
{
    --countdown_;
    if (countdown_ <= 0) {
        countdown_ = 0;
        ++snoozeNumber_;
        backlight_.OnUntilFurtherNotice();
        ShowCountdown();
        timers_.Kill(TimerCountdown);
        // The countdown is over in the foreground: the wake-up is not needed.
        WithdrawSnoozeWake();
        PlayNext();
        return;
    }
    ShowCountdown();
}

// The countdown (or "Tap to snooze..." when none runs) in the label of the layout.
void CAlarmDialog::ShowCountdown()
{
    if (layoutStyle() == 0) {
        countdownLabel_->setText(countdown_ > 0 ? QString::number(countdown_) : QString());
        hintLabel_->setText(Text(kTextTapToSnooze));
    } else {
        hintLabel_->setText(countdown_ > 0 ? Text(kTextRemaining) + QLatin1Char(' ') + QString::number(countdown_)
                                           : Text(kTextTapToSnooze));
    }
    update(countdownLabel_->geometry());
    update(hintLabel_->geometry());
}

void CAlarmDialog::RunQuiz()
{
    const int type = QuizGame::ChooseType(alarm_->quizTypes, static_cast<unsigned>(clock::Now()));
    const int level = alarm_->quizLevel + snoozeNumber_ - alarm_->quiz - 1;
    if (services_.quiz)
        services_.quiz(this, textColor_, backColor_, level, type);
}

// The wake-up for a device that sleeps through the countdown; withdrawn before
// it fires while the window still counts down (the timer does not run while the
// device sleeps, so a sleeping device is still woken).
void CAlarmDialog::SetSnoozeWake()
{
    timers_.Kill(TimerSnoozeWake);
    const int withdrawMs = snoozeWake_.ForSnooze(std::max(alarm_->snooze, 1));
    if (withdrawMs >= 0)
        timers_.Start(TimerSnoozeWake, withdrawMs);
}

void CAlarmDialog::WithdrawSnoozeWake()
{
    timers_.Kill(TimerSnoozeWake);
    snoozeWake_.Withdraw();
}

void CAlarmDialog::Skip()
{
    if (ended_)
        return;
    backlight_.LightForAWhile();
    timers_.Kill(TimerCountdown);
    countdown_ = 0;
    ShowCountdown();
    WithdrawSnoozeWake();
    PlayNext();
}

// --- pause ----------------------------------------------------

void CAlarmDialog::RequestPause() { Pause(); }

void CAlarmDialog::Pause()
{
    if (ended_)
        return;
    timers_.Kill(TimerPause);
    playback_.Pause();
    if (alarm_->vibrate)
        vibration_.Stop();
    timers_.Start(TimerPause, kPauseMs);
}

void CAlarmDialog::ResumeAfterPause()
{
    timers_.Kill(TimerPause);
    playback_.Resume();
    // A snooze that began meanwhile keeps the vibrator still.
    if (countdown_ == 0)
        vibration_.Start();
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
    backlight_.OnUntilFurtherNotice();
    SnoozeRoutine();
    if (ended_)
        return;
    if (alarm_->confirmClose && (!ConfirmClose(services_, this, backColor_, textColor_) || ended_))
        return;
    timers_.Kill(TimerCountdown);
    EndRinging("End alarm");
}

void CAlarmDialog::EndRinging(const char* why)
{
    if (!ended_)
        qInfo("Ringing of %s ended: %s.", qPrintable(alarm_->GetKey()), why);
    Cleanup();
    CloseOwnWindows();
    QDialog::done(QDialog::Accepted);
}

void CAlarmDialog::done(int)
{
    EndRinging("the window was dismissed");
}

// The quiz or the confirmation still open ends with the ringing, so the caller's
// after-ringing path runs at once.
void CAlarmDialog::CloseOwnWindows()
{
    for (QDialog* d : findChildren<QDialog*>()) {
        if (d->isVisible() && !d->close())
            d->done(QDialog::Rejected);
    }
}

void CAlarmDialog::reject()
{
    // Escape must not end an alarm behind the user's back; nothing happens.
}

void CAlarmDialog::closeEvent(QCloseEvent* e)
{
    // A close request from the window system (Alt+F4, the title bar) is the End
    // alarm button, with its snooze, quiz and confirmation; the program's own
    // close runs the cleanup.
    // End alarm runs after this event, not inside it: its quiz and confirmation
    // must not run while the window is still in the middle of closing.
    if (e->spontaneous()) {
        e->ignore();
        QMetaObject::invokeMethod(this, &CAlarmDialog::EndAlarm, Qt::QueuedConnection);
    } else {
        e->accept();
        EndRinging("the program closed the window");
    }
}

void CAlarmDialog::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || !initDone_)
        return;
    switch (DecideOnDeactivate(this, ended_)) {
    case AutoStopDecision::Stop: StopForCall(QStringLiteral("the phone application came to the front")); break;
    case AutoStopDecision::Reassert: OnLostActivation(); break;
    case AutoStopDecision::Nothing: break;
    }
}

void CAlarmDialog::OnLostActivation() { ReassertForeground(); }

void CAlarmDialog::StopForCall(const QString& why)
{
    if (!AutoStopOnCall(ended_))
        return;
    timers_.Kill(TimerCountdown);
    EndRinging(qPrintable("automatic stop, " + why));
}

// Everything the ringing changed goes back; runs once.
void CAlarmDialog::Cleanup()
{
    if (ended_)
        return;
    ended_ = true;
    RingTraceMark("ringing-ended");
    vibration_.Stop();
    timers_.KillAll();
    playback_.Release();
    // The snooze wake-up must not start the program after the alarm ended.
    snoozeWake_.Withdraw();
    if (Profile::ReadInt("settings", "endSound", 0) != 0)
        PlayWaveResource(kWaveEndSound);
    volumeOverride_.reset();
    alarm_->vibrate = startingVibrate_;
}

// --- painting ------------------------------------------------------------------

QString CAlarmDialog::backgroundName() const
{
    return alarm_->backImageStyle == 0 ? QString() : RingingCanvas::PictureName(*alarm_, screenClass_);
}

void CAlarmDialog::paintEvent(QPaintEvent*)
{
    RingingCanvas::Scene scene;
    scene.size = size();
    scene.dpr = devicePixelRatioF();
    scene.backColor = backColor_;
    scene.textColor = textColor_;
    scene.unit = layout_.unit;
    scene.textBorder = !alarm_->noTextBorder;
    if (const QString name = backgroundName(); !name.isEmpty()) {
        const QString dir = services_.imagesDir.isEmpty()
                                ? QString::fromStdString(ProgramDir()) + QStringLiteral("/images")
                                : services_.imagesDir;
        scene.picturePath = dir + QLatin1Char('/') + name;
        scene.pictureStyle = alarm_->backImageStyle;
        // With sound controls the picture ends halfway between the End button and them.
        scene.pictureArea = rect();
        if (layout_.soundControls)
            scene.pictureArea.setBottom((layout_.end.bottom() + 1 + layout_.vibrate.top()) / 2 - 1);
    }
    const bool style2 = layoutStyle() == 2;
    for (QLabel* label : {clockLabel_, titleLabel_, messageLabel_, hintLabel_, countdownLabel_}) {
        if ((label == hintLabel_ && !alarm_->useSnooze) || (style2 && (label == titleLabel_ || label == messageLabel_))
            || (label == countdownLabel_ && layoutStyle() != 0))
            continue;
        scene.labels.push_back(label);
    }
    scene.soundStrip = layout_.soundControls;

    // Qt paints into the window's back buffer and shows it in one block.
    QPainter p(this);
    canvas_.Paint(p, scene);
    p.end();
    RingTraceMark("window-shown");
}

} // namespace dawnbell
