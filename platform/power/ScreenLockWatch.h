#pragma once
// Whether the session's screen is locked, as the desktop tells it: the
// screensaver's ActiveChanged(bool) signal on the session bus, from any sender
// and path, of the interfaces org.freedesktop.ScreenSaver (KDE, Xfce, LXQt and
// most lockers) and org.gnome.ScreenSaver (GNOME); and logind's LockedHint of
// this session on the system bus (set by the lockers of GNOME, KDE and phone
// shells such as Phosh). The screen counts as locked while either says so.
// Without a bus, or on a desktop that tells neither, it never reports a lock.
// No blocking call is made to a service, so watching never waits for one; the
// session's LockedHint at start is asked for without waiting.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace dawnbell {

class ScreenLockWatch : public QObject {
    Q_OBJECT
public:
    // Longest a question to logind may take before it is given up, ms.
    static constexpr int kCallTimeoutMs = 2000;

    // Starts watching at once; the screen counts as unlocked until told otherwise.
    explicit ScreenLockWatch(QObject* parent = nullptr);
    ~ScreenLockWatch() override;

    // True while a screensaver is active or logind's LockedHint is set.
    bool locked() const { return saverLocked_ || sessionLocked_; }
    // logind's object path of this session ("" while none is watched).
    QString sessionPath() const { return sessionPath_; }

    // logind's object path of the session `id` (XDG_SESSION_ID): each character
    // that is not an ASCII letter (or a digit after the first) becomes "_" and
    // its two lower-case hex digits, as logind names its objects. Empty for an
    // empty or over-long id (more than 64 characters).
    static QString SessionPathFor(const QString& id);

signals:
    // The lock state changed (only real changes are told).
    void lockedChanged(bool locked);

private slots:
    // A screensaver's ActiveChanged(active): the screen is locked while active.
    void OnActiveChanged(bool active);
    // logind's PropertiesChanged of this session: takes LockedHint when it is
    // among the changed values, asks for it when it was only invalidated.
    void OnSessionProperties(const QString& iface, const QVariantMap& changed, const QStringList& invalidated);

private:
    // Watches logind's session named by XDG_SESSION_ID, else the session logind
    // finds for this process (asked without waiting); nothing without a system bus.
    void WatchLogind();
    // Starts watching the session object `path` and asks its LockedHint.
    void WatchSession(const QString& path);
    // Asks logind for the session's LockedHint without waiting; the answer is
    // taken when it comes.
    void AskLockedHint();
    // Sets one source's state and tells a change of the combined state.
    void SetLocked(bool saver, bool session);

    bool saverLocked_ = false;   // a screensaver is active
    bool sessionLocked_ = false; // logind's LockedHint of this session
    bool watching_ = false;      // connected to the session bus
    QString sessionPath_;        // logind's session object watched; empty when none
};

} // namespace dawnbell
