#pragma once
// The today item's window ("Dawnbell"): the next alarms in one to fifteen rows,
// each with a switch and an edit button, a button that starts the program,
// scroll buttons and a countdown to the next active alarm. The host drives it
// with today messages (TodayApi.h); a person with taps, double taps and keys.
#include "TodayAlarm.h"

#include <QRect>
#include <QWidget>

#include <string>
#include <vector>

namespace dawnbell::today {

struct TodayListItem;

class CTodayItem : public QWidget {
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
    // Refresh query: re-reads settings and alarms; answers whether the item must
    // be redrawn (0 while busy or before the host is ready).
    int OnQueryRefresh(TodayListItem* item);
    void OnReceivedSelection(); // focus on the program button
    void OnLostSelection();     // no focus
    // Keyboard navigation with a virtual key; answers whether the key was used.
    bool OnNavigation(uint32_t key);
    // The action key on the focused element.
    void OnAction();

    // --- commands ------------------------------------------------------------
    // Switches alarm `index` of the sorted list (asking first before switching
    // one off), rebuilds the notifications and tells a running program.
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
    // Reloads the alarms; true when the list changed (and was replaced).
    bool ReloadAlarms();
    // Columns 1-2 of displayed rows with an alarm, columns 3-4 of row 0 while
    // their scroll button is enabled.
    void UpdateFocusGrid();
    void ResetFocusGrid();
    void InvalidateScrollAreas();
    // Asks the host (the parent window) for one of its colours.
    QColor HostColor(uint32_t index) const;
    // Draws icon `id` at (x, y) with the side `size` (logical pixels).
    void DrawIcon(class QPainter& p, int id, double x, double y, double size);
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
};

} // namespace dawnbell::today
