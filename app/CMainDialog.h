#pragma once
// The main window: a large clock line, the alarm list, six buttons and a status
// line counting down to the next alarm. It owns every Alarm of its list for the
// life of the process; every user action on an alarm (create, edit, remove,
// activate, deactivate, test) passes through it, and it is the receiver of the
// copy-data codes with which start-up, a second instance and the today plug-in
// hand it an alarm to refresh, ring, edit, activate or deactivate.
#include "CommandLine.h"
#include "MainWindowServices.h"
#include "MissedAlarms.h"
#include "ZoneWatch.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QLabel;
class QPainter;
class QPushButton;

namespace dawnbell {

class Alarm;
class AlarmTemplate;
class CAlarmListCtrl;
class LongPress;
class ScreenLockWatch;

class CMainDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids, kept as the controls' object names.
    enum ControlId : int {
        IdOk = 1,         // closes the window (ends the program)
        IdAdd = 1000,     // "Add": the template selection, or its menu while there is none;
                          // long press: menu of templates or new-alarm kinds
        IdList = 1001,    // the alarm list
        IdEdit = 1002,    // "Edit"; long press (compact/wizard alarms): edit-as menu
        IdActivate = 1003, // "Activate"/"Deactivate"; long press: activate/deactivate all
        IdRemove = 1004,  // "Remove"
        IdTest = 1005,    // "Test"
        IdOptions = 1008, // "Options"
        IdStatus = 1020,  // status line (hidden holder; the window paints its text)
        IdClock = 1021,   // clock line (hidden holder; the window paints its text)
    };

    // Menu command ids.
    enum CommandId : int {
        CmdTemplateFirst = 32768, // template n of the name-sorted list is 32768 + n
        CmdTemplateLast = 33023,  // at most 256 template items
        CmdNewWizard = 32788,     // used only while there are no templates
        CmdNewCompact = 32789,
        CmdNewAppointment = 32790,
        CmdNewCommand = 32791,
        CmdEditAsWizard = 32794,
        CmdEditAsCompact = 32795,
        CmdActivateAll = 32798,
        CmdDeactivateAll = 32799,
    };

    // Copy-data codes.
    enum CopyDataCode : int {
        CopyRefresh = 0,    // reload the list from the store, re-register all (not when the key is
                            // AlarmChanges::kRefreshAfterRebuild), refresh the simulation
        CopyRing = 1,       // ring the alarm with the key
        CopyEdit = 2,       // bring to front and edit the alarm with the key
        CopyActivate = 3,   // activate the alarm with the key and re-insert its row
        CopyDeactivate = 4, // deactivate the alarm with the key and re-insert its row
        CopyTest = 5,       // test the alarm with the key as the Test button does (no activation change)
    };

    // Timers; the value is the timer's id.
    enum TimerId : int { TimerClock = 1 };
    static constexpr int kClockPeriodMs = 1000; // clock and status update period
    // How often a reload that waits for a window over this one looks again (ms).
    static constexpr int kReloadRetryMs = 200;

    // The window with its controls, colours and time pattern; loads every stored
    // alarm and template and selects the first row. `services` are the windows it
    // may open (empty ones do not exist yet). The command line is executed
    // separately (ExecuteCommandLine).
    explicit CMainDialog(MainWindowServices services = {}, QWidget* parent = nullptr);
    // Stops the clock timer and deletes every alarm of the list.
    ~CMainDialog() override;

    // Handles a copy-data message: `code` 0-5 and the alarm key (ignored for 0).
    // The first alarm in list order whose key equals `key` is acted on; no match
    // (or an unknown code) does nothing. Returns 0 for code 0, 1 otherwise.
    // Code 0 also reloads the list from the store, so alarms changed by other
    // programs (dawnbell-alarm, the today plug-in) show at once; its key
    // AlarmChanges::kRefreshAfterRebuild says the sender rebuilt the schedule
    // after its change, so the window does not rebuild it again; code 5 is answered
    // at once and the test runs on the next turn of the event loop.
    int OnCopyData(int code, const QString& key);
    // The reinit message of a second instance: rebuilds the schedule from the
    // registry (re-register all notifications).
    void OnReinitMessage();
    // Executes the program's command line, classified at process entry, once the
    // window is set up: Edit becomes code 2 with its key; Test tests that alarm
    // and then, with the setting autoExit, ends the program; Start and Reinit do
    // nothing; every other verb becomes code 1 with the whole line as key (so
    // "reset", handled by start-up, matches no alarm).
    void ExecuteCommandLine(const CommandLine::Parsed& command);

    // True when `alarm` would ring at the same time as an alarm of the list other
    // than `excluded` (may be null). Used by the editors before they accept.
    bool TimeClash(const Alarm& alarm, const Alarm* excluded) const;
    // The active alarm due soonest (first in list order on a tie; a remaining time
    // of exactly 0 does not count); null when none.
    Alarm* NextAlarm() const;

    // Runs a menu or button command (ControlId or CommandId).
    void OnCommand(int id);

    // The template list: the application object's, or this window's own when
    // there is no application object. Editors that save a template add to it.
    std::vector<std::unique_ptr<AlarmTemplate>>& Templates();

    // --- state, for the program and its tests -----------------------------
    CAlarmListCtrl* list() const { return list_; }
    QString clockText() const { return clockText_; }
    QString statusText() const { return statusText_; }
    QPushButton* button(int id) const;
    // The drop-down menu of button `id` (IdAdd, IdEdit, IdActivate); null when the
    // button offers none at present.
    QMenu* menuFor(int id) const;
    // Opens the drop-down menu of button `id` at `globalPos` (long press or right
    // click) and, once it has closed, runs the entry chosen; returns at once when
    // the button has no menu.
    void OpenMenu(int id, const QPoint& globalPos);
    // The converted time pattern of the clock line.
    QString timePattern() const { return timePattern_; }
    // Window colours (0x00BBGGRR).
    uint32_t bgColor() const { return bgColor_; }
    uint32_t textColor() const { return textColor_; }
    // Gives the window, its controls and the list new colours and repaints.
    void SetColors(uint32_t bgColor, uint32_t textColor);
    // Re-reads the clock and the next alarm and repaints both lines. While missed
    // alarms are unseen, the status line tells of them instead of the next alarm.
    // What it costs each second stays small: the missed alarms are read only when
    // the notification store changed, and the next alarm is worked out again only
    // when the list, a row's timing or the time zone changed or its time has come.
    void UpdateClockAndStatus();
    // Formats a remaining time as total hours, two-digit minutes and seconds
    // ("50:00:00", "31:05:09"); negative input counts as 0.
    static QString FormatRemaining(int64_t seconds);

signals:
    // The clock/status lines or the list order changed; the simulation and the
    // today plug-in may care.
    void alarmsChanged();

protected:
    void timerEvent(QTimerEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    // Keeps a desktop window's place and size, then closes.
    void done(int result) override;
    // A tap on the status line while it tells of missed alarms marks them seen.
    void mousePressEvent(QMouseEvent* e) override;
    // Follows the native window's exposure (the clock rests while none of the
    // window can be seen).
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateControls();
    // Paint the clock line (its framed area and the time) and the status line
    // (text only, over the background already painted).
    void PaintClock(QPainter& p);
    void PaintStatus(QPainter& p);
    // Runs the clock timer while anyone can see the window (shown, not minimized,
    // exposed by the window system, not covered whole by a modal window such as
    // the ringing window, screen not locked) and stops it otherwise; it is then
    // the window's only timer while nothing else goes on. A restart updates both
    // lines at once, so a returning user never reads a stale time, and with
    // `catchUp` first takes in what other programs changed in the store.
    void UpdateClockTimer(bool catchUp = true);
    // Follows `modal`, the window that now blocks this one (null: none does), to
    // tell whether it covers all of this window, and updates the clock timer.
    void WatchCover(QWindow* modal);
    // True while the blocking modal window is shown over the whole of this one.
    bool Covered() const;
    // Seconds from `now` to the next alarm's ringing (NextAlarm); -1 when no
    // alarm is active. `zoneChanged`: the local time zone changed since the last
    // call. Between two changes of the list, of a row's timing or of the zone,
    // and before the next alarm's moment, every remaining time shrinks alike, so
    // the alarm found last is still the next one and only the difference is taken.
    int64_t RemainingToNext(int64_t now, bool zoneChanged);
    // A fingerprint of the rows and of what sets each one's next ringing (its
    // object, activation, kind, time of day, repeat days, date): it differs when
    // any of them changed.
    uint64_t RowsFingerprint() const;
    // Fills a handheld display; on a desktop the remembered or a comfortable size.
    void PlaceOnScreen();
    void DoLayout(const QSize& size);
    void ApplyCaptions();
    void UpdateButtons();
    void BuildMenus();
    // Gives the drop-down menus the window's colours.
    void ColorMenus();
    void LoadAlarms();
    // Replaces the list with the stored alarms and templates, keeping the selected
    // key selected. While a window of its own (an editor, a ringing, a question,
    // a drop-down menu) is open over this one, an alarm or a menu may be in use:
    // the reload then waits for it.
    void ReloadAlarms();
    // Brings the list up to the store when another process has changed it since
    // the alarms were loaded (a shell tool, the today item, any writer that did
    // not announce itself), so that no command acts on, and no save writes back,
    // a stale copy. True when the list is current (or the reload has to wait for
    // a window over this one) and the alarm selected before is still there or
    // none was; false when the reload dropped the selected alarm, so a command
    // meant for it must not go on with whatever is selected now.
    bool CatchUpWithStore();

    // The first alarm of the list whose key is `key`; null when none.
    Alarm* FindByKey(const QString& key) const;
    // The alarms of the list, in list order.
    std::vector<Alarm*> Rows() const;
    // Re-insert: remove the alarm's row, insert it sorted again, select it.
    void ReInsert(Alarm* alarm);
    // Deactivate and delete the stored section, as one change.
    void Withdraw(Alarm* alarm);
    // Removes the alarm's row, destroys it, selects the row now at its index
    // (or the new last row); with an empty list only the buttons are updated.
    void Destroy(Alarm* alarm);
    // Withdraw, then Destroy.
    void RemoveAlarm(Alarm* alarm);
    // Takes a new alarm into the list, inserted sorted and selected.
    void Adopt(std::unique_ptr<Alarm> alarm);
    // A new alarm accepted by its editor: switched on (an appointment in the
    // past is told and stays off), taken into the list, then stored and
    // scheduled as one change, which refreshes the simulation from the list.
    void AddNew(std::unique_ptr<Alarm> alarm);
    void RefreshSimulationIfSet();
    // Rings `alarm` modally (the ring service, else the ringing window).
    void RunRinging(Alarm* alarm);
    // The editor service for an alarm kind: the compact editor for type 0, the
    // wizard for 1-3; null for other kinds or when that editor does not exist.
    const EditorRunner* EditorFor(int type) const;
    bool HasEditorFor(int type) const { return EditorFor(type) != nullptr; }

    void CmdAdd();
    void CmdNew(int type);
    void CmdTemplate(int index);
    // Edits `alarm`; forceType >= 0 turns a compact or wizard alarm into that kind first.
    void CmdEditAlarm(Alarm* alarm, int forceType);
    void CmdToggle();
    void CmdAll(bool on);
    void CmdRemove(bool ask);
    void CmdTest();
    // Selects `alarm` and tests it (CmdTest).
    void TestAlarm(Alarm* alarm);
    void CmdOptions();
    void RowActivated();
    // Copy-data code 1: ring, then reschedule; ends the window with autoExit.
    // One ringing at a time: an alarm due while another rings (two alarms in the
    // same minute, a key forwarded by a second start) waits and rings when that
    // one has ended, before the window ends.
    void Ring(Alarm* alarm);
    // One alarm's ringing (or command) and its after-ringing path.
    void RingAndReschedule(Alarm* alarm, bool autoExit);
    // Closes the window with Accepted (the program ends).
    void Finish();

    static constexpr int kButtonCount = 6;     // Add, Edit, Activate, Remove, Test, Options
    CAlarmListCtrl* list_ = nullptr;           // the list, id 1001
    QLabel* clockLabel_ = nullptr;             // holder of the clock line's place and font
    QLabel* statusLabel_ = nullptr;            // holder of the status line's place
    QPushButton* buttons_[kButtonCount] = {};  // Add, Edit, Activate, Remove, Test, Options
    std::unique_ptr<QMenu> addMenu_;           // menu 251
    std::unique_ptr<QMenu> editMenu_;          // menu 252
    std::unique_ptr<QMenu> activateMenu_;      // menu 254
    std::vector<std::unique_ptr<Alarm>> alarms_; // owned alarms, any order
    std::vector<std::unique_ptr<AlarmTemplate>> ownTemplates_; // used without an application object
    QString timePattern_;                      // converted time-formatting pattern
    QString clockText_;                        // current clock line
    QString statusText_;                       // current status line
    uint32_t bgColor_ = 0;                     // background base colour (0x00BBGGRR)
    uint32_t textColor_ = 0;                   // text colour (0x00BBGGRR)
    QSize lastSize_{-1, -1};                   // last client size laid out
    QBasicTimer clockTimer_;                   // timer 1
    ScreenLockWatch* screenLock_ = nullptr;    // the session's screen lock (the clock rests)
    QPointer<QWindow> exposeWatched_;          // native window whose exposure the clock follows
    QPointer<QWindow> coverWatched_;           // the modal window blocking this one, followed while it blocks
    MainWindowServices services_;              // the windows this one may open
    LongPress* hold_ = nullptr;                // tap-and-hold on the buttons with menus
    QBasicTimer reloadTimer_;                  // a reload waits for the window over this one
    uint64_t storeSeen_ = 0;                   // RegStoreChangeCount when the alarms were loaded
    bool ringing_ = false;                     // a ringing window (or test) is up
    bool inRing_ = false;                      // Ring is running (it rings the waiting keys)
    QStringList pendingRings_;                 // keys due while another alarm rang, in order
    clock::ZoneWatch zone_;                    // the local time zone, looked at once a tick
    uint64_t missedSeen_ = 0;                  // NotifyStoreChangeCount when unseenMissed_ was read
    QList<MissedAlarms::Entry> unseenMissed_;  // the unseen missed alarms, newest first
    // The next alarm as last worked out (RemainingToNext).
    struct NextSeen {
        bool known = false;      // worked out at least once
        bool any = false;        // an alarm is active
        int64_t at = 0;          // the next alarm's ringing moment (seconds since the epoch)
        int64_t from = 0;        // the moment it was worked out at
        int64_t until = 0;       // the first moment at which it may no longer hold
        uint64_t rows = 0;       // RowsFingerprint then
    } next_;
};

} // namespace dawnbell
