#include "CMainDialog.h"

#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmList.h"
#include "AlarmStore.h"
#include "CAlarmApp.h"
#include "CAlarmDialog.h"
#include "CAlarmListCtrl.h"
#include "ClockFormat.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "CommandAlarm.h"
#include "DevicePaths.h"
#include "DialogLayout.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitRow.h"
#include "KitStyle.h"
#include "KitTextFit.h"
#include "Locale.h"
#include "LongPress.h"
#include "MessageBox.h"
#include "MissedAlarms.h"
#include "NewAlarm.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "ScreenLockWatch.h"
#include "StoredAlarmGuard.h"
#include "TextFormat.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QGuiApplication>
#include <algorithm>
#include <limits>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>

static void InitMainWindowResources()
{
    Q_INIT_RESOURCE(CMainDialog);
}

namespace dawnbell {

namespace {

// Layout ids of the three orientations.
constexpr int kLayoutPortrait = 102;
constexpr int kLayoutLandscape = 103;
constexpr int kLayoutSquare = 209;
// Window icon resource id.
constexpr int kProgramIcon = 276;
// Shade n of the window background gradient and the clock frame.
constexpr int kWindowShade = 80;
// Clock line font size, points.
constexpr int kClockPoints = 22;
// Button font size, points.
constexpr int kButtonPoints = 8;
// Bottom margin (portrait) and right margin (landscape), pixels at 96 dpi.
constexpr int kBottomMargin96 = 5;
constexpr int kRightMargin96 = 13;
// Size of the main window on a desktop display, pixels at 96 dpi.
constexpr int kDesktopWidth96 = 400;
constexpr int kDesktopHeight96 = 600;
// Settings that keep the desktop window's position and size (logical pixels).
const QString kGeometryValues[4] = {QStringLiteral("windowLeft"), QStringLiteral("windowTop"),
                                    QStringLiteral("windowWidth"), QStringLiteral("windowHeight")};
// A remembered width or height below this is not used, logical pixels.
constexpr int kMinRememberedSide = 100;
// Longest clock line, characters.
constexpr int kMaxClockChars = 60;
// Most template items in the Add menu.
constexpr int kMaxTemplateItems = CMainDialog::CmdTemplateLast - CMainDialog::CmdTemplateFirst + 1;

// Button ids in the order of the buttons_ array.
constexpr int kButtonIds[] = {CMainDialog::IdAdd,    CMainDialog::IdEdit, CMainDialog::IdActivate,
                              CMainDialog::IdRemove, CMainDialog::IdTest, CMainDialog::IdOptions};

const QString kSettings = QStringLiteral("settings");

// Texts of the string table this window shows.
enum TextId : int {
    kTextDeactivate = 6,
    kTextActivate = 7,
    kTextAdd = 20,
    kTextRemove = 21,
    kTextEdit = 26,
    kTextOptions = 27,
    kTextNextAlarm = 54,     // "Next alarm: %s"
    kTextNoActiveAlarm = 55,
    kTextTest = 58,
    kTextNewWizard = 130,
    kTextNewCompact = 131,
    kTextNewAppointment = 132,
    kTextNewCommand = 133,
    kTextEditAsWizard = 134,
    kTextEditAsCompact = 135,
    kTextQuestion = 139,     // caption of questions
    kTextActivateAll = 146,
    kTextDeactivateAll = 147,
    kTextDeleteAlarm = 156,  // "Delete the selected alarm?"
};

// The new-alarm kinds of the Add menu, in menu order.
struct NewKind {
    int command; // CommandId
    int type;    // the alarm's type
    int text;    // TextId of the menu entry
};
constexpr NewKind kNewKinds[] = {
    {CMainDialog::CmdNewWizard, AlarmWizard, kTextNewWizard},
    {CMainDialog::CmdNewCompact, AlarmCompact, kTextNewCompact},
    {CMainDialog::CmdNewAppointment, AlarmAppointment, kTextNewAppointment},
    {CMainDialog::CmdNewCommand, AlarmCommand, kTextNewCommand},
};

// Name of the property that carries a template item's index in the Add menu.
const char kTemplateIndex[] = "templateIndex";

// Lets go of a pointer grab (the list holds one while a finger is down), so a
// modal window opened now gets every press.
void LetGoOfPointer()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

// A layout of this window, from its own resource.
DialogLayout LoadLayout(int id)
{
    static const bool initialised = (InitMainWindowResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QStringLiteral(":/mainwindow/CMainDialog.json"), id);
}

bool SimulateSystemAlarm()
{
    return Profile::ReadInt(kSettings, QStringLiteral("simulateSystemAlarm"), 0) == 1;
}

// Tells the user that an appointment in the past cannot be switched on, in a
// message box without owner.
void TellPastAppointment()
{
    ShowMessageBox(Text(78), Text(113), MsgButtons::Ok, MsgIcon::Error);
}

// Activates `alarm` (stored and scheduled); an appointment in the past is
// refused there, and the user is told so.
void ActivateOrTell(Alarm* alarm)
{
    if (alarm && !AlarmChanges::Instance().Activate(alarm))
        TellPastAppointment();
}

} // namespace

CMainDialog::CMainDialog(MainWindowServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("CMainDialog"));
    setWindowTitle(QStringLiteral("Dawnbell"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(KitFont(9));
    {
        InitMainWindowResources();
        QIcon icon(QStringLiteral(":/icons/icon%1.png").arg(kProgramIcon));
        setWindowIcon(icon);
    }
    if (CAlarmApp* app = CAlarmApp::Instance()) {
        bgColor_ = app->bgColor;
        textColor_ = app->textColor;
        app->mainWindow = this;
    } else {
        bgColor_ = AppBackColor();
        textColor_ = AppTextColor();
    }
    bgColor_ &= 0xFFFFFF;
    textColor_ &= 0xFFFFFF;
    timePattern_ = ClockFormat::FromPicture(LocaleTimeFormat());

    CreateControls();
    ApplyKitColors(this, bgColor_, textColor_);
    list_->SetBaseColor(bgColor_);
    list_->SetTextColor(textColor_);

    // Every change this window commits is in its list before it is announced:
    // the simulation then shows this window's next alarm, once per change.
    AlarmChanges& changes = AlarmChanges::Instance();
    connect(&changes, &AlarmChanges::changed, this, [this](const QStringList& keys) {
        RefreshSimulationIfSet();
        if (AlarmChanges::TraceWanted())
            qInfo("%s", qPrintable(AlarmChanges::TraceLine(QStringLiteral("change of %1").arg(keys.join(QLatin1Char(' '))))));
    });
    // A rebuild that found alarms missed may have switched one-time alarms off:
    // the list shows the store again once the command that rebuilt is done with
    // the alarms it holds.
    connect(&changes, &AlarmChanges::missedRecorded, this, [this] {
        QTimer::singleShot(0, this, [this] {
            ReloadAlarms();
            UpdateClockAndStatus();
        });
        MissedAlarms::TellDesktop();
    });

    zone_.Changed(); // the zone the alarms are loaded in
    LoadAlarms();
    ApplyCaptions();
    BuildMenus();
    UpdateClockAndStatus();
    // The clock runs once the window shows, and rests while nobody can see it.
    screenLock_ = new ScreenLockWatch(this);
    connect(screenLock_, &ScreenLockWatch::lockedChanged, this, [this] { UpdateClockTimer(); });

    PlaceOnScreen();
    DoLayout(size());
    if (AlarmChanges::TraceWanted())
        qInfo("%s", qPrintable(AlarmChanges::TraceLine(QStringLiteral("the window opened"))));
}

void CMainDialog::PlaceOnScreen()
{
    // A handheld's main window fills the available area of the display.
    if (!OnDesktop()) {
        PlaceWindow(this, QSize());
        if (AvailableArea(this).isEmpty()) // no screen at all: the design size
            resize(LoadLayout(kLayoutPortrait).ScaledSize(dpi_x(), dpi_y()));
        return;
    }
    // A desktop window opens where and as large as it was left, else at a
    // comfortable size in the middle of the screen.
    PlaceWindow(this, QSize(ScaleX(kDesktopWidth96), ScaleY(kDesktopHeight96)));
    const QRect area = AvailableArea(this);
    const int x = Profile::ReadInt(kSettings, kGeometryValues[0], 0);
    const int y = Profile::ReadInt(kSettings, kGeometryValues[1], 0);
    const int w = Profile::ReadInt(kSettings, kGeometryValues[2], 0);
    const int h = Profile::ReadInt(kSettings, kGeometryValues[3], 0);
    const QRect kept(x, y, std::min(w, area.width()), std::min(h, area.height()));
    if (w >= kMinRememberedSide && h >= kMinRememberedSide && OnSomeDisplay(kept))
        setGeometry(kept);
}

void CMainDialog::done(int result)
{
    // A desktop window's place and size are kept for the next start.
    if (OnDesktop() && isVisible()) {
        const QRect r = geometry(); // the client area, as PlaceOnScreen sets it
        const int values[4] = {r.x(), r.y(), r.width(), r.height()};
        for (int i = 0; i < 4; ++i)
            Profile::WriteInt(kSettings, kGeometryValues[i], values[i]);
        Profile::Flush();
    }
    QDialog::done(result);
}

CMainDialog::~CMainDialog()
{
    clockTimer_.stop();
    if (exposeWatched_) // the native window outlives this part of the object
        exposeWatched_->removeEventFilter(this);
    if (coverWatched_)
        coverWatched_->removeEventFilter(this);
    if (CAlarmApp* app = CAlarmApp::Instance()) {
        if (app->mainWindow == this)
            app->mainWindow = nullptr;
    }
    // The list holds pointers into alarms_; empty it before they go.
    delete list_;
    list_ = nullptr;
    alarms_.clear();
}

void CMainDialog::CreateControls()
{
    clockLabel_ = new QLabel(this);
    clockLabel_->setObjectName(QString::number(IdClock));
    clockLabel_->setFont(KitFont(kClockPoints));
    clockLabel_->setAlignment(Qt::AlignCenter);
    clockLabel_->setVisible(false);

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QString::number(IdStatus));
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLabel_->setVisible(false);

    list_ = new CAlarmListCtrl(this);
    list_->setObjectName(QString::number(IdList));
    connect(list_, &CAlarmListCtrl::notify, this, [this](int code) {
        if (code == CAlarmListCtrl::NotifySelectionChanged)
            UpdateButtons();
        else if (code == CAlarmListCtrl::NotifyRowActivated)
            RowActivated();
    });

    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(kButtonIds[i]));
        // Enter presses the button that has the focus (the window has no
        // default button; on the list Enter opens the selected alarm).
        b->setAutoDefault(true);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setFont(KitFont(kButtonPoints));
        const int id = kButtonIds[i];
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        buttons_[i] = b;
    }
    // A hold on a button with a menu opens that menu instead of the button's command.
    hold_ = new LongPress(this);
    for (int id : {IdAdd, IdEdit, IdActivate})
        hold_->Watch(button(id), [this, id] { return menuFor(id) != nullptr; });
    connect(hold_, &LongPress::held, this,
            [this](QWidget* w, const QPoint& at) { OpenMenu(w->objectName().toInt(), at); });
    // Tab order: the list, then the buttons in reading order.
    QWidget::setTabOrder(list_, buttons_[0]);
    for (int i = 1; i < kButtonCount; ++i)
        QWidget::setTabOrder(buttons_[i - 1], buttons_[i]);
}

QPushButton* CMainDialog::button(int id) const
{
    for (int i = 0; i < kButtonCount; ++i) {
        if (kButtonIds[i] == id)
            return buttons_[i];
    }
    return nullptr;
}

std::vector<std::unique_ptr<AlarmTemplate>>& CMainDialog::Templates()
{
    if (CAlarmApp* app = CAlarmApp::Instance())
        return app->templates;
    return ownTemplates_;
}

void CMainDialog::LoadAlarms()
{
    std::vector<std::unique_ptr<Alarm>> loaded;
    std::vector<std::unique_ptr<AlarmTemplate>> templates;
    // Counted before reading: a change that lands meanwhile shows as a new count.
    storeSeen_ = RegStoreChangeCount();
    next_.known = false; // new alarms, perhaps where old ones were in memory
    AlarmStore::LoadAll(&loaded, &templates); // templates come sorted by name
    Templates() = std::move(templates);
    list_->EnableRedraw(false);
    std::vector<Alarm*> rows;
    rows.reserve(loaded.size());
    for (auto& a : loaded) {
        rows.push_back(a.get());
        alarms_.push_back(std::move(a));
    }
    list_->InsertAllSorted(rows); // as inserting them one by one, in one sort
    list_->EnableRedraw(true);
    list_->Select(0);
    UpdateButtons();
}

void CMainDialog::ReloadAlarms()
{
    QWidget* modal = QApplication::activeModalWidget();
    if ((modal && modal != this) || QApplication::activePopupWidget()) {
        reloadTimer_.start(kReloadRetryMs, this);
        return;
    }
    reloadTimer_.stop();
    const Alarm* selected = list_->SelectedAlarm();
    const QString selectedKey = selected ? selected->GetKey() : QString();
    list_->EnableRedraw(false);
    while (list_->Count() > 0) // the rows point into alarms_: empty the list first
        list_->RemoveAt(list_->Count() - 1);
    alarms_.clear();
    LoadAlarms();
    if (Alarm* again = FindByKey(selectedKey))
        list_->Select(list_->IndexOf(again));
    BuildMenus();
    UpdateButtons();
    UpdateClockAndStatus();
    emit alarmsChanged();
}

bool CMainDialog::CatchUpWithStore()
{
    if (RegStoreChangeCount() == storeSeen_)
        return true;
    const Alarm* selected = list_->SelectedAlarm();
    const QString selectedKey = selected ? selected->GetKey() : QString();
    ReloadAlarms();
    if (reloadTimer_.isActive())
        return true; // a window over this one still uses the alarms as they are
    return selectedKey.isEmpty() || FindByKey(selectedKey) != nullptr;
}

// --- copy-data and command line ----------------------------------------------

Alarm* CMainDialog::FindByKey(const QString& key) const
{
    return AlarmList::FindByKey(Rows(), key);
}

int CMainDialog::OnCopyData(int code, const QString& key)
{
    if (code == CopyRefresh) {
        ReloadAlarms();
        // A sender that stored a change has rebuilt the schedule after it.
        if (key != QString::fromUtf16(AlarmChanges::kRefreshAfterRebuild))
            Scheduler::ReRegisterAll();
        RefreshSimulationIfSet();
        if (AlarmChanges::TraceWanted())
            qInfo("%s", qPrintable(AlarmChanges::TraceLine(QStringLiteral("the refresh message"))));
        return 0;
    }
    CatchUpWithStore(); // the key is looked up in the list as stored now
    Alarm* alarm = FindByKey(key);
    if (!alarm)
        return 1;
    switch (code) {
    case CopyRing:
        Ring(alarm);
        break;
    case CopyEdit:
        raise();
        activateWindow();
        CmdEditAlarm(alarm, -1);
        break;
    case CopyActivate:
        ActivateOrTell(alarm);
        ReInsert(alarm);
        break;
    case CopyDeactivate:
        AlarmChanges::Instance().Deactivate(alarm);
        ReInsert(alarm);
        break;
    case CopyTest:
        // The sender does not wait for the whole ringing; the alarm is looked up
        // again then, as the list may have been reloaded meanwhile.
        QTimer::singleShot(0, this, [this, key] {
            if (Alarm* a = FindByKey(key))
                TestAlarm(a);
        });
        break;
    default:
        break;
    }
    return 1;
}

void CMainDialog::OnReinitMessage()
{
    Scheduler::ReRegisterAll();
}

void CMainDialog::ExecuteCommandLine(const CommandLine::Parsed& command)
{
    switch (command.verb) {
    case CommandLine::Start:
    case CommandLine::Reinit:
        return;
    case CommandLine::Edit:
        OnCopyData(CopyEdit, command.key);
        return;
    case CommandLine::Test:
        if (Alarm* alarm = FindByKey(command.key)) {
            TestAlarm(alarm);
            if (Profile::ReadInt(kSettings, QStringLiteral("autoExit"), 1) != 0)
                Finish();
        }
        return;
    case CommandLine::AutoClose:
    case CommandLine::Reset:
    case CommandLine::Ring:
        OnCopyData(CopyRing, command.text);
        return;
    }
}

// --- services ----------------------------------------------------------------

bool CMainDialog::TimeClash(const Alarm& alarm, const Alarm* excluded) const
{
    return AlarmChanges::Check(alarm, excluded, Rows(), false) == AlarmChanges::Verdict::Clash;
}

Alarm* CMainDialog::NextAlarm() const
{
    return AlarmList::NextAlarm(Rows());
}

std::vector<Alarm*> CMainDialog::Rows() const
{
    std::vector<Alarm*> rows;
    rows.reserve(static_cast<size_t>(list_->Count()));
    for (int i = 0; i < list_->Count(); ++i)
        rows.push_back(list_->AlarmAt(i));
    return rows;
}

QString CMainDialog::FormatRemaining(int64_t seconds)
{
    return AlarmList::FormatRemaining(seconds);
}

int64_t CMainDialog::RemainingToNext(int64_t now, bool zoneChanged)
{
    const uint64_t rows = RowsFingerprint();
    if (zoneChanged || !next_.known || rows != next_.rows || now < next_.from || now >= next_.until) {
        // NextAlarm's choice as of `now`: the active alarm due soonest, the first
        // in list order on a tie, one due this very second not counting.
        Alarm* best = nullptr;
        int64_t bestAt = 0;
        bool dueNow = false;
        for (Alarm* a : Rows()) {
            if (!a->activated)
                continue;
            const int64_t at = a->NextRingingAt(now);
            if (at <= now) {
                dueNow = dueNow || at == now;
                continue;
            }
            if (!best || at < bestAt) {
                best = a;
                bestAt = at;
            }
        }
        if (best)
            best->GetTimeToNext(); // moves the alarm's time to its next date, as a look at it always has
        next_.known = true;
        next_.rows = rows;
        next_.from = now;
        next_.any = best != nullptr;
        next_.at = bestAt;
        // The choice holds until the next alarm's moment; an alarm due right now
        // counts again a second later, with its following ringing.
        next_.until = best ? bestAt : std::numeric_limits<int64_t>::max();
        if (dueNow)
            next_.until = std::min(next_.until, now + 1);
    }
    return next_.any ? next_.at - now : -1;
}

uint64_t CMainDialog::RowsFingerprint() const
{
    // Each value is mixed in whole (splitmix64), so two different lists share a
    // fingerprint only by a 64-bit accident.
    uint64_t h = 0x9E3779B97F4A7C15ull;
    const auto mix = [&h](uint64_t v) {
        uint64_t z = h + v + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        h = z ^ (z >> 31);
    };
    const int count = list_->Count();
    mix(uint64_t(count));
    for (int i = 0; i < count; ++i) {
        const Alarm* a = list_->AlarmAt(i);
        mix(reinterpret_cast<uintptr_t>(a));
        mix(uint64_t(uint32_t(a->activated)));
        mix(uint64_t(uint32_t(a->type)));
        mix(uint64_t(uint32_t(a->GetSecondsOfDay())));
        mix(uint64_t(uint32_t(a->repeatDays)));
        mix(uint64_t(uint32_t(a->dateYear)) << 16 | uint64_t(uint32_t(a->dateMonth)) << 8
            | uint64_t(uint32_t(a->dateDay)));
    }
    return h;
}

void CMainDialog::UpdateClockAndStatus()
{
    // A new zone is taken in before the clock line is made (one stat a tick).
    // The alarms keep their clock times in it: the list is loaded again from the
    // store, which holds clock times (the alarms in memory hold moments, which
    // would show and count down to the old zone's clock time). Not now: the
    // caller may hold alarms of the list; the reload runs once it is done.
    const bool zoneChanged = zone_.Changed();
    if (zoneChanged) {
        QTimer::singleShot(0, this, [this] {
            ReloadAlarms();
            UpdateClockAndStatus();
        });
    }
    const int64_t moment = clock::Now();
    const clock::LocalTime now = clock::ToLocal(moment);
    const QString clockText =
        ClockFormat::Format(timePattern_, now.hour, now.minute, now.second).left(kMaxClockChars);
    // The missed alarms are read again only when the notification store changed
    // (the service or a late start recorded one, a tap marked one seen); 0 means
    // the store cannot be opened, and the read then tells nothing either.
    const uint64_t notifications = notify::NotifyStoreChangeCount();
    if (notifications == 0 || notifications != missedSeen_) {
        missedSeen_ = notifications;
        unseenMissed_ = MissedAlarms::List(true);
    }
    const QString missed = MissedAlarms::StatusText(unseenMissed_, moment);
    const int64_t remaining = RemainingToNext(moment, zoneChanged);
    QString statusText;
    if (!missed.isEmpty())
        statusText = missed;
    else if (remaining >= 0)
        statusText = FormatTextId(kTextNextAlarm, {FormatRemaining(remaining)});
    else
        statusText = Text(kTextNoActiveAlarm);
    // Only a line whose text changed is repainted, and only its own area: a
    // tick never repaints the list, the buttons or the window's background.
    if (clockText != clockText_) {
        clockText_ = clockText;
        clockLabel_->setText(clockText_);
        update(clockLabel_->geometry());
    }
    if (statusText != statusText_) {
        statusText_ = statusText;
        statusLabel_->setText(statusText_);
        update(statusLabel_->geometry());
    }
}

// --- list maintenance ----------------------------------------------------------

void CMainDialog::ReInsert(Alarm* alarm)
{
    const int at = list_->IndexOf(alarm);
    if (at >= 0)
        list_->RemoveAt(at);
    list_->Select(list_->InsertSorted(alarm));
    UpdateButtons();
    UpdateClockAndStatus();
}

void CMainDialog::Withdraw(Alarm* alarm)
{
    AlarmChanges::Instance().Withdraw(alarm);
}

void CMainDialog::Destroy(Alarm* alarm)
{
    const int at = list_->IndexOf(alarm);
    if (at >= 0)
        list_->RemoveAt(at);
    for (auto it = alarms_.begin(); it != alarms_.end(); ++it) {
        if (it->get() == alarm) {
            alarms_.erase(it);
            break;
        }
    }
    if (list_->Count() == 0) {
        UpdateButtons();
    } else if (at >= 0) {
        list_->Select(at < list_->Count() ? at : list_->Count() - 1);
    }
    UpdateButtons();
    UpdateClockAndStatus();
}

void CMainDialog::RemoveAlarm(Alarm* alarm)
{
    Withdraw(alarm);
    Destroy(alarm);
}

void CMainDialog::RefreshSimulationIfSet()
{
    if (services_.simulation && SimulateSystemAlarm())
        services_.simulation(NextAlarm());
}

void CMainDialog::Adopt(std::unique_ptr<Alarm> alarm)
{
    Alarm* a = alarm.get();
    alarms_.push_back(std::move(alarm));
    list_->Select(list_->InsertSorted(a));
    UpdateButtons();
    UpdateClockAndStatus();
}

void CMainDialog::AddNew(std::unique_ptr<Alarm> alarm)
{
    if (!alarm->SetActivated(true))
        TellPastAppointment(); // stored switched off
    Alarm* a = alarm.get();
    Adopt(std::move(alarm));
    AlarmChanges::Instance().Store(a);
}

// --- commands ------------------------------------------------------------------

void CMainDialog::OnCommand(int id)
{
    // A command acts on the alarms as stored now. One meant for the selected
    // alarm stops when another process removed it: the list shows that instead.
    if (id != IdOk && !CatchUpWithStore()) {
        switch (id) {
        case IdEdit:
        case IdActivate:
        case IdRemove:
        case IdTest:
        case CmdEditAsWizard:
        case CmdEditAsCompact:
            return;
        default:
            break;
        }
    }
    switch (id) {
    case IdOk: Finish(); return;
    case IdAdd: CmdAdd(); return;
    case IdEdit: CmdEditAlarm(list_->SelectedAlarm(), -1); return;
    case IdActivate: CmdToggle(); return;
    case IdRemove: CmdRemove(true); return;
    case IdTest: CmdTest(); return;
    case IdOptions: CmdOptions(); return;
    case CmdEditAsWizard: CmdEditAlarm(list_->SelectedAlarm(), AlarmWizard); return;
    case CmdEditAsCompact: CmdEditAlarm(list_->SelectedAlarm(), AlarmCompact); return;
    case CmdActivateAll: CmdAll(true); return;
    case CmdDeactivateAll: CmdAll(false); return;
    default: break;
    }
    // While templates exist the Add menu holds only template items, whose ids
    // overlap the new-alarm ids.
    const int templates = std::min(static_cast<int>(Templates().size()), kMaxTemplateItems);
    if (templates > 0) {
        if (id >= CmdTemplateFirst && id < CmdTemplateFirst + templates)
            CmdTemplate(id - CmdTemplateFirst);
        return;
    }
    for (const NewKind& kind : kNewKinds) {
        if (kind.command == id)
            CmdNew(kind.type);
    }
}

void CMainDialog::CmdAdd()
{
    if (!services_.templateSelection) {
        // Without the template selection, Add offers its menu (New compact alarm, ...).
        QPushButton* b = button(IdAdd);
        OpenMenu(IdAdd, b->mapToGlobal(QPoint(0, b->height())));
        return;
    }
    auto alarm = std::make_unique<Alarm>();
    LetGoOfPointer();
    if (services_.templateSelection(alarm.get(), this))
        AddNew(std::move(alarm));
    BuildMenus();
}

void CMainDialog::CmdNew(int type)
{
    const EditorRunner* run = EditorFor(type);
    if (!run)
        return;
    auto alarm = std::make_unique<Alarm>();
    const CAlarmApp* app = CAlarmApp::Instance();
    NewAlarm::Prepare(alarm.get(), type, app ? app->programDir : QString::fromStdString(ProgramDir()));
    LetGoOfPointer();
    if (!(*run)(alarm.get(), this))
        return;
    AddNew(std::move(alarm));
    BuildMenus(); // the editor may have saved a template
}

void CMainDialog::CmdTemplate(int index)
{
    auto& templates = Templates();
    if (index < 0 || index >= static_cast<int>(templates.size()))
        return;
    auto alarm = std::make_unique<Alarm>();
    alarm->CopyFrom(*templates[static_cast<size_t>(index)]);
    const EditorRunner* run = EditorFor(alarm->type);
    if (!run)
        return;
    LetGoOfPointer();
    if (!(*run)(alarm.get(), this))
        return;
    AddNew(std::move(alarm));
    BuildMenus(); // the editor may have saved a template
}

void CMainDialog::CmdEditAlarm(Alarm* alarm, int forceType)
{
    if (!alarm)
        return;
    const int storedType = alarm->type;
    if (forceType >= 0) {
        // Only compact and wizard alarms change kind.
        if (alarm->type != AlarmCompact && alarm->type != AlarmWizard)
            return;
        if (!HasEditorFor(forceType))
            return;
        alarm->type = forceType;
    }
    const EditorRunner* run = EditorFor(alarm->type);
    if (!run)
        return; // no editor for this kind yet: leave the alarm untouched
    const bool wasActive = alarm->activated != 0;
    // The guard keeps the section as stored until the edit is saved: when the
    // program is told to end during the edit, it puts the section back at once
    // (nothing of the edit is kept); after a crash, the next start does.
    StoredAlarmGuard stored(alarm->GetKey());
    if (!stored.Withdraw([this, alarm] { Withdraw(alarm); })) {
        // The store refused: the alarm stays as stored, and no edit could be saved.
        alarm->activated = wasActive ? 1 : 0;
        Scheduler::ReRegisterAll();
        return;
    }
    LetGoOfPointer();
    const bool ok = (*run)(alarm, this);
    if (!ok)
        alarm->type = storedType; // "Edit as ..." left without OK changes nothing
    if (stored.restored())
        return;
    bool refused = false;
    if (ok || wasActive)
        refused = !alarm->SetActivated(true); // a past appointment stays off
    // The alarm and the dropped copy reach the store together, as one change;
    // then it is scheduled.
    AlarmChanges::Instance().Commit({alarm->GetKey()}, [&stored, alarm] { stored.Finish([alarm] { alarm->Save(); }); });
    if (refused)
        TellPastAppointment();
    ReInsert(alarm);
    if (ok)
        BuildMenus();
}

void CMainDialog::CmdToggle()
{
    Alarm* alarm = list_->SelectedAlarm();
    if (!alarm)
        return;
    if (alarm->activated)
        AlarmChanges::Instance().Deactivate(alarm);
    else
        ActivateOrTell(alarm);
    ReInsert(alarm);
}

void CMainDialog::CmdAll(bool on)
{
    // Row order changes while re-inserting: walk a copy.
    std::vector<Alarm*> all;
    for (int i = 0; i < list_->Count(); ++i)
        all.push_back(list_->AlarmAt(i));
    std::vector<Alarm*> changed;
    list_->EnableRedraw(false);
    for (Alarm* a : all) {
        if ((a->activated != 0) == on)
            continue;
        if (!a->SetActivated(on)) {
            // Refused: an appointment in the past.
            TellPastAppointment();
            continue;
        }
        changed.push_back(a);
        const int at = list_->IndexOf(a);
        list_->RemoveAt(at);
        list_->Select(list_->InsertSorted(a));
    }
    list_->EnableRedraw(true);
    // Every switched alarm in one change (no question is open while it is written).
    if (!changed.empty()) {
        QStringList keys;
        for (const Alarm* a : changed)
            keys << a->GetKey();
        AlarmChanges::Instance().Commit(keys, [&changed] {
            for (Alarm* a : changed)
                a->Save();
        });
    }
    UpdateButtons();
    UpdateClockAndStatus();
}

void CMainDialog::CmdRemove(bool ask)
{
    Alarm* alarm = list_->SelectedAlarm();
    if (!alarm)
        return;
    LetGoOfPointer();
    if (ask && ShowMessageBox(Text(kTextDeleteAlarm), Text(kTextQuestion), MsgButtons::YesNo, MsgIcon::Question, this) == MsgAnswer::No)
        return;
    RemoveAlarm(alarm);
}

const EditorRunner* CMainDialog::EditorFor(int type) const
{
    const EditorRunner* run = nullptr;
    if (type == AlarmCompact)
        run = &services_.compactEditor;
    else if (type == AlarmWizard || type == AlarmAppointment || type == AlarmCommand)
        run = &services_.wizard;
    return run && *run ? run : nullptr;
}

void CMainDialog::RunRinging(Alarm* alarm)
{
    // Two ringing windows would each take the front back from the other for
    // ever: a test asked for while an alarm rings is not started.
    if (ringing_) {
        qInfo("Alarm %s is not tested: another alarm is ringing.", qPrintable(alarm->GetKey()));
        return;
    }
    ringing_ = true;
    const auto done = qScopeGuard([this] {
        ringing_ = false;
        // Alarms that fell due during a test ring now, one after the other.
        if (!inRing_ && !pendingRings_.isEmpty()) {
            QTimer::singleShot(0, this, [this] {
                if (inRing_ || ringing_ || pendingRings_.isEmpty())
                    return;
                CatchUpWithStore();
                if (Alarm* next = FindByKey(pendingRings_.takeFirst()))
                    Ring(next);
            });
        }
    });
    LetGoOfPointer();
    if (services_.ring) {
        services_.ring(alarm, this);
        return;
    }
    CAlarmDialog dialog(alarm, this);
    dialog.exec();
}

void CMainDialog::CmdTest()
{
    Alarm* alarm = list_->SelectedAlarm();
    if (!alarm)
        return;
    if (alarm->type == AlarmCommand)
        RunCommandAlarm(alarm->command);
    else
        RunRinging(alarm);
}

void CMainDialog::TestAlarm(Alarm* alarm)
{
    list_->Select(list_->IndexOf(alarm));
    CmdTest();
}

void CMainDialog::CmdOptions()
{
    if (!services_.options)
        return;
    const bool simulateBefore = SimulateSystemAlarm();
    LetGoOfPointer();
    if (!services_.options(this)) {
        BuildMenus(); // templates imported on the sheet stay, also after Cancel
        return;
    }
    uint32_t bg = bgColor_, text = textColor_;
    if (CAlarmApp* app = CAlarmApp::Instance()) {
        bg = app->bgColor;
        text = app->textColor;
    } else {
        bg = static_cast<uint32_t>(Profile::ReadInt(kSettings, QStringLiteral("bgColor"), static_cast<int>(bg)));
        text = static_cast<uint32_t>(Profile::ReadInt(kSettings, QStringLiteral("textColor"), static_cast<int>(text)));
    }
    if ((bg & 0xFFFFFF) != bgColor_ || (text & 0xFFFFFF) != textColor_)
        SetColors(bg, text);
    const bool simulateAfter = SimulateSystemAlarm();
    if (simulateAfter != simulateBefore && services_.simulation)
        services_.simulation(simulateAfter ? NextAlarm() : nullptr);
    // The language may have changed: a fresh layout pass shares the button
    // rows out for the new captions.
    lastSize_ = QSize();
    DoLayout(size());
    BuildMenus();
}

void CMainDialog::RowActivated()
{
    switch (Profile::ReadInt(kSettings, QStringLiteral("doubleClick"), 0)) {
    case 0: OnCommand(IdEdit); break;
    case 1: OnCommand(IdActivate); break;
    case 2: OnCommand(IdRemove); break;
    default: break;
    }
}

void CMainDialog::Ring(Alarm* alarm)
{
    if (ringing_ || inRing_) {
        const QString key = alarm->GetKey();
        if (!pendingRings_.contains(key))
            pendingRings_ << key;
        qInfo("Alarm %s fell due while another rang: it rings when that one ends.", qPrintable(key));
        return;
    }
    const bool autoExit = Profile::ReadInt(kSettings, QStringLiteral("autoExit"), 1) != 0;
    inRing_ = true;
    RingAndReschedule(alarm, autoExit);
    while (!pendingRings_.isEmpty()) {
        const QString key = pendingRings_.takeFirst();
        CatchUpWithStore();
        if (Alarm* next = FindByKey(key))
            RingAndReschedule(next, autoExit);
    }
    inRing_ = false;
    if (autoExit) {
        Finish();
    } else {
        raise();
        activateWindow();
    }
}

void CMainDialog::RingAndReschedule(Alarm* alarm, bool autoExit)
{
    const bool wasActive = alarm->activated != 0;
    if (alarm->type == AlarmCommand) {
        RunCommandAlarm(alarm->command);
    } else {
        RunRinging(alarm);
    }
    // Another process may have changed or removed the alarm while it rang: the
    // after-ringing path works on the alarm as stored now, and one switched off
    // meanwhile stays off.
    const QString key = alarm->GetKey();
    CatchUpWithStore();
    if (!(alarm = FindByKey(key)))
        return;
    // After the ringing: off, then on again for its next occurrence when it
    // repeats and was on; an appointment's stored section is deleted. A command
    // alarm takes the same path, so its next occurrence is scheduled too.
    list_->Select(list_->IndexOf(alarm));
    if (AlarmChanges::Instance().AfterRinging(alarm, wasActive && alarm->activated) == AlarmChanges::RangDeleted &&
        autoExit)
        Destroy(alarm);
    else
        ReInsert(alarm);
}

void CMainDialog::Finish()
{
    clockTimer_.stop();
    done(QDialog::Accepted);
}

// --- buttons and menus -----------------------------------------------------------

void CMainDialog::ApplyCaptions()
{
    button(IdAdd)->setText(Text(kTextAdd));
    button(IdEdit)->setText(Text(kTextEdit));
    button(IdRemove)->setText(Text(kTextRemove));
    button(IdTest)->setText(Text(kTextTest));
    button(IdOptions)->setText(Text(kTextOptions));
    UpdateButtons();
}

void CMainDialog::UpdateButtons()
{
    Alarm* selected = list_->SelectedAlarm();
    QPushButton* activate = button(IdActivate);
    if (!selected) {
        for (int id : {IdEdit, IdRemove, IdTest, IdActivate})
            button(id)->setEnabled(false);
        activate->setText(Text(kTextActivate));
    } else {
        button(IdEdit)->setEnabled(HasEditorFor(selected->type));
        button(IdRemove)->setEnabled(true);
        button(IdTest)->setEnabled(true);
        activate->setEnabled(true);
        activate->setText(Text(selected->activated ? kTextDeactivate : kTextActivate));
    }
    // Add, Edit and Options exist only with a window behind them.
    button(IdAdd)->setHidden(!services_.templateSelection && !(addMenu_ && !addMenu_->isEmpty()));
    button(IdEdit)->setHidden(!services_.compactEditor && !services_.wizard);
    button(IdOptions)->setHidden(!services_.options);
}

void CMainDialog::BuildMenus()
{
    // An entry whose window does not exist yet is left out.
    auto add = [](QMenu* menu, int id, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        return action;
    };

    addMenu_ = std::make_unique<QMenu>(this);
    const auto& templates = Templates();
    const int n = std::min(static_cast<int>(templates.size()), kMaxTemplateItems);
    // The blank kinds when there are no templates, and, until the template
    // selection exists, ahead of the templates: a new alarm can always be made.
    if (n == 0 || !services_.templateSelection) {
        for (const NewKind& kind : kNewKinds) {
            if (HasEditorFor(kind.type))
                add(addMenu_.get(), kind.command, Text(kind.text));
        }
    }
    bool separated = addMenu_->isEmpty();
    for (int i = 0; i < n; ++i) {
        const AlarmTemplate& t = *templates[static_cast<size_t>(i)];
        if (!HasEditorFor(t.type))
            continue;
        if (!separated)
            addMenu_->addSeparator();
        separated = true;
        add(addMenu_.get(), CmdTemplateFirst + i, t.name)->setProperty(kTemplateIndex, i);
    }

    editMenu_ = std::make_unique<QMenu>(this);
    if (HasEditorFor(AlarmWizard))
        add(editMenu_.get(), CmdEditAsWizard, Text(kTextEditAsWizard));
    if (HasEditorFor(AlarmCompact))
        add(editMenu_.get(), CmdEditAsCompact, Text(kTextEditAsCompact));

    activateMenu_ = std::make_unique<QMenu>(this);
    add(activateMenu_.get(), CmdActivateAll, Text(kTextActivateAll));
    add(activateMenu_.get(), CmdDeactivateAll, Text(kTextDeactivateAll));
    ColorMenus();
    UpdateButtons();
}

QMenu* CMainDialog::menuFor(int id) const
{
    QMenu* menu = nullptr;
    switch (id) {
    case IdAdd: menu = addMenu_.get(); break;
    case IdActivate: menu = activateMenu_.get(); break;
    case IdEdit: {
        Alarm* a = list_->SelectedAlarm();
        if (a && (a->type == AlarmCompact || a->type == AlarmWizard))
            menu = editMenu_.get();
        break;
    }
    default: break;
    }
    return menu && !menu->isEmpty() ? menu : nullptr;
}

void CMainDialog::OpenMenu(int id, const QPoint& globalPos)
{
    QMenu* menu = menuFor(id);
    QPushButton* b = button(id);
    if (!menu || !b || !b->isEnabled() || b->isHidden())
        return;
    LetGoOfPointer();
    // The choice runs once the menu has closed, outside its event handling.
    QAction* chosen = menu->exec(globalPos);
    if (!chosen)
        return;
    const QVariant templateIndex = chosen->property(kTemplateIndex);
    const int command = chosen->data().toInt();
    if (templateIndex.isValid()) {
        CmdTemplate(templateIndex.toInt());
        return;
    }
    for (const NewKind& kind : kNewKinds) {
        if (kind.command == command) {
            CmdNew(kind.type);
            return;
        }
    }
    OnCommand(command);
}

// --- layout, painting, timers -------------------------------------------------------

void CMainDialog::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    DoLayout(size());
}

void CMainDialog::DoLayout(const QSize& size)
{
    // A handheld re-lays out only at the work area's width; a desktop window may
    // have any size, so every new size is laid out.
    if (size == lastSize_ || size.isEmpty())
        return;
    lastSize_ = size;
    const int id = DialogLayout::ChooseId(size, kLayoutPortrait, kLayoutLandscape, kLayoutSquare);
    const DialogLayout layout = LoadLayout(id);
    if (layout.IsValid()) {
        layout.Apply(this);
        // A display smaller than the layout (a tiny display at a high density)
        // gets the layout shrunk to fit rather than controls off the window.
        const QSize design = layout.ScaledSize(dpi_x(), dpi_y());
        const double fx = design.width() > size.width() ? double(size.width()) / design.width() : 1.0;
        const double fy = design.height() > size.height() ? double(size.height()) / design.height() : 1.0;
        if (fx < 1.0 || fy < 1.0) {
            for (int controlId : layout.ControlIds()) {
                if (QWidget* w = DialogLayout::FindControl(this, controlId)) {
                    const QRect r = w->geometry();
                    const int x0 = int(r.x() * fx), y0 = int(r.y() * fy);
                    const int x1 = int((r.right() + 1) * fx), y1 = int((r.bottom() + 1) * fy);
                    w->setGeometry(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
                }
            }
        }
    }

    // Space left below the status line (bottom margin 5) makes the list taller
    // and moves what lies below it down; space left at the right (margin 13)
    // widens the list and the clock line and moves the buttons right. A window
    // of the layout's own size has neither; a larger one (a bigger display, a
    // desktop window) uses both in every orientation.
    const bool buttonsBelow = DialogLayout::VariantFor(size) != DialogLayout::Landscape;
    const int down = size.height() - ScaleY(kBottomMargin96) - (statusLabel_->geometry().bottom() + 1);
    if (down >= 1) {
        statusLabel_->move(statusLabel_->pos() + QPoint(0, down));
        if (buttonsBelow) {
            for (QPushButton* b : buttons_)
                b->move(b->pos() + QPoint(0, down));
        }
        list_->resize(list_->width(), list_->height() + down);
    }
    int right = list_->geometry().right() + 1;
    for (QPushButton* b : buttons_)
        right = std::max(right, b->geometry().right() + 1);
    const int across = size.width() - ScaleX(kRightMargin96) - right;
    if (across >= 1) {
        list_->resize(list_->width() + across, list_->height());
        clockLabel_->resize(clockLabel_->width() + across, clockLabel_->height());
        statusLabel_->resize(statusLabel_->width() + across, statusLabel_->height());
        if (!buttonsBelow) {
            for (QPushButton* b : buttons_)
                b->move(b->pos() + QPoint(across, 0));
        } else {
            // The button grid's columns share the new width.
            QList<int> columns;
            for (QPushButton* b : buttons_) {
                if (!columns.contains(b->x()))
                    columns << b->x();
            }
            std::sort(columns.begin(), columns.end());
            const int n = static_cast<int>(columns.size());
            for (QPushButton* b : buttons_) {
                const int k = static_cast<int>(columns.indexOf(b->x()));
                const int x0 = across * k / n, x1 = across * (k + 1) / n;
                b->setGeometry(b->x() + x0, b->y(), b->width() + (x1 - x0), b->height());
            }
        }
    }
    ApplyCaptions();
    if (buttonsBelow) {
        // A caption longer than its button (a translation) takes room from the
        // other columns and the gaps; English captions leave the grid alone.
        KitRow::Share({{button(IdAdd), button(IdRemove)}, {button(IdEdit), button(IdTest)},
                       {button(IdActivate), button(IdOptions)}},
                      {{button(IdActivate), {Text(kTextDeactivate), Text(kTextActivate)}}});
    }
    list_->Relayout();
    UpdateClockAndStatus();
    update();
}

void CMainDialog::ColorMenus()
{
    for (QMenu* menu : {addMenu_.get(), editMenu_.get(), activateMenu_.get()}) {
        if (menu)
            ApplyKitColors(menu, bgColor_, textColor_);
    }
}

void CMainDialog::SetColors(uint32_t bgColor, uint32_t textColor)
{
    bgColor_ = bgColor & 0xFFFFFF;
    textColor_ = textColor & 0xFFFFFF;
    ApplyKitColors(this, bgColor_, textColor_);
    ColorMenus();
    list_->SetBaseColor(bgColor_);
    list_->SetTextColor(textColor_);
    update();
}

void CMainDialog::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    PaintWindowBackground(p, rect(), bgColor_, kWindowShade);
    const QRect clockRect = clockLabel_->geometry();
    // A tick repaints one line: the other one's text is neither fitted nor drawn.
    if (e->rect().intersects(clockRect))
        PaintClock(p);
    if (e->rect().intersects(statusLabel_->geometry()))
        PaintStatus(p);
}

void CMainDialog::PaintClock(QPainter& p)
{
    const QRect clockRect = clockLabel_->geometry();
    PaintTitleArea(p, clockRect, bgColor_, kWindowShade);
    p.setPen(ToQColor(textColor_));
    // The clock's 22-point font, or a smaller one where the line is too narrow.
    QFont clockFont = clockLabel_->font();
    if (QFontMetrics(clockFont).horizontalAdvance(clockText_) > clockRect.width() - 4
        || QFontMetrics(clockFont).height() > clockRect.height())
        clockFont = FitFont(clockText_, clockRect, 1);
    p.setFont(clockFont);
    const int clockFlags = Qt::AlignCenter | Qt::TextSingleLine;
    p.drawText(clockRect.adjusted(2, 0, -2, 0), clockFlags, clockText_);
    KitTextFit::Record(clockLabel_, clockText_, clockFont, clockLabel_->rect().adjusted(2, 0, -2, 0), clockFlags);
}

void CMainDialog::PaintStatus(QPainter& p)
{
    // The status line follows the kit's fit rule.
    p.setPen(ToQColor(textColor_));
    const int statusFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const KitTextFit::Result status = KitTextFit::FitFor(statusLabel_, statusText_, statusLabel_->font(),
                                                         statusLabel_->rect(), statusFlags);
    p.setFont(status.font);
    p.drawText(statusLabel_->geometry(), statusFlags, status.text);
}

void CMainDialog::mousePressEvent(QMouseEvent* e)
{
    if (statusLabel_->geometry().contains(e->position().toPoint())) {
        const QList<MissedAlarms::Entry> unseen = MissedAlarms::List(true);
        if (!unseen.isEmpty()) {
            MissedAlarms::MarkSeen(unseen.first().id, true);
            UpdateClockAndStatus();
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

void CMainDialog::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == clockTimer_.timerId()) {
        CatchUpWithStore(); // a change nobody announced shows within a second
        UpdateClockAndStatus();
    } else if (e->timerId() == reloadTimer_.timerId()) {
        ReloadAlarms();
    } else {
        QDialog::timerEvent(e);
    }
}

void CMainDialog::changeEvent(QEvent* e)
{
    // Another window in front does not stop the clock: a desktop shows this
    // window beside others, and it must never show a stale time there.
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateClockAndStatus();
    else if (e->type() == QEvent::WindowStateChange)
        UpdateClockTimer();
    QDialog::changeEvent(e);
}

void CMainDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The window system's word on whether any of the window can be seen (an
    // unmapped window, one on another virtual desktop) reaches the native window.
    if (QWindow* native = windowHandle(); native && native != exposeWatched_) {
        if (exposeWatched_)
            exposeWatched_->removeEventFilter(this);
        exposeWatched_ = native;
        native->installEventFilter(this);
    }
    UpdateClockTimer();
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == exposeWatched_) {
        // The exposure is already updated when the event arrives; the clock
        // starts (with the time of now) before the window's contents are painted
        // again.
        if (e->type() == QEvent::Expose)
            UpdateClockTimer();
        else if (e->type() == QEvent::WindowBlocked)
            WatchCover(QGuiApplication::modalWindow());
        else if (e->type() == QEvent::WindowUnblocked)
            WatchCover(nullptr);
    } else if (watched == coverWatched_) {
        // The window over this one moved, changed its size or went.
        const QEvent::Type t = e->type();
        if (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Expose || t == QEvent::Hide)
            UpdateClockTimer();
    }
    return QDialog::eventFilter(watched, e);
}

void CMainDialog::WatchCover(QWindow* modal)
{
    if (coverWatched_)
        coverWatched_->removeEventFilter(this);
    coverWatched_ = modal != exposeWatched_ ? modal : nullptr;
    if (coverWatched_)
        coverWatched_->installEventFilter(this);
    // The modal window's caller may still hold alarms of the list when it ends
    // (the after-ringing path runs on): the store is caught up with at the next
    // tick, not now.
    UpdateClockTimer(false);
}

bool CMainDialog::Covered() const
{
    return coverWatched_ && exposeWatched_ && coverWatched_->isVisible()
           && coverWatched_->geometry().contains(exposeWatched_->frameGeometry());
}

void CMainDialog::hideEvent(QHideEvent* e)
{
    QDialog::hideEvent(e);
    UpdateClockTimer();
}

void CMainDialog::UpdateClockTimer(bool catchUp)
{
    const QWindow* native = windowHandle();
    const bool seen = isVisible() && !isMinimized() && native && native->isExposed() && !Covered()
                      && !(screenLock_ && screenLock_->locked());
    if (seen == clockTimer_.isActive())
        return;
    if (seen) {
        if (catchUp)
            CatchUpWithStore(); // what changed while nobody looked shows at once
        UpdateClockAndStatus();
        clockTimer_.start(kClockPeriodMs, this);
    } else {
        clockTimer_.stop();
    }
}

} // namespace dawnbell
