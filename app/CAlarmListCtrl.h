#pragma once
// The alarm list of the main window: owner-drawn rows of one or two lines with an
// icon per alarm kind and state, sorted on insertion (active alarms first, each
// group by time to ring), finger scrolling with a snap-back after over-scrolling,
// and keyboard navigation. It holds Alarm pointers it does not own.
//
// Lengths are logical pixels; 96-dpi design lengths are scaled with the display's
// densities. Colours are 0x00BBGGRR.
//
// Screen readers see a list named "Alarms" with one item per row, named in words
// ("06:45, Work, Mo Tu, on, next ring in 7 hours 12 minutes"), selectable, checked
// while the alarm is on; its default action is the double tap's.
#include "AccessibleParts.h"

#include <QBasicTimer>
#include <QString>
#include <QWidget>

class QPainter;

#include <cstdint>
#include <vector>

namespace dawnbell {

class Alarm;

class CAlarmListCtrl : public QWidget, public AccessibleParts {
    Q_OBJECT
public:
    // Notification codes sent to the parent with notify().
    enum Notification : int {
        NotifySelectionChanged = 1, // the selected row changed
        NotifyRowActivated = 2,     // double tap on a row, or Enter
    };
    // Timers; the value is the timer's id.
    enum TimerId : int { TimerSnapBack = 30 };
    static constexpr int kSnapBackMs = 50;    // snap-back period
    static constexpr int kSnapStep96 = 10;    // snap-back step at 96 dpi
    static constexpr int kDragThreshold96 = 5; // movement that turns a touch into a drag, at 96 dpi
    static constexpr int kLineHeight96 = 15;  // text line height at 96 dpi
    static constexpr int kMargin96 = 3;       // margin at 96 dpi
    static constexpr int kIconColumn96 = 20;  // width of the icon column at 96 dpi
    static constexpr int kIconSize96 = 14;    // icon edge at 96 dpi
    static constexpr uint32_t kDefaultText = 0xFAFAFA; // text colour until one is set

    // An empty list with the default colours; redraw is enabled at the end.
    explicit CAlarmListCtrl(QWidget* parent = nullptr);
    ~CAlarmListCtrl() override;

    // Inserts `alarm` before the first row that is inactive while it is active,
    // or that has the same activation and strictly more time to ring; otherwise
    // at the end. Clears the selection, re-lays out; returns the new index.
    int InsertSorted(Alarm* alarm);
    // Inserts each of `alarms` in turn as InsertSorted does, in one step: sorted
    // at once into an empty list (the window's load), re-laid out once.
    void InsertAllSorted(const std::vector<Alarm*>& alarms);
    // Removes row `index` (ignored when out of range), clears the selection,
    // re-lays out.
    void RemoveAt(int index);
    // Selects row `index` (-1 = none). Ignored when it is the current selection
    // or not below Count(); otherwise repaints the two rows and notifies
    // NotifySelectionChanged. Does not scroll.
    void Select(int index);

    Alarm* SelectedAlarm() const;
    int SelectedIndex() const { return selected_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // The alarm of row `index`; null when out of range.
    Alarm* AlarmAt(int index) const;
    // The row of `alarm`; -1 when it is not in the list.
    int IndexOf(const Alarm* alarm) const;

    // Colours: recompute the shades and re-lay out.
    void SetBaseColor(uint32_t color);
    void SetTextColor(uint32_t color);
    uint32_t baseColor() const { return base_; }
    uint32_t shadeA() const { return shadeA_; }
    uint32_t shadeB() const { return shadeB_; }
    // While off, changes neither re-lay out nor repaint; turning it on re-lays
    // out and repaints once.
    void EnableRedraw(bool on);
    // Re-reads every row's texts and redraws all rows.
    void Relayout();

    // Scroll state: the offset of the visible part in pixels (may be out of
    // range while dragging or snapping back), its largest in-range value, and the
    // height of all rows (at least the client height).
    int scrollOffset() const { return offset_; }
    void SetScrollOffset(int offset);
    int maxScrollOffset() const;
    int contentHeight() const { return contentHeight_; }
    bool snapBackRunning() const { return snapTimer_.isActive(); }
    // One tick of the snap-back timer.
    void SnapBackTick();
    // Rectangle of row `index` in the list's client coordinates at the present
    // offset; empty when out of range.
    QRect RowRect(int index) const;
    // The row under client position y, -1 when none.
    int RowAt(int y) const;
    // The first and second text line of row `index` ("" when out of range).
    QString RowLine1(int index) const;
    QString RowLine2(int index) const;
    // Resource id of the row icon for an alarm kind and state (296-303).
    static int IconId(int type, bool active);

    // Row `index` in words for a screen reader: time, title, days or date, on or
    // off and, while on, the time to the next ring seen at `now` (local seconds);
    // "" when out of range.
    QString SpokenRow(int index, int64_t now) const;

    // Assistive technology (AccessibleParts): the rows as list items.
    QAccessible::Role AccessibleRole() const override { return QAccessible::List; }
    QString AccessibleName() const override;
    int AccessiblePartCount() const override { return Count(); }
    AccessiblePart AccessiblePartAt(int index) const override;
    // "Press" selects the row and acts as a double tap; "SetFocus" selects it.
    void AccessiblePartAction(int index, const QString& action) override;
    int AccessibleFocusPart() const override { return selected_; }

signals:
    // A notification (Notification) for the parent.
    void notify(int code);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    bool event(QEvent* e) override;

private:
    struct Row {
        Alarm* alarm = nullptr; // not owned
        QString line1;          // time and title
        QString line2;          // repeat days or appointment date; may be empty
        int top = 0;            // in content coordinates
        int height = 0;
    };

    void Layout();
    void ComputeRow(Row* row) const;
    // Draws row `index` (in range) with `p` in content coordinates.
    void DrawRow(QPainter& p, int index) const;
    bool OffsetInRange() const;
    int DragThreshold() const;

    std::vector<Row> items_;      // the rows in display order
    int selected_ = -1;           // selected row, -1 = none
    int offset_ = 0;              // scroll offset, pixels
    bool pressed_ = false;        // a touch is down
    bool dragging_ = false;       // the current touch became a drag
    bool doubleClickGuard_ = false; // the coming button-up follows a double tap
    int lastY_ = 0;               // the touch's last y, client pixels
    int lineHeight_ = 15;         // text line height, pixels
    int padding_ = 4;             // row padding, pixels
    int margin_ = 3;              // margin, pixels
    int iconColumn_ = 20;         // icon column width, pixels
    uint32_t base_ = 0;           // base colour of the shades
    uint32_t shadeA_ = 0;         // lighter shade
    uint32_t shadeB_ = 0;         // darker shade
    uint32_t text_ = kDefaultText; // text colour
    int contentHeight_ = 0;       // pixels
    bool redraw_ = false;         // changes re-lay out and repaint
    QBasicTimer snapTimer_;       // timer 30
};

} // namespace dawnbell
