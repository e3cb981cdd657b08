#pragma once
// The today item's window ("Dawnbell"): the next alarms in one to fifteen rows,
// each with a switch and an edit button, a button that starts the program,
// scroll buttons and a countdown to the next active alarm. The host drives it
// with today messages (TodayApi.h); a person with taps, double taps and keys.
//
// A screen reader finds its parts in reading order: the program button, each
// displayed row (a check box named in words, "06:45, Work, on, next ring in 7
// hours 12 minutes", checked while the alarm is on) with its edit button, the
// scroll buttons and the countdown; pressing a part through its action does
// what a tap on it does.
#include "AccessibleParts.h"
#include "NamedEvent.h"
#include "TodayAlarm.h"

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

namespace dawnbell::today {

struct TodayListItem;

class CTodayItem : public QWidget, public AccessibleParts {
public:
    // Columns of the focus grid.
    enum Column { ColProgram = 0, ColToggle = 1, ColEdit = 2, ColScrollUp = 3, ColScrollDown = 4 };
    static constexpr int kColumns = 5;
    static constexpr int kMaxRows = 15;
    static constexpr int kNoFocus = 255; // focus column and row when nothing has the focus

    // Creates the visible child window of `parent` (240 wide, 0 high) for the
    // host's record `item` (may be null).
    CTodayItem(TodayListItem* item, QWidget* parent);

    // --- host messages -------------------------------------------------------
    // Refresh query: brings settings and alarms up to date; answers whether the
    // item must be redrawn, that is whether anything it shows (the countdown,
    // a row's text or switch, the scroll buttons) is no longer what it was (0
    // while busy or before the host is ready; 1 for a record without a height).
    // The store is read only when another program changed it since the last
    // read, or the item itself wrote it; the list is ordered anew only when an
    // alarm's moment has passed or the day changed. So a query with nothing
    // changed reads nothing and compares nothing but the minute.
    int OnQueryRefresh(TodayListItem* item);
    void OnReceivedSelection(); // focus on the program button
    void OnLostSelection();     // no focus
    // Keyboard navigation with a virtual key; answers whether the key was used.
    bool OnNavigation(uint32_t key);
    // The action key on the focused element.
    void OnAction();

    // --- commands ------------------------------------------------------------
    // Switches alarm `index` of the sorted list (asking first before switching
    // one off), rebuilds the notifications with the program's own rebuild
    // (Scheduler::ReRegisterAll, naming the program this item starts) and tells
    // a running program.
    void Toggle(int index);
    // Opens alarm `index` in the program's editor ("edit KEY").
    void Edit(int index);
    // Starts the program with `commandLine` ("" for none).
    void StartProgram(const std::string& commandLine);
    void ScrollUp();
    void ScrollDown();

    // --- state, for the host's tests and the gallery ---------------------------
    int rows() const { return rows_; }
    bool large() const { return large_; }
    double scale() const { return scale_; }
    int firstRow() const { return firstRow_; }
    int minutesToNext() const { return minutesToNext_; }
    // "H:MM" to the next active alarm; empty when none is active.
    QString CountdownText() const;
    const std::vector<TodayAlarm>& alarms() const { return alarms_; }
    int focusColumn() const { return focusCol_; }
    int focusRow() const { return focusRow_; }
    bool Focusable(int column, int row) const;
    bool ScrollUpEnabled() const;
    bool ScrollDownEnabled() const;
    // Whether displayed row `j` shows an alarm.
    bool RowShowsAlarm(int j) const;
    // The text of displayed row `j` (time, appointment date, title).
    QString RowText(int j) const;
    // Displayed row `j` in words for a screen reader as of `now`: time,
    // appointment date, title, on or off and, while on, the time to the next
    // ring; "" for a row without an alarm.
    QString SpokenRow(int j, int64_t now) const;

    // Assistive technology (AccessibleParts). Parts: the program button, then
    // for each displayed row j its switch (PartRow(j)) and edit button
    // (PartRow(j) + 1), then scroll up, scroll down and the countdown.
    static constexpr int PartProgram = 0;
    static int PartRow(int j) { return 1 + 2 * j; }
    int PartScrollUp() const { return PartRow(rows_); }
    int PartScrollDown() const { return PartScrollUp() + 1; }
    int PartCountdown() const { return PartScrollUp() + 2; }
    QAccessible::Role AccessibleRole() const override { return QAccessible::Grouping; }
    QString AccessibleName() const override { return windowTitle(); } // "Dawnbell"
    int AccessiblePartCount() const override { return PartCountdown() + 1; }
    AccessiblePart AccessiblePartAt(int index) const override;
    // "Press" (and "Toggle" on a row) does what a tap does; a row's switch is
    // flipped once the reader's call has returned, since switching an alarm
    // off asks a question first.
    void AccessiblePartAction(int index, const QString& action) override;
    int AccessibleFocusPart() const override;

    // How many times the item has read its settings and alarms from the store.
    int storeReads() const { return storeReads_; }

    // Element rectangles in the window (left/top inside, right/bottom outside).
    QRect ProgramTapRect() const;
    QRect CountdownRect() const;
    QRect ListRect() const;
    QRect EditRect(int j) const;
    QRect ScrollUpRect() const;
    QRect ScrollDownRect() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // The list as of `now`: the records last read (`fresh`: just read, so
    // already dated and ordered as of `now`), dated and ordered anew otherwise;
    // also the moments it holds until. True when the list changed (and was
    // replaced).
    bool ReloadAlarms(int64_t now, bool fresh);
    // Minutes to the first active alarm plus one as of `now`; -1 when none is active.
    int MinutesToNextAt(int64_t now) const;
    // What the window shows, as texts: the countdown, the layout and scroll
    // state, and each displayed row's switch and text. Equal lists paint alike.
    QStringList ShownTexts() const;
    // Columns 1-2 of displayed rows with an alarm, columns 3-4 of row 0 while
    // their scroll button is enabled.
    void UpdateFocusGrid();
    void ResetFocusGrid();
    void InvalidateScrollAreas();
    // Asks the host (the parent window) for one of its colours.
    QColor HostColor(uint32_t index) const;
    // Draws icon `id` at (x, y) with the side `size` (logical pixels).
    void DrawIcon(class QPainter& p, int id, double x, double y, double size);
    // OnNavigation's moves, once something has the focus.
    bool Navigate(uint32_t key);
    // Tells a listening reader which part has the keyboard focus now.
    void AnnounceFocus();
    // L: the unit of the layout, the scale times 1.5 with large buttons.
    double Unit() const { return large_ ? scale_ * 1.5 : scale_; }

    TodayListItem* item_ = nullptr;       // the host's record given at creation
    double scale_ = 1.0;                  // horizontal pixel density / 96
    int rows_ = 2;                        // todayLines, 1-15
    bool large_ = true;                   // large buttons (todayCompact 0)
    std::vector<TodayAlarm> alarms_;      // sorted by time to their next ringing
    int firstRow_ = 0;                    // index of the alarm in the top row
    int minutesToNext_ = -1;              // minutes to the first active alarm + 1; -1 = none active
    int focusCol_ = kNoFocus;             // keyboard focus; kNoFocus/kNoFocus = none
    int focusRow_ = kNoFocus;
    bool focusable_[kColumns][kMaxRows] = {}; // which grid cells can take the focus
    bool busy_ = false;                   // a refresh query is running
    NamedEvent ready_;                    // the host's ready event, once found (see OnQueryRefresh)
    // The store as last read, and when the list must be ordered anew.
    std::vector<TodayAlarm> stored_;      // the alarms as read, in store order
    bool storeRead_ = false;              // false: read the store at the next refresh
    uint64_t storeSeen_ = 0;              // RegStoreChangeCount just before that read
    int storeReads_ = 0;                  // reads of the store so far
    int64_t listAt_ = 0;                  // the moment alarms_ is ordered for
    int64_t listUntil_ = 0;               // first moment after it when its order or dates can change
    int firstActive_ = -1;                // index of the first active alarm in alarms_; -1 = none
    int64_t nextActiveAt_ = 0;            // that alarm's next occurrence (seconds since the epoch)
};

} // namespace dawnbell::today
