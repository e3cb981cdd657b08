#include "CTodayItem.h"

#include "AccessibleOwnerDrawn.h"
#include "AlarmChanges.h"
#include "IpcClient.h"
#include "Locale.h"
#include "MessageBox.h"
#include "NamedEvent.h"
#include "Process.h"
#include "Registry.h"
#include "Scheduler.h"
#include "SpokenDuration.h"
#include "TextFormat.h"
#include "TodayApi.h"
#include "TodayIcons.h"
#include "TodayLibrary.h"
#include "TodaySettings.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace dawnbell::today {

namespace {

// Copy-data codes of the program's main window.
constexpr uint32_t kCopyActivate = 3;
constexpr uint32_t kCopyDeactivate = 4;
// Longest wait for the main window's answer to a copy-data message (ms).
constexpr int kCopyDataTimeoutMs = 5000;

// Rounding multiply-divide of a length at 96 dpi to `dpi`.
int MulDivRound(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t m = int64_t(a < 0 ? -a : a) * b + c / 2;
    return int(a < 0 ? -(m / c) : m / c);
}

// A rectangle given by its edges, right and bottom outside, as the layout
// table writes them (fractional edges are cut to whole pixels).
QRect Box(double left, double top, double right, double bottom)
{
    return QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1));
}

QString OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

CTodayItem::CTodayItem(TodayListItem* item, QWidget* parent) : QWidget(parent), item_(item)
{
    setObjectName(QStringLiteral("Dawnbell"));
    setWindowTitle(QStringLiteral("Dawnbell"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(240, 0);
    scale_ = logicalDpiX() / 96.0;
    ResetFocusGrid();
    show();
    update();
}

// --- host messages ---------------------------------------------------------------

int CTodayItem::OnQueryRefresh(TodayListItem* item)
{
    if (busy_)
        return 0;
    // The host's ready event is looked up once and kept; a wait that fails lets
    // go of it, so an event made anew (by another host) is found again.
    if (!ready_.IsOpen() && NamedEvent::Open(kShellReadyEvent, &ready_) != EventOk)
        return 0;
    if (!ready_.TryWait()) {
        ready_.Close();
        return 0;
    }
    if (!item)
        return 1;
    busy_ = true;
    const int64_t now = clock::Now();
    const bool first = item->height == 0;

    // This process's own writes never count as changes: Toggle asks for the
    // read itself. A count of 0 (no store) is read every time.
    const uint64_t changes = RegStoreChangeCount();
    const bool readStore = !storeRead_ || changes != storeSeen_ || changes == 0;
    const bool listDue = readStore || now < listAt_ || now >= listUntil_;
    if (!first && !listDue && MinutesToNextAt(now) == minutesToNext_) {
        busy_ = false;
        return 0; // nothing read, nothing shown differs
    }

    const QStringList before = ShownTexts();
    bool fresh = false;
    if (readStore) {
        // The count from before the read: a commit made during it is read again.
        storeSeen_ = changes;
        storeRead_ = true;
        ++storeReads_;
        const TodayLayoutSettings settings = ReadLayoutSettings();
        rows_ = settings.rows;
        large_ = settings.large;
        std::vector<TodayAlarm> read;
        fresh = ReadAlarms(now, &read); // a program key that does not open changes nothing
        if (fresh)
            stored_ = std::move(read);
    }

    const bool changed = listDue && ReloadAlarms(now, fresh);
    if (changed)
        firstRow_ = 0;
    minutesToNext_ = MinutesToNextAt(now);
    if (changed && firstActive_ >= 0) {
        const int count = int(alarms_.size());
        firstRow_ = std::max(0, count - firstActive_ < rows_ ? count - rows_ : firstActive_);
    }

    if (!first) {
        busy_ = false;
        UpdateFocusGrid();
        if (ShownTexts() == before)
            return 0;
        AccessibleOwnerDrawn::AnnounceReorder(this); // rows, names or the countdown changed
        return 1;
    }
    item->height = uint32_t(MulDivRound(int(rows_ * 20 * (large_ ? 1.5 : 1.0)), logicalDpiY(), 96));
    ResetFocusGrid();
    UpdateFocusGrid();
    focusCol_ = focusRow_ = kNoFocus;
    busy_ = false;
    AccessibleOwnerDrawn::AnnounceReorder(this);
    return 1;
}

void CTodayItem::OnReceivedSelection()
{
    focusCol_ = ColProgram;
    focusRow_ = 0;
    update();
    AnnounceFocus();
}

void CTodayItem::OnLostSelection()
{
    focusCol_ = focusRow_ = kNoFocus;
    update();
}

bool CTodayItem::OnNavigation(uint32_t key)
{
    update();
    if (focusCol_ >= kColumns || focusRow_ >= kMaxRows)
        return false; // nothing has the focus
    const int column = focusCol_, row = focusRow_, first = firstRow_;
    const bool used = Navigate(key);
    if (focusCol_ != column || focusRow_ != row || firstRow_ != first)
        AnnounceFocus();
    return used;
}

bool CTodayItem::Navigate(uint32_t key)
{
    const bool listColumn = focusCol_ == ColToggle || focusCol_ == ColEdit;
    switch (key) {
    case VK_UP:
        if (!listColumn)
            return false;
        if (focusRow_ > 0)
            --focusRow_;
        else
            ScrollUp();
        return true;
    case VK_DOWN:
        if (!listColumn)
            return false;
        if (focusRow_ == rows_ - 1)
            ScrollDown();
        else if (RowShowsAlarm(focusRow_ + 1))
            ++focusRow_;
        return true;
    case VK_RIGHT:
    case VK_LEFT: {
        const int step = key == VK_RIGHT ? 1 : kColumns - 1;
        focusCol_ = (focusCol_ + step) % kColumns;
        // Up the rows, then along row 0, until a cell takes the focus; the
        // program button in row 0 always does.
        for (int guard = 0; guard < kColumns * (kMaxRows + 1) && !Focusable(focusCol_, focusRow_); ++guard) {
            if (focusRow_ > 0)
                --focusRow_;
            else
                focusCol_ = (focusCol_ + step) % kColumns;
        }
        return true;
    }
    default:
        return false;
    }
}

void CTodayItem::OnAction()
{
    switch (focusCol_) {
    case ColProgram: StartProgram(std::string()); break;
    case ColToggle: Toggle(firstRow_ + focusRow_); break;
    case ColEdit: Edit(firstRow_ + focusRow_); break;
    case ColScrollUp: ScrollUp(); break;
    case ColScrollDown: ScrollDown(); break;
    default: break;
    }
}

// --- commands --------------------------------------------------------------------

void CTodayItem::Toggle(int index)
{
    if (index < 0 || index >= int(alarms_.size()))
        return;
    // A copy: a refresh during the question may replace the list.
    const TodayAlarm alarm = alarms_[size_t(index)];
    const bool on = alarm.activated == 0;
    if (!on
        && ShowMessageBox(TodayText(TextReallyDeactivate), TodayText(TextDeactivateCaption), MsgButtons::YesNo,
                          MsgIcon::Question, this) != MsgAnswer::Yes)
        return;

    // Only an existing section is written: an alarm the program removed in the
    // meantime is not brought back as a fragment.
    RegKey section;
    if (RegKey::Open(Hive::CurrentUser, std::string(kProgramKey) + "\\" + alarm.section, &section) != RegOk) {
        qWarning("Dawnbell today item: could not switch the alarm %s: it is no longer stored", alarm.section.c_str());
        return;
    }
    // The program's own commit path: one stored change, flushed once, and the
    // program's own rebuild, starting the program this item starts, so the
    // schedule left behind is the one the program would leave.
    Scheduler::SetProgramPath(QString::fromStdString(TheTodayLibrary().programPath));
    bool written = false;
    const bool committed = AlarmChanges::Instance().Commit(
        {QString::fromStdString(alarm.Key())},
        [&] { written = section.WriteDword("activated", on ? 1 : 0) == RegOk; });
    storeRead_ = false; // the store's count never tells this process of its own write
    if (!committed || !written) {
        qWarning("Dawnbell today item: could not switch the alarm %s", alarm.section.c_str());
        update(ListRect());
        return;
    }

    ipc::IpcClient window;
    if (window.Connect(ipc::SocketPath(), std::string()) == ipc::SendOk) {
        const std::string key = alarm.Key();
        window.SendCopyData(on ? kCopyActivate : kCopyDeactivate, std::u16string(key.begin(), key.end()),
                            kCopyDataTimeoutMs, nullptr);
    }
    update(ListRect());
}

void CTodayItem::Edit(int index)
{
    if (index < 0 || index >= int(alarms_.size()))
        return;
    StartProgram("edit " + alarms_[size_t(index)].Key());
}

void CTodayItem::StartProgram(const std::string& commandLine)
{
    const std::string& program = TheTodayLibrary().programPath;
    if (const int err = process::SpawnDetached(program, commandLine))
        qWarning("Dawnbell today item: could not start %s: %s", program.c_str(), std::strerror(err));
}

void CTodayItem::ScrollUp()
{
    if (!ScrollUpEnabled())
        return;
    --firstRow_;
    InvalidateScrollAreas();
}

void CTodayItem::ScrollDown()
{
    if (!ScrollDownEnabled())
        return;
    ++firstRow_;
    InvalidateScrollAreas();
}

void CTodayItem::InvalidateScrollAreas()
{
    UpdateFocusGrid();
    update(ListRect());
    update(ScrollUpRect());
    update(ScrollDownRect());
}

// --- state -----------------------------------------------------------------------

QString CTodayItem::CountdownText() const
{
    if (minutesToNext_ == -1)
        return QString();
    return QString::asprintf("%.1d:%.2d", minutesToNext_ / 60, minutesToNext_ % 60);
}

bool CTodayItem::Focusable(int column, int row) const
{
    return column >= 0 && column < kColumns && row >= 0 && row < kMaxRows && focusable_[column][row];
}

bool CTodayItem::ScrollUpEnabled() const { return firstRow_ > 0; }

bool CTodayItem::ScrollDownEnabled() const
{
    const int count = int(alarms_.size());
    return firstRow_ < count - rows_ && count > rows_;
}

bool CTodayItem::RowShowsAlarm(int j) const
{
    return j >= 0 && j < rows_ && firstRow_ + j < int(alarms_.size());
}

QString CTodayItem::RowText(int j) const
{
    if (!RowShowsAlarm(j))
        return QString();
    const TodayAlarm& a = alarms_[size_t(firstRow_ + j)];
    QString text = FormatTimeNoSeconds(a.Moment());
    if (a.IsAppointment())
        text = QStringLiteral("%1 (%2)").arg(text, FormatShortDate(a.Moment()));
    if (!a.title.empty())
        text = QStringLiteral("%1 - %2").arg(text, OneLine(QString::fromStdU16String(a.title)));
    return text;
}

QString CTodayItem::SpokenRow(int j, int64_t now) const
{
    if (!RowShowsAlarm(j))
        return QString();
    const TodayAlarm& a = alarms_[size_t(firstRow_ + j)];
    QStringList words{FormatTimeNoSeconds(a.Moment())};
    if (a.IsAppointment())
        words << FormatShortDate(a.Moment());
    if (!a.title.empty())
        words << OneLine(QString::fromStdU16String(a.title));
    const bool on = a.activated != 0;
    words << TodayText(on ? TextOn : TextOff);
    if (on) {
        const int64_t next = NextOccurrence(a, now);
        if (next >= now)
            words << FormatText(TodayText(TextNextRingIn), {SpokenDuration(next - now)});
    }
    return words.join(QLatin1String(", "));
}

bool CTodayItem::ReloadAlarms(int64_t now, bool fresh)
{
    std::vector<TodayAlarm> list = fresh ? stored_ : AlarmsAsOf(stored_, now);

    // The order holds while every remaining time shrinks alike: until the
    // first moment still ahead passes (an appointment's stays where it is),
    // and the dates until midnight.
    const clock::LocalDays& local = clock::LocalDaysAt(now);
    const clock::LocalTime& today = local.Today();
    listAt_ = now;
    listUntil_ = local.MakeLocal(today.year, today.month, today.day + 1, 0, 0, 0);
    firstActive_ = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        const TodayAlarm& a = list[i];
        if (a.IsAppointment() && a.activated == 0)
            continue;
        const int64_t next = NextOccurrence(a, now);
        if (!a.IsAppointment() && next >= now)
            listUntil_ = std::min(listUntil_, next);
        if (firstActive_ < 0 && a.activated != 0) {
            firstActive_ = int(i);
            nextActiveAt_ = next;
        }
    }

    if (list == alarms_)
        return false;
    alarms_ = std::move(list);
    return true;
}

int CTodayItem::MinutesToNextAt(int64_t now) const
{
    if (firstActive_ < 0)
        return -1;
    // An appointment whose moment has passed counts as due now, so the
    // countdown never goes negative (nor reads as "none active").
    return int(std::max<int64_t>(0, nextActiveAt_ - now) / 60 + 1);
}

QStringList CTodayItem::ShownTexts() const
{
    QStringList shown{CountdownText(), QString::asprintf("%d %d %d %d %d", rows_, int(large_), firstRow_,
                                                         int(ScrollUpEnabled()), int(ScrollDownEnabled()))};
    for (int j = 0; RowShowsAlarm(j); ++j)
        shown << (alarms_[size_t(firstRow_ + j)].activated ? QStringLiteral("on ") : QStringLiteral("off "))
                     + RowText(j);
    return shown;
}

void CTodayItem::ResetFocusGrid()
{
    std::memset(focusable_, 0, sizeof focusable_);
    for (int c = 0; c < kColumns; ++c)
        focusable_[c][0] = true;
    for (int r = 1; r < rows_ && r < kMaxRows; ++r)
        focusable_[ColToggle][r] = focusable_[ColEdit][r] = true;
}

void CTodayItem::UpdateFocusGrid()
{
    for (int j = 0; j < rows_ && j < kMaxRows; ++j)
        focusable_[ColToggle][j] = focusable_[ColEdit][j] = RowShowsAlarm(j);
    focusable_[ColScrollUp][0] = ScrollUpEnabled();
    focusable_[ColScrollDown][0] = ScrollDownEnabled();
}

// --- layout ----------------------------------------------------------------------

QRect CTodayItem::ProgramTapRect() const
{
    const double s = scale_, L = Unit();
    return rows_ == 1 ? Box(2 * s, 2 * s, 18 * L, 18 * L) : Box(2 * s, 4 * s, 34 * s, 36 * s);
}

QRect CTodayItem::CountdownRect() const
{
    const double s = scale_, L = Unit(), R = width();
    return rows_ == 1 ? Box(R - 35 * s, 2 * L, R, 18 * L) : Box(R - 35 * L, 22 * L, R, 38 * L);
}

QRect CTodayItem::ListRect() const
{
    const double s = scale_, L = Unit(), R = width();
    return rows_ == 1 ? Box(27 * s, 2 * s, R - 35 * s - 50 * L, 18 * L)
                      : Box(43 * s, 2 * s, R - 53 * L, 20 * rows_ * L - 2);
}

QRect CTodayItem::EditRect(int j) const
{
    const double s = scale_, L = Unit(), R = width();
    return rows_ == 1 ? Box(R - 35 * s - 49 * L, 2 * L, R - 35 * s - 33 * L, 22 * L)
                      : Box(R - 52 * L, (2 + 20 * j) * L, R - 36 * L, (22 + 20 * j) * L);
}

QRect CTodayItem::ScrollUpRect() const
{
    const double s = scale_, L = Unit(), R = width();
    return rows_ == 1 ? Box(R - 35 * s - 33 * L, 2 * L, R - 35 * s - 17 * L, 18 * L)
                      : Box(R - 35 * L, 2 * L, R - 19 * L, 18 * L);
}

QRect CTodayItem::ScrollDownRect() const
{
    const double s = scale_, L = Unit(), R = width();
    return rows_ == 1 ? Box(R - 35 * s - 17 * L, 2 * L, R - 35 * s, 18 * L)
                      : Box(R - 18 * L, 2 * L, R - 2 * L, 18 * L);
}

// --- assistive technology --------------------------------------------------------

AccessiblePart CTodayItem::AccessiblePartAt(int index) const
{
    AccessiblePart part;
    const QString press = QAccessibleActionInterface::pressAction();
    // A tap area drawn as an icon: a button, focused as the keys focus it.
    auto button = [&](const QString& name, const QRect& rect, bool enabled, int column, int row) {
        part.name = name;
        part.role = QAccessible::Button;
        part.rect = rect;
        part.state.focusable = true;
        part.state.focused = focusCol_ == column && focusRow_ == row;
        part.state.disabled = !enabled;
        part.actions = {press};
    };
    if (index == PartProgram) {
        button(TodayText(TextOpenProgram), ProgramTapRect(), true, ColProgram, 0);
    } else if (index >= PartRow(0) && index < PartScrollUp()) {
        const int j = (index - PartRow(0)) / 2;
        if ((index - PartRow(0)) % 2 == 1) {
            button(TodayText(TextEdit), EditRect(j), RowShowsAlarm(j), ColEdit, j);
        } else {
            // The row's text and switch; a double tap on it flips the switch.
            const QRect list = ListRect();
            const double L = Unit();
            part.name = SpokenRow(j, clock::Now());
            part.role = QAccessible::CheckBox;
            part.rect = Box(list.left(), list.top() + 20 * j * L, list.right() + 1, list.top() + (20 * j + 18) * L);
            part.state.invisible = !RowShowsAlarm(j);
            part.state.checkable = true;
            part.state.checked = RowShowsAlarm(j) && alarms_[size_t(firstRow_ + j)].activated != 0;
            part.state.focusable = true;
            part.state.focused = focusCol_ == ColToggle && focusRow_ == j;
            part.actions = {press, QAccessibleActionInterface::toggleAction()};
        }
    } else if (index == PartScrollUp()) {
        button(TodayText(TextScrollUp), ScrollUpRect(), ScrollUpEnabled(), ColScrollUp, 0);
    } else if (index == PartScrollDown()) {
        button(TodayText(TextScrollDown), ScrollDownRect(), ScrollDownEnabled(), ColScrollDown, 0);
    } else if (index == PartCountdown()) {
        part.role = QAccessible::StaticText;
        part.rect = CountdownRect();
        part.state.readOnly = true;
        part.state.invisible = firstActive_ < 0 || minutesToNext_ == -1;
        if (!part.state.invisible) {
            part.name = FormatText(TodayText(TextNextRingIn), {SpokenDuration(nextActiveAt_ - clock::Now())});
            part.value = CountdownText();
        }
    }
    return part;
}

void CTodayItem::AccessiblePartAction(int index, const QString& action)
{
    const bool press = action == QAccessibleActionInterface::pressAction();
    if (index == PartProgram && press) {
        StartProgram(std::string());
    } else if (index >= PartRow(0) && index < PartScrollUp()) {
        const int j = (index - PartRow(0)) / 2;
        if (!RowShowsAlarm(j))
            return;
        if ((index - PartRow(0)) % 2 == 1) {
            if (press)
                Edit(firstRow_ + j);
            return;
        }
        if (!press && action != QAccessibleActionInterface::toggleAction())
            return;
        // The reader waits for its call to return: the question switching an
        // alarm off asks comes after. The alarm is found again by its section,
        // as a refresh may have reordered the list meanwhile.
        const std::string section = alarms_[size_t(firstRow_ + j)].section;
        QTimer::singleShot(0, this, [this, section] {
            for (size_t i = 0; i < alarms_.size(); ++i) {
                if (alarms_[i].section == section) {
                    Toggle(int(i));
                    return;
                }
            }
        });
    } else if (index == PartScrollUp() && press) {
        ScrollUp();
    } else if (index == PartScrollDown() && press) {
        ScrollDown();
    }
}

int CTodayItem::AccessibleFocusPart() const
{
    if (focusRow_ >= rows_ && focusCol_ != ColProgram)
        return -1;
    switch (focusCol_) {
    case ColProgram: return PartProgram;
    case ColToggle: return PartRow(focusRow_);
    case ColEdit: return PartRow(focusRow_) + 1;
    case ColScrollUp: return PartScrollUp();
    case ColScrollDown: return PartScrollDown();
    default: return -1;
    }
}

void CTodayItem::AnnounceFocus()
{
    if (const int part = AccessibleFocusPart(); part >= 0)
        AccessibleOwnerDrawn::AnnouncePart(this, part, QAccessible::Focus);
}

// --- window messages -------------------------------------------------------------

bool CTodayItem::event(QEvent* e)
{
    if (e->type() != TodayEvent::kType)
        return QWidget::event(e);
    auto* m = static_cast<TodayEvent*>(e);
    switch (m->message) {
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE:
        m->result = OnQueryRefresh(reinterpret_cast<TodayListItem*>(m->wparam));
        break;
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
        OnReceivedSelection();
        m->result = 1;
        break;
    case WM_TODAYCUSTOM_LOSTSELECTION:
        OnLostSelection();
        break;
    case WM_TODAYCUSTOM_USERNAVIGATION:
        m->result = OnNavigation(uint32_t(m->wparam)) ? 1 : 0;
        break;
    case WM_TODAYCUSTOM_ACTION:
        OnAction();
        break;
    default:
        break;
    }
    return true;
}

void CTodayItem::resizeEvent(QResizeEvent* e)
{
    update();
    QWidget::resizeEvent(e);
}

void CTodayItem::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        const QPoint pos = e->position().toPoint();
        if (ProgramTapRect().contains(pos)) {
            StartProgram(std::string());
        } else if (ScrollUpRect().contains(pos)) {
            ScrollUp();
        } else if (ScrollDownRect().contains(pos)) {
            ScrollDown();
        } else {
            for (int j = 0; j < rows_; ++j) {
                if (EditRect(j).contains(pos) && RowShowsAlarm(j)) {
                    Edit(firstRow_ + j);
                    break;
                }
            }
        }
    }
    QWidget::mouseReleaseEvent(e);
}

void CTodayItem::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const QRect list = ListRect();
    if (e->button() == Qt::LeftButton && list.contains(pos)) {
        const int row = int((pos.y() - list.top()) / (20 * Unit()));
        Toggle(firstRow_ + row);
    }
    QWidget::mouseDoubleClickEvent(e);
}

// --- painting --------------------------------------------------------------------

QColor CTodayItem::HostColor(uint32_t index) const
{
    TodayEvent query(TODAYM_GETCOLOR, index);
    if (parentWidget())
        QCoreApplication::sendEvent(parentWidget(), &query);
    const auto c = uint32_t(query.result);
    return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF));
}

void CTodayItem::DrawIcon(QPainter& p, int id, double x, double y, double size)
{
    const qreal ratio = devicePixelRatioF();
    const int pixels = std::max(1, int(size * ratio + 0.5));
    p.drawImage(QRectF(int(x), int(y), pixels / ratio, pixels / ratio), TheTodayLibrary().icons.Get(id, pixels));
}

void CTodayItem::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (focusRow_ == kNoFocus) {
        TodayDrawWatermarkInfo info;
        info.painter = &p;
        info.rect = rect();
        info.window = this;
        TodayEvent watermark(TODAYM_DRAWWATERMARK, 0, reinterpret_cast<intptr_t>(&info));
        if (parentWidget())
            QCoreApplication::sendEvent(parentWidget(), &watermark);
    } else {
        p.fillRect(rect(), HostColor(TODAYCOLOR_HIGHLIGHT));
    }
    UpdateFocusGrid();

    const double s = scale_, L = Unit();
    const bool oneRow = rows_ == 1;
    const bool hasFocus = focusCol_ < kColumns && focusRow_ < kMaxRows;

    // Text: the host's text colour on a transparent background, in the system
    // font's face at a ninth of the vertical density (an eighth for Chinese,
    // Japanese and Korean).
    const int language = PlatformLanguageId() & 0x3FF;
    const bool cjk = language == 4 || language == 17 || language == 18;
    QFont font(QWidget::font().family());
    font.setPixelSize(std::max(1, int(logicalDpiY() * (cjk ? 1.0 / 8 : 1.0 / 9) + 0.5)));
    font.setWeight(QFont::Normal);
    p.setFont(font);
    p.setPen(HostColor(TODAYCOLOR_TEXT));

    // Program button.
    const int programIcon = hasFocus && focusCol_ == ColProgram && focusRow_ == 0 ? 111 : 104;
    if (oneRow)
        DrawIcon(p, programIcon, 2 * s, 2 * s, 16 * s);
    else
        DrawIcon(p, programIcon, 2 * s, 4 * s, 32 * s);

    // Countdown to the next active alarm.
    if (minutesToNext_ != -1)
        p.drawText(CountdownRect(), Qt::AlignCenter | Qt::TextSingleLine, CountdownText());

    // Edit buttons, one per displayed row.
    for (int j = 0; j < (oneRow ? 1 : rows_); ++j) {
        const QRect r = EditRect(j);
        int id = IconEditEmpty;
        if (RowShowsAlarm(j))
            id = focusCol_ == ColEdit && focusRow_ == j ? IconEditFocused : IconEdit;
        DrawIcon(p, id, r.left(), r.top(), 16 * L);
    }

    // List outline.
    const QRect list = ListRect();
    p.save();
    QPen dashed(Qt::white, 1, Qt::DashLine);
    dashed.setCosmetic(true);
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(list.left(), list.top(), list.width() - 1, list.height() - 1));
    p.restore();

    // Scroll buttons.
    const QRect up = ScrollUpRect(), down = ScrollDownRect();
    const int upIcon = !ScrollUpEnabled() ? IconUpDisabled
                     : focusCol_ == ColScrollUp && focusRow_ == 0 ? IconUpFocused : IconUp;
    const int downIcon = !ScrollDownEnabled() ? IconDownDisabled
                       : focusCol_ == ColScrollDown && focusRow_ == 0 ? IconDownFocused : IconDown;
    DrawIcon(p, upIcon, up.left(), up.top(), 16 * L);
    DrawIcon(p, downIcon, down.left(), down.top(), 16 * L);

    // Rows: switch and text.
    const QFontMetrics metrics(font);
    for (int j = 0; j < rows_ && RowShowsAlarm(j); ++j) {
        const TodayAlarm& a = alarms_[size_t(firstRow_ + j)];
        const bool focused = focusCol_ == ColToggle && focusRow_ == j;
        const int toggle = a.activated ? (focused ? IconToggleOnFocused : IconToggleOn)
                                       : (focused ? IconToggleOffFocused : IconToggleOff);
        DrawIcon(p, toggle, list.left() + 1, list.top() + 20 * j * L + 1, 16 * L);
        const QRect textRect = Box(list.left() + 18 * L, list.top() + 20 * j * L, list.right() + 1,
                                   list.top() + (20 * j + 18) * L);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(RowText(j), Qt::ElideRight, std::max(0, textRect.width())));
    }
}

} // namespace dawnbell::today
