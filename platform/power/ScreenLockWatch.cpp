#include "ScreenLockWatch.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

const char* const kInterfaces[] = {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"};
const char kSignal[] = "ActiveChanged";

const char kLogind[] = "org.freedesktop.login1";
const char kLogindPath[] = "/org/freedesktop/login1";
const char kLogindManager[] = "org.freedesktop.login1.Manager";
const char kSessionInterface[] = "org.freedesktop.login1.Session";
const char kSessionPrefix[] = "/org/freedesktop/login1/session/";
const char kProperties[] = "org.freedesktop.DBus.Properties";
const char kLockedHint[] = "LockedHint";
// Longest session id taken from the environment, characters.
constexpr int kMaxSessionIdChars = 64;

bool IsSocket(const QByteArray& path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// Whether the session has a bus (its address is given, or the user manager's
// socket exists); without one Qt would let libdbus start a bus of its own.
bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && IsSocket(runtime + "/bus");
}

// Whether a system bus can be reached (its address is given, or the standard
// socket exists), so that no connection attempt is made where none runs.
bool SystemBusExists()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") || IsSocket("/run/dbus/system_bus_socket");
}

} // namespace

QString ScreenLockWatch::SessionPathFor(const QString& id)
{
    const QByteArray bytes = id.toUtf8();
    if (bytes.isEmpty() || id.size() > kMaxSessionIdChars)
        return QString();
    QString path = QString::fromLatin1(kSessionPrefix);
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (i > 0 && c >= '0' && c <= '9'))
            path += QLatin1Char(c);
        else
            path += QStringLiteral("_%1").arg(static_cast<uint>(static_cast<uchar>(c)), 2, 16, QLatin1Char('0'));
    }
    return path;
}

ScreenLockWatch::ScreenLockWatch(QObject* parent) : QObject(parent)
{
    if (!QCoreApplication::instance())
        return;
    WatchLogind();
    if (!SessionBusExists())
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
    if (!sessionPath_.isEmpty()) {
        QDBusConnection::systemBus().disconnect(QString::fromLatin1(kLogind), sessionPath_,
                                                QString::fromLatin1(kProperties), QStringLiteral("PropertiesChanged"),
                                                this, SLOT(OnSessionProperties(QString, QVariantMap, QStringList)));
    }
    if (!watching_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const char* iface : kInterfaces)
        bus.disconnect(QString(), QString(), QString::fromLatin1(iface), QString::fromLatin1(kSignal), this,
                       SLOT(OnActiveChanged(bool)));
}

void ScreenLockWatch::WatchLogind()
{
    if (!SystemBusExists())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) {
        WatchSession(SessionPathFor(id));
        return;
    }
    // Not started in a session's environment: logind knows the session of the
    // process, if it runs in one.
    QDBusMessage ask = QDBusMessage::createMethodCall(QString::fromLatin1(kLogind), QString::fromLatin1(kLogindPath),
                                                      QString::fromLatin1(kLogindManager),
                                                      QStringLiteral("GetSessionByPID"));
    ask << static_cast<uint>(::getpid());
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        const QString path = reply.isError() ? QString() : reply.value().path();
        if (path.startsWith(QLatin1String(kSessionPrefix)))
            WatchSession(path);
    });
}

void ScreenLockWatch::WatchSession(const QString& path)
{
    if (path.isEmpty() || !sessionPath_.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.connect(QString::fromLatin1(kLogind), path, QString::fromLatin1(kProperties),
                     QStringLiteral("PropertiesChanged"), this,
                     SLOT(OnSessionProperties(QString, QVariantMap, QStringList))))
        return;
    sessionPath_ = path;
    AskLockedHint();
}

void ScreenLockWatch::AskLockedHint()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(QString::fromLatin1(kLogind), sessionPath_,
                                                      QString::fromLatin1(kProperties), QStringLiteral("Get"));
    ask << QString::fromLatin1(kSessionInterface) << QString::fromLatin1(kLockedHint);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(ask, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (!reply.isError())
            SetLocked(saverLocked_, reply.value().variant().toBool());
    });
}

void ScreenLockWatch::OnActiveChanged(bool active)
{
    SetLocked(active, sessionLocked_);
}

void ScreenLockWatch::OnSessionProperties(const QString& iface, const QVariantMap& changed,
                                          const QStringList& invalidated)
{
    if (iface != QLatin1String(kSessionInterface))
        return;
    const auto hint = changed.constFind(QString::fromLatin1(kLockedHint));
    if (hint != changed.constEnd())
        SetLocked(saverLocked_, hint.value().toBool());
    else if (invalidated.contains(QString::fromLatin1(kLockedHint)))
        AskLockedHint();
}

void ScreenLockWatch::SetLocked(bool saver, bool session)
{
    const bool before = locked();
    saverLocked_ = saver;
    sessionLocked_ = session;
    if (locked() != before)
        emit lockedChanged(locked());
}

} // namespace dawnbell
