#include "CAlarmDialog.h"

#include "AccessibleOwnerDrawn.h"
#include "AddedFiles.h"
#include "Alarm.h"
#include "AutoStop.h"
#include "ClockFormat.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DevicePaths.h"
#include "KitFont.h"
#include "KitStyle.h"
#include "Locale.h"
#include "MessageBox.h"
#include "RingTrace.h"
#include "Scaling.h"
#include "ScreenClass.h"
#include "SnoozeKeys.h"
#include "TextFormat.h"
#include "Texts.h"
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

#include <algorithm>

namespace dawnbell {

namespace {

// Texts.
constexpr int kTextPlayerFailed = 1;
constexpr int kTextRemaining = 3;
constexpr int kTextTapToSnooze = 12;
constexpr int kTextEndAlarm = 13;
constexpr int kTextVibrate = 23;
constexpr int kTextError = 113;
constexpr int kTextSnoozedUntil = 230; // "Snoozed until %s" (hours:minutes)
constexpr int kTextSnooze = 320;          // "Snooze" (the tap area, for screen readers)
constexpr int kTextSnoozeCountdown = 321; // "Snooze countdown"
constexpr int kTextVolume = 337;          // "Volume" (the slider, for screen readers)

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
      alarm_(alarm), services_(services), ringing_(alarm, services, this)
{
    Init();
}

CAlarmDialog::~CAlarmDialog()
{
    ringing_.End();
}

// --- start -----------------------------------------------------------------

void CAlarmDialog::Init()
{
    setObjectName(QStringLiteral("CAlarmDialog"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; nothing is erased
    setFocusPolicy(Qt::StrongFocus);
    clockFormat_ = ClockFormat::FromPicture(LocaleTimeFormat());

    CreateControls();
    ringing_.Start();
    ringing_.timers().Start(TimerClock, kSecondMs);
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
        // Tab reaches each control (a tap never focuses one), so End alarm,
        // vibration, volume and ">>" work without a pointer; the filter still
        // hands the snooze keys to the window before the control sees them.
        w->setFocusPolicy(Qt::TabFocus);
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
    volumeSlider_->setAccessibleName(Text(kTextVolume));
    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) { SliderMoved(v); });
    skipButton_ = control(new QPushButton(QStringLiteral(">>"), this), IdSkip);
    skipButton_->setAutoDefault(false);
    connect(skipButton_, &QPushButton::clicked, this, [this] { Skip(); });
    ApplyColors(this);

    // What the ringing does shows in the window; its ends close it.
    connect(&ringing_, &AlarmRinging::volumeShown, this, [this](int v) {
        const QSignalBlocker block(volumeSlider_);
        volumeSlider_->setValue(v);
    });
    connect(&ringing_, &AlarmRinging::vibrateShown, this, [this](bool on) {
        const QSignalBlocker block(vibrateBox_);
        vibrateBox_->setChecked(on);
    });
    connect(&ringing_, &AlarmRinging::countdownChanged, this, [this] { ShowCountdown(); });
    connect(&ringing_, &AlarmRinging::clockTick, this, [this] {
        UpdateClock();
        UpdateBattery(true);
    });
    connect(&ringing_, &AlarmRinging::playerFailed, this, [this] {
        ShowMessageBox(Text(kTextPlayerFailed), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
    });
    connect(&ringing_, &AlarmRinging::endRequested, this, [this](const QString& why) { EndRinging(why); });
}

void CAlarmDialog::ApplyColors(QWidget* w) { ApplyKitColors(w, ringing_.backColor(), ringing_.textColor()); }

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
    ShowLabelText(clockLabel_, ClockFormat::Format(clockFormat_, t.hour, t.minute, t.second, locale.amText(),
                                                   locale.pmText()));
}

void CAlarmDialog::ShowLabelText(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    update(label->geometry());
}

void CAlarmDialog::UpdateBattery(bool repaint)
{
    QRect previous;
    if (canvas_.UpdateBattery(layoutStyle(), size(), endButton_->geometry(), dpi_x(), &previous) && repaint) {
        update(previous);
        update(canvas_.batteryRect());
    }
}

// --- what the user does -------------------------------------------------------

void CAlarmDialog::HandleTimer(int id) { ringing_.HandleTimer(id); }

void CAlarmDialog::SliderMoved(int value) { ringing_.SliderMoved(value); }

void CAlarmDialog::SetVibrateChecked(bool on) { ringing_.SetVibrateChecked(on); }

void CAlarmDialog::mousePressEvent(QMouseEvent* e) { e->accept(); }

void CAlarmDialog::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() == Qt::LeftButton)
        Tap();
}

void CAlarmDialog::Tap() { ringing_.Tap(); }

bool CAlarmDialog::KeyDown(int qtKey)
{
    if (ringing_.ended() || !alarm_->useSnooze || !IsSnoozeKeyCode(PlatformKeyCode(qtKey)))
        return false;
    ringing_.Snooze();
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

void CAlarmDialog::ShowCountdown()
{
    const int countdown = ringing_.countdown();
    // A countdown that rises is a new snooze: it ends `countdown` seconds from now.
    if (countdown > shownCountdown_)
        snoozeEnd_ = clock::Now() + countdown;
    else if (countdown == 0)
        snoozeEnd_ = 0;
    shownCountdown_ = countdown;
    // A tick repaints the line whose text changed, and only its area: in layout
    // 0 the number beside the End button, in layouts 1 and 2 the hint line.
    if (layoutStyle() == 0) {
        ShowLabelText(countdownLabel_, countdown > 0 ? QString::number(countdown) : QString());
        if (countdown > 0) {
            // The minute the ringing resumes in, as the clock shows it.
            const clock::LocalTime end = clock::ToLocal(snoozeEnd_);
            const QString until = QStringLiteral("%1:%2")
                                      .arg(end.hour, 2, 10, QLatin1Char('0'))
                                      .arg(end.minute, 2, 10, QLatin1Char('0'));
            ShowLabelText(hintLabel_, FormatTextId(kTextSnoozedUntil, {until}));
        } else {
            ShowLabelText(hintLabel_, Text(kTextTapToSnooze));
        }
    } else {
        ShowLabelText(hintLabel_, countdown > 0 ? Text(kTextRemaining) + QLatin1Char(' ') + QString::number(countdown)
                                                : Text(kTextTapToSnooze));
    }
    // The countdown is a live value for screen readers.
    AccessibleOwnerDrawn::AnnouncePartValue(this, PartCountdown, countdown);
}

void CAlarmDialog::Skip() { ringing_.Skip(); }

void CAlarmDialog::RequestPause() { ringing_.Pause(); }

bool CAlarmDialog::event(QEvent* e)
{
    if (e->type() == PauseEventType) {
        ringing_.Pause();
        return true;
    }
    return QDialog::event(e);
}

// --- ending ------------------------------------------------------------------

void CAlarmDialog::EndAlarm() { ringing_.EndAlarm(); }

void CAlarmDialog::EndRinging(const QString& why)
{
    ringing_.End(why);
    CloseOwnWindows();
    QDialog::done(QDialog::Accepted);
}

void CAlarmDialog::done(int)
{
    EndRinging(QStringLiteral("the window was dismissed"));
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
        EndRinging(QStringLiteral("the program closed the window"));
    }
}

void CAlarmDialog::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || !initDone_)
        return;
    switch (DecideOnDeactivate(this, ringing_.ended())) {
    case AutoStopDecision::Stop: StopForCall(QStringLiteral("the phone application came to the front")); break;
    case AutoStopDecision::Reassert: OnLostActivation(); break;
    case AutoStopDecision::Nothing: break;
    }
}

void CAlarmDialog::OnLostActivation() { ReassertForeground(); }

void CAlarmDialog::StopForCall(const QString& why) { ringing_.StopForCall(why); }

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
    scene.backColor = ringing_.backColor();
    scene.textColor = ringing_.textColor();
    scene.unit = layout_.unit;
    scene.textBorder = !alarm_->noTextBorder;
    if (const QString name = backgroundName(); !name.isEmpty()) {
        const QString dir = services_.imagesDir.isEmpty()
                                ? QString::fromStdString(ProgramDir()) + QStringLiteral("/images")
                                : services_.imagesDir;
        scene.picturePath = AddedFiles::Find(dir, AddedFiles::kImages, name); // the user's pictures too
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

// --- assistive technology ---------------------------------------------------

QString CAlarmDialog::AccessibleName() const
{
    // The window is named after the alarm; one without a title keeps the window's.
    QString title = alarm_->title;
    return title.replace(QLatin1String("\r\n"), QLatin1String(" "));
}

AccessiblePart CAlarmDialog::AccessiblePartAt(int index) const
{
    AccessiblePart part;
    // A painted text: its label's text and place; nothing to read when empty.
    auto painted = [&part](const QLabel* label, QAccessible::Role role) {
        part.name = label->text();
        part.role = role;
        part.rect = label->geometry();
        part.state.invisible = label->text().isEmpty();
        part.state.readOnly = true;
    };
    switch (index) {
    case PartClock: painted(clockLabel_, QAccessible::StaticText); break; // AT-SPI knows no clock role
    case PartTitle: painted(titleLabel_, QAccessible::StaticText); break;
    case PartMessage: painted(messageLabel_, QAccessible::StaticText); break;
    case PartSnooze:
        part.name = Text(kTextSnooze);
        part.description = hintLabel_->text();
        part.role = QAccessible::Button;
        part.rect = hintLabel_->geometry();
        part.state.focusable = true;
        part.state.disabled = !alarm_->useSnooze || ringing_.ended();
        part.actions = {QAccessibleActionInterface::pressAction()};
        break;
    case PartCountdown: {
        const int countdown = ringing_.countdown();
        part.name = Text(kTextSnoozeCountdown);
        part.role = QAccessible::ProgressBar;
        part.rect = (layoutStyle() == 0 ? countdownLabel_ : hintLabel_)->geometry();
        part.state.readOnly = true;
        part.state.invisible = countdown <= 0;
        part.value = countdown > 0 ? hintLabel_->text() : QString();
        part.hasNumber = true;
        part.number = std::max(countdown, 0);
        part.maximum = std::max(part.number, alarm_->snooze); // one snooze, seconds
        break;
    }
    default: break;
    }
    return part;
}

void CAlarmDialog::AccessiblePartAction(int index, const QString& action)
{
    // Pressing "Snooze" is a tap on the window: it snoozes, with the quiz when due.
    if (index == PartSnooze && action == QAccessibleActionInterface::pressAction() && alarm_->useSnooze
        && !ringing_.ended())
        Tap();
}

} // namespace dawnbell
