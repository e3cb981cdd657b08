#pragma once
// The today screen: a window that shows the enabled today items registered
// under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Today\Items, one below the other.
// It loads each item's library, creates the item's window through its
// initialisation entry point, asks every item every two seconds whether it must
// be redrawn, passes keys on (navigation, action), answers the items' colour and
// background requests, opens an item's options dialog, and reloads all items
// when the settings-change broadcast for the today screen arrives.
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
    // Sends the refresh query to every item and lays out those that answer yes.
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

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
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
    int OptionsTarget() const; // the item the Options button opens

    std::vector<LoadedItem> items_;        // in screen order
    QStringList problems_;                 // load failures, shown below the items
    int selected_ = -1;                    // item with the keyboard selection
    QBasicTimer refresh_;                  // the refresh query
    NamedEvent ready_;                     // SYSTEM/ShellAPIReady, set while the host runs
    BroadcastReceiver broadcast_;          // settings-change messages
    QSocketNotifier* broadcastNotifier_ = nullptr;
    QPushButton* optionsButton_ = nullptr; // opens the selected item's options
};

} // namespace dawnbell::today
