#pragma once
// The today screen: a window that shows the enabled today items registered
// under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Today\Items, one below the other.
// It loads each item's library, creates the item's window through its
// initialisation entry point, asks every item every two seconds whether it must
// be redrawn, passes keys on (navigation, action), answers the items' colour and
// background requests, opens an item's options dialog, and reloads all items
// when the settings-change broadcast for the today screen arrives.
//
// The two-second query runs only while the screen can be seen: hidden,
// minimized, taken off the display (unmapped) or with the session's screen
// locked it has no timer at all, and it asks its items at once when it is seen
// again. It repaints only what an item
// says has changed, and its date line when the day changes.
#include "Broadcast.h"
#include "NamedEvent.h"
#include "TodayApi.h"

#include <QBasicTimer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QPushButton;
class QSocketNotifier;

namespace dawnbell {
class ScreenLockWatch;
}

namespace dawnbell::today {

class TodayHost : public QWidget {
public:
    // Period of the refresh query (ms).
    static constexpr int kRefreshMs = 2000;

    // Sets the ready event, listens for the broadcast and loads the items.
    explicit TodayHost(QWidget* parent = nullptr);
    // Unloads the items and clears the ready event.
    ~TodayHost() override;

    // Reads the registry and loads every enabled item (unloading the old ones).
    void LoadItems();
    void UnloadItems();
    // Sends the refresh query to every item, repaints and lays out those that
    // answer yes, and repaints the date line when the day has changed.
    void RefreshItems();
    // Runs the options dialog of item `index`; false when it has none. The
    // items are reloaded afterwards, so new settings take effect.
    bool OpenOptions(int index);
    // Gives the keyboard selection to item `index` (-1: none).
    void Select(int index);

    int ItemCount() const { return int(items_.size()); }
    TodayListItem* Item(int index) const { return items_.at(size_t(index)).record.get(); }
    int Selected() const { return selected_; }
    // Items that could not be loaded, one line each (also shown in the window).
    const QStringList& Problems() const { return problems_; }

    // The host's colours, as 0x00BBGGRR.
    static uint32_t Color(uint32_t index);

    // Whether the two-second query is waiting (only while the screen can be seen
    // and is not locked).
    bool RefreshTimerActive() const { return refresh_.isActive(); }
    // How many repaints the refreshes have asked for so far (an item's window
    // or the date line), for tests and benchmarks.
    int RefreshRepaints() const { return refreshRepaints_; }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct LoadedItem {
        std::unique_ptr<TodayListItem> record;
        CustomItemOptionsDlgProcFn options = nullptr; // null when the library has none
    };

    void Layout();
    void OnBroadcast();
    void ScheduleReload();
    // Paints the background behind `area` (host coordinates) with `painter`
    // translated so that the host's point `origin` is its (0, 0).
    void PaintBackground(class QPainter& painter, const QRect& area, const QPoint& origin) const;
    int HeaderHeight() const;
    // The local date the date line shows now, as yyyymmdd.
    static int Today();
    // Runs the refresh timer while the screen can be seen (shown, not
    // minimized, not taken off the display, the session's screen not locked) and
    // stops it otherwise; seen again, the items are asked at once.
    void UpdateRest();
    int OptionsTarget() const; // the item the Options button opens

    std::vector<LoadedItem> items_;        // in screen order
    QStringList problems_;                 // load failures, shown below the items
    int selected_ = -1;                    // item with the keyboard selection
    QBasicTimer refresh_;                  // the refresh query; runs only while the screen can be seen
    bool offDisplay_ = false;              // shown, but the window system took it off the display
    ScreenLockWatch* screenLock_ = nullptr; // the session's screen lock (the screen rests while locked)
    int shownDay_ = 0;                     // the date line as last painted (yyyymmdd)
    int refreshRepaints_ = 0;              // repaints the refreshes asked for
    NamedEvent ready_;                     // SYSTEM/ShellAPIReady, set while the host runs
    BroadcastReceiver broadcast_;          // settings-change messages
    QSocketNotifier* broadcastNotifier_ = nullptr;
    QPushButton* optionsButton_ = nullptr; // opens the selected item's options
};

} // namespace dawnbell::today
