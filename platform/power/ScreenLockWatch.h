#pragma once
// Whether the session's screen is locked, as the desktop's screensaver tells it:
// the ActiveChanged(bool) signal on the session bus, from any sender and path,
// of the interfaces org.freedesktop.ScreenSaver (KDE, Xfce, LXQt and most
// lockers) and org.gnome.ScreenSaver (GNOME). Without a session bus, or on a
// desktop that sends neither, it never reports a lock. No bus call is made, so
// watching never waits.
#include <QObject>

namespace dawnbell {

class ScreenLockWatch : public QObject {
    Q_OBJECT
public:
    // Starts watching at once; the screen counts as unlocked until told otherwise.
    explicit ScreenLockWatch(QObject* parent = nullptr);
    ~ScreenLockWatch() override;

    // True between a screensaver's "active" and its "inactive" signal.
    bool locked() const { return locked_; }

signals:
    // The lock state changed (only real changes are told).
    void lockedChanged(bool locked);

private slots:
    // A screensaver's ActiveChanged(active): the screen is locked while active.
    void OnActiveChanged(bool active);

private:
    bool locked_ = false;
    bool watching_ = false; // connected to the session bus
};

} // namespace dawnbell
