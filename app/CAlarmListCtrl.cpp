#include "CAlarmListCtrl.h"

#include "AccessibleOwnerDrawn.h"
#include "Alarm.h"
#include "AlarmList.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "RingTrace.h"
#include "Scaling.h"
#include "SpokenDuration.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QFontMetrics>
#include <QHash>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>

static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace dawnbell {

namespace {

// Shade difference between the row gradient's two ends and the frame tones.
constexpr int kShade = 30;
constexpr int kSelectedShade = 50;
constexpr int kFrameLight = 100;
constexpr int kFrameDark = 50;

// The row icon `id` at `size` logical pixels for a device pixel ratio, cached.
QPixmap IconPixmap(int id, const QSize& size, qreal dpr)
{
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1/%2x%3@%4").arg(id).arg(size.width()).arg(size.height()).arg(dpr);
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    InitIconResources();
    QPixmap source(QStringLiteral(":/icons/icon%1.png").arg(id));
    QPixmap scaled;
    if (!source.isNull()) {
        scaled = source.scaled(size * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(dpr);
    }
    cache.insert(key, scaled);
    return scaled;
}

} // namespace

CAlarmListCtrl::CAlarmListCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    lineHeight_ = ScaleY(kLineHeight96);
    padding_ = mul_div_round(2, dpi_x(), 96) + 2;
    margin_ = ScaleX(kMargin96);
    iconColumn_ = ScaleX(kIconColumn96);
    SetBaseColor(0x808080);
    redraw_ = true;
}

CAlarmListCtrl::~CAlarmListCtrl() = default;

int CAlarmListCtrl::IconId(int type, bool active)
{
    switch (type) {
    case AlarmCompact: return active ? 301 : 298;
    case AlarmWizard: return active ? 296 : 297;
    case AlarmAppointment: return active ? 299 : 302;
    case AlarmCommand: return active ? 300 : 303;
    default: return active ? 296 : 297; // an unknown kind looks like a wizard alarm
    }
}

int CAlarmListCtrl::InsertSorted(Alarm* alarm)
{
    if (!alarm)
        return -1;
    std::vector<Alarm*> rows;
    rows.reserve(items_.size());
    for (const Row& row : items_)
        rows.push_back(row.alarm);
    const size_t at = AlarmList::InsertionIndex(rows, alarm);
    Row r;
    r.alarm = alarm;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), r);
    selected_ = -1;
    Layout();
    return static_cast<int>(at);
}

void CAlarmListCtrl::InsertAllSorted(const std::vector<Alarm*>& alarms)
{
    std::vector<Alarm*> rows;
    rows.reserve(items_.size() + alarms.size());
    for (const Row& row : items_)
        rows.push_back(row.alarm);
    if (rows.empty()) {
        for (Alarm* a : alarms) {
            if (a)
                rows.push_back(a);
        }
        AlarmList::SortIntoListOrder(&rows);
    } else {
        for (Alarm* a : alarms) {
            if (a)
                rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(AlarmList::InsertionIndex(rows, a)), a);
        }
    }
    items_.clear();
    items_.reserve(rows.size());
    for (Alarm* a : rows) {
        Row r;
        r.alarm = a;
        items_.push_back(r);
    }
    selected_ = -1;
    Layout();
}

void CAlarmListCtrl::RemoveAt(int index)
{
    if (index < 0 || index >= Count())
        return;
    items_.erase(items_.begin() + index);
    selected_ = -1;
    Layout();
}

void CAlarmListCtrl::Select(int index)
{
    if (index >= Count() || index == selected_ || index < -1)
        return;
    const int previous = selected_;
    selected_ = index;
    if (redraw_) {
        update(RowRect(previous));
        update(RowRect(selected_));
    }
    if (selected_ >= 0) {
        AccessibleOwnerDrawn::AnnouncePart(this, selected_, QAccessible::Selection);
        if (hasFocus())
            AccessibleOwnerDrawn::AnnouncePart(this, selected_, QAccessible::Focus);
    }
    emit notify(NotifySelectionChanged);
}

Alarm* CAlarmListCtrl::SelectedAlarm() const
{
    return AlarmAt(selected_);
}

Alarm* CAlarmListCtrl::AlarmAt(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<size_t>(index)].alarm;
}

int CAlarmListCtrl::IndexOf(const Alarm* alarm) const
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].alarm == alarm)
            return static_cast<int>(i);
    }
    return -1;
}

void CAlarmListCtrl::SetBaseColor(uint32_t color)
{
    base_ = color & 0xFFFFFF;
    if (IsDark(base_)) {
        shadeA_ = Lighten(base_, kShade);
        shadeB_ = base_;
    } else {
        shadeA_ = base_;
        shadeB_ = Darken(base_, kShade);
    }
    Layout();
}

void CAlarmListCtrl::SetTextColor(uint32_t color)
{
    text_ = color & 0xFFFFFF;
    Layout();
}

void CAlarmListCtrl::EnableRedraw(bool on)
{
    redraw_ = on;
    if (on)
        Layout();
}

void CAlarmListCtrl::Relayout()
{
    Layout();
}

void CAlarmListCtrl::ComputeRow(Row* row) const
{
    row->line1 = row->alarm->GetTimeText();
    row->line2 = row->alarm->GetDaysText();
    row->height = lineHeight_ + 2 * padding_ + (row->line2.isEmpty() ? 0 : lineHeight_);
}

void CAlarmListCtrl::Layout()
{
    if (!redraw_)
        return;
    int y = 0;
    for (Row& row : items_) {
        ComputeRow(&row);
        row.top = y;
        y += row.height;
    }
    contentHeight_ = std::max(y, height());
    // Out of a drag and its snap-back the offset stays in range, also when rows
    // went away or the list grew taller.
    if (!pressed_ && !snapTimer_.isActive())
        offset_ = std::clamp(offset_, 0, maxScrollOffset());
    update();
    // Rows came, went or changed (an alarm switched on or off moves): readers
    // read the items again.
    AccessibleOwnerDrawn::AnnounceReorder(this);
}

void CAlarmListCtrl::DrawRow(QPainter& p, int index) const
{
    const Row& row = items_[static_cast<size_t>(index)];
    const bool selected = index == selected_;
    const bool dark = IsDark(base_);
    const QRect rect(2, row.top, width() - 4, row.height);
    if (rect.width() <= 6)
        return;
    uint32_t top = shadeB_, bottom = shadeA_;
    if (selected) {
        top = dark ? Lighten(shadeB_, kSelectedShade) : Darken(shadeB_, kSelectedShade);
        bottom = dark ? Lighten(shadeA_, kSelectedShade) : Darken(shadeA_, kSelectedShade);
    }
    PaintVerticalGradient(p, rect.adjusted(3, 3, -3, -3), top, bottom);
    uint32_t outer, inner;
    if (dark) {
        outer = Lighten(base_, kFrameLight);
        inner = selected ? outer : base_;
    } else {
        outer = Darken(base_, kFrameDark);
        inner = selected ? outer : Lighten(base_, kFrameDark);
    }
    PaintCutFrame(p, rect.adjusted(1, 1, -1, -1), outer, inner);

    // Icon, vertically centred on the row.
    const QSize iconSize(ScaleX(kIconSize96), ScaleY(kIconSize96));
    const QPixmap icon = IconPixmap(IconId(row.alarm->type, row.alarm->activated != 0), iconSize,
                                    devicePixelRatioF());
    if (!icon.isNull())
        p.drawPixmap(QPoint(2 + margin_, row.top + row.height / 2 - ScaleY(kIconSize96 / 2)), icon);

    // Text lines, each vertically centred in its own band.
    p.setFont(font());
    p.setPen(ToQColor(text_));
    const int textX = iconColumn_ + 2 * margin_;
    const int textW = rect.right() - margin_ - textX;
    if (textW > 0) {
        const QFontMetrics fm(font());
        const QRect band1(textX, row.top + padding_, textW, lineHeight_);
        p.drawText(band1, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(row.line1, Qt::ElideRight, textW));
        if (!row.line2.isEmpty()) {
            const QRect band2(textX, band1.bottom() + 1, textW, lineHeight_);
            p.drawText(band2, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       fm.elidedText(row.line2, Qt::ElideRight, textW));
        }
    }
}

void CAlarmListCtrl::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const int w = width(), h = height();
    // The content (background gradient and rows, contentHeight_ tall) is drawn
    // 2 pixels below the top edge, shifted by the offset; only the rows that
    // meet the repainted area are drawn, so memory does not grow with the list.
    const int contentTop = 2 - offset_;
    p.save();
    p.setClipRect(e->rect());
    p.translate(0, contentTop);
    PaintVerticalGradient(p, QRect(0, 0, w, contentHeight_), shadeA_, shadeB_);
    const QRect visible = e->rect().translated(0, -contentTop);
    for (int i = 0; i < Count(); ++i) {
        const Row& row = items_[static_cast<size_t>(i)];
        if (row.top + row.height <= visible.top())
            continue;
        if (row.top > visible.bottom())
            break;
        DrawRow(p, i);
    }
    p.restore();
    if (contentTop > 0)
        p.fillRect(QRect(0, 0, w, contentTop), ToQColor(shadeA_));
    const int contentBottom = contentTop + contentHeight_;
    if (contentBottom < h)
        p.fillRect(QRect(0, contentBottom, w, h - contentBottom), ToQColor(shadeB_));
    const bool dark = IsDark(base_);
    const uint32_t outer = dark ? Lighten(base_, kFrameLight) : Darken(base_, kFrameDark);
    const uint32_t inner = dark ? base_ : Lighten(base_, kFrameDark);
    PaintCutFrame(p, rect(), outer, inner);
    // The keyboard focus shows as a dotted frame in the text colour: inside the
    // selected row, or inside the list's own frame when no row is selected.
    if (hasFocus()) {
        const QRect row = RowRect(selected_);
        p.setPen(QPen(ToQColor(text_), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect((row.isValid() ? row : rect()).adjusted(5, 5, -6, -6));
    }
    RingTraceMark("alarm-list-painted"); // the window's first paint, for the benchmarks
}

void CAlarmListCtrl::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Layout();
}

int CAlarmListCtrl::maxScrollOffset() const
{
    return std::max(0, contentHeight_ - height());
}

bool CAlarmListCtrl::OffsetInRange() const
{
    return offset_ >= 0 && offset_ <= contentHeight_ - height();
}

void CAlarmListCtrl::SetScrollOffset(int offset)
{
    offset_ = offset;
    update();
}

int CAlarmListCtrl::DragThreshold() const
{
    return mul_div_round(mul_div_round(kDragThreshold96, dpi_x(), 96), dpi_y(), 96);
}

QRect CAlarmListCtrl::RowRect(int index) const
{
    if (index < 0 || index >= Count())
        return QRect();
    const Row& row = items_[static_cast<size_t>(index)];
    return QRect(2, 2 - offset_ + row.top, width() - 4, row.height);
}

int CAlarmListCtrl::RowAt(int y) const
{
    const int contentY = y - 2 + offset_;
    for (int i = 0; i < Count(); ++i) {
        const Row& row = items_[static_cast<size_t>(i)];
        if (contentY >= row.top && contentY < row.top + row.height)
            return i;
    }
    return -1;
}

QString CAlarmListCtrl::RowLine1(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].line1 : QString();
}

QString CAlarmListCtrl::RowLine2(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].line2 : QString();
}

void CAlarmListCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    lastY_ = qRound(e->position().y());
    pressed_ = true;
    dragging_ = false;
    grabMouse();
}

void CAlarmListCtrl::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed_)
        return;
    const int y = qRound(e->position().y());
    if (!dragging_ && Count() > 0 && std::abs(y - lastY_) > DragThreshold())
        dragging_ = true;
    if (dragging_) {
        offset_ += lastY_ - y;
        lastY_ = y;
        update();
    }
}

void CAlarmListCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && doubleClickGuard_) {
        // The button-up of a double tap: the tap has been answered already.
        doubleClickGuard_ = false;
        return;
    }
    if (e->button() != Qt::LeftButton || !pressed_) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    pressed_ = false;
    releaseMouse();
    if (dragging_) {
        dragging_ = false;
        if (!OffsetInRange())
            snapTimer_.start(kSnapBackMs, this);
        return;
    }
    if (OffsetInRange())
        Select(RowAt(qRound(e->position().y())));
}

void CAlarmListCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(e);
        return;
    }
    lastY_ = qRound(e->position().y());
    dragging_ = false;
    if (!OffsetInRange()) {
        // Over-scrolled: the second press of the double tap is a plain press,
        // which may still start a drag.
        pressed_ = true;
        grabMouse();
        return;
    }
    // The double tap is answered now. The pointer is let go first, so that a
    // window the parent opens for the row gets every press; the guard swallows
    // the button-up if it still comes here.
    pressed_ = false;
    releaseMouse();
    doubleClickGuard_ = true;
    const int row = RowAt(lastY_);
    Select(row);
    if (row >= 0)
        emit notify(NotifyRowActivated);
    // When the button went up while the parent's window was open, that window
    // had the button-up: nothing is left to swallow.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        doubleClickGuard_ = false;
}

void CAlarmListCtrl::SnapBackTick()
{
    const int step = ScaleX(kSnapStep96);
    const int maximum = contentHeight_ - height();
    if (offset_ < 0) {
        offset_ = std::min(0, offset_ + step);
        if (offset_ == 0)
            snapTimer_.stop();
    } else if (offset_ > maximum) {
        offset_ = std::max(maximum, offset_ - step);
        if (offset_ == maximum)
            snapTimer_.stop();
    } else {
        snapTimer_.stop();
    }
    update();
}

void CAlarmListCtrl::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == snapTimer_.timerId())
        SnapBackTick();
    else
        QWidget::timerEvent(e);
}

bool CAlarmListCtrl::event(QEvent* e)
{
    // The focus frame comes and goes with the keyboard focus.
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut)
        update();
    // The list takes every key itself, Tab included.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(e);
}

void CAlarmListCtrl::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit notify(NotifyRowActivated);
        break;
    case Qt::Key_Up:
        if (selected_ == 0)
            focusPreviousChild();
        else if (selected_ < 0)
            Select(Count() - 1);
        else
            Select(selected_ - 1);
        break;
    case Qt::Key_Down:
        if (Count() > 0 && selected_ == Count() - 1)
            focusNextChild();
        else
            Select(selected_ + 1);
        break;
    case Qt::Key_Left:
        focusPreviousChild();
        break;
    case Qt::Key_Right:
    case Qt::Key_Tab:
        focusNextChild();
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

// --- assistive technology ---------------------------------------------------

namespace {
constexpr int kTextOn = 322;          // "on"
constexpr int kTextOff = 323;         // "off"
constexpr int kTextNextRingIn = 324;  // "next ring in %s"
constexpr int kTextAlarms = 338;      // "Alarms"
} // namespace

QString CAlarmListCtrl::SpokenRow(int index, int64_t now) const
{
    if (index < 0 || index >= Count())
        return QString();
    const Row& row = items_[static_cast<size_t>(index)];
    // Line 1 is "time - title" (the time itself never holds " - ").
    const int dash = row.line1.indexOf(QLatin1String(" - "));
    QStringList words{dash < 0 ? row.line1 : row.line1.left(dash)};
    if (dash >= 0)
        words << row.line1.mid(dash + 3);
    if (!row.line2.isEmpty()) {
        // "[Mo][We]" is read as "Mo We"; a date stays as it is.
        QString days = row.line2;
        days.replace(QLatin1String("]["), QLatin1String(" "));
        if (days.startsWith(QLatin1Char('[')) && days.endsWith(QLatin1Char(']')))
            days = days.mid(1, days.size() - 2);
        words << days;
    }
    const bool on = row.alarm->activated != 0;
    words << Text(on ? kTextOn : kTextOff);
    if (on) {
        const int64_t next = row.alarm->NextRingingAt(now);
        if (next >= now)
            words << FormatTextId(kTextNextRingIn, {SpokenDuration(next - now)});
    }
    return words.join(QLatin1String(", "));
}

QString CAlarmListCtrl::AccessibleName() const { return Text(kTextAlarms); }

AccessiblePart CAlarmListCtrl::AccessiblePartAt(int index) const
{
    AccessiblePart part;
    if (index < 0 || index >= Count())
        return part;
    part.name = SpokenRow(index, clock::Now());
    part.role = QAccessible::ListItem;
    part.rect = RowRect(index);
    part.state.selectable = true;
    part.state.focusable = true;
    part.state.selected = index == selected_;
    part.state.focused = index == selected_ && hasFocus();
    part.state.checkable = true;
    part.state.checked = items_[static_cast<size_t>(index)].alarm->activated != 0;
    // Rows scrolled out of the list are there, but not on screen.
    if (!part.rect.intersects(rect()))
        part.state.offscreen = true;
    part.actions = {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::setFocusAction()};
    return part;
}

void CAlarmListCtrl::AccessiblePartAction(int index, const QString& action)
{
    if (index < 0 || index >= Count())
        return;
    Select(index);
    if (action == QAccessibleActionInterface::pressAction())
        emit notify(NotifyRowActivated);
}

} // namespace dawnbell
