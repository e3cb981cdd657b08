#include "ScreenLockWatch.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <sys/stat.h>

namespace dawnbell {

namespace {

const char* const kInterfaces[] = {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"};
const char kSignal[] = "ActiveChanged";

// Whether the session has a bus (its address is given, or the user manager's
// socket exists); without one Qt would let libdbus start a bus of its own.
bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

ScreenLockWatch::ScreenLockWatch(QObject* parent) : QObject(parent)
{
    if (!QCoreApplication::instance() || !SessionBusExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // An empty service and path match the signal from whoever sends it.
    for (const char* iface : kInterfaces)
        watching_ |= bus.connect(QString(), QString(), QString::fromLatin1(iface), QString::fromLatin1(kSignal), this,
                                 SLOT(OnActiveChanged(bool)));
}

ScreenLockWatch::~ScreenLockWatch()
{
    if (!watching_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const char* iface : kInterfaces)
        bus.disconnect(QString(), QString(), QString::fromLatin1(iface), QString::fromLatin1(kSignal), this,
                       SLOT(OnActiveChanged(bool)));
}

void ScreenLockWatch::OnActiveChanged(bool active)
{
    if (active == locked_)
        return;
    locked_ = active;
    emit lockedChanged(locked_);
}

} // namespace dawnbell
