#include "DesktopNotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <sys/stat.h>

namespace dawnbell {

namespace {

// Whether the session has a bus: its address is given, or the user manager's bus
// socket exists. Without one, asking Qt for the session bus would let libdbus
// start a bus of its own (X11 autolaunch) that outlives the program.
bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool ShowDesktopNotification(const QString& summary, const QString& body, QString* error)
{
    if (!QCoreApplication::instance())
        return Fail(error, QStringLiteral("no application object for the session bus"));
    if (!SessionBusExists())
        return Fail(error, QStringLiteral("no session bus"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(error, QStringLiteral("the session bus cannot be reached: ") + bus.lastError().message());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    // (-1: as the service decides).
    call << QStringLiteral("Dawnbell") << 0u << QStringLiteral("dawnbell") << summary << body << QStringList()
         << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDesktopNotificationTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return Fail(error, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage());
    return true;
}

} // namespace dawnbell
