#include "SessionInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

const char kLogindService[] = "org.freedesktop.login1";
const char kLogindPath[] = "/org/freedesktop/login1";
const char kLogindInterface[] = "org.freedesktop.login1.Manager";
const char kScreenSaverService[] = "org.freedesktop.ScreenSaver";
const char kScreenSaverPath[] = "/org/freedesktop/ScreenSaver";
const char kScreenSaverInterface[] = "org.freedesktop.ScreenSaver";

// Whether the session has a bus: its address is given, or the user manager's
// bus socket exists. Without one, asking Qt for the session bus would let
// libdbus start a bus of its own (X11 autolaunch) that outlives the program.
bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// The bus when it is usable and the service is present on it; without a
// QCoreApplication QtDBus must not be used at all.
bool ServiceAvailable(const QDBusConnection& bus, const char* service)
{
    if (!QCoreApplication::instance() || !bus.isConnected())
        return false;
    const QDBusConnectionInterface* iface = bus.interface();
    return iface && iface->isServiceRegistered(QString::fromLatin1(service)).value();
}

QDBusMessage Call(const QDBusConnection& bus, const char* service, const char* path, const char* iface,
                  const char* method, const QVariantList& args)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      QString::fromLatin1(iface), QString::fromLatin1(method));
    msg.setArguments(args);
    return bus.call(msg, QDBus::Block, SessionInhibitor::kCallTimeoutMs);
}

} // namespace

SessionInhibitor::~SessionInhibitor()
{
    Release();
}

void SessionInhibitor::Acquire(const QString& why)
{
    if (sleepFd_ < 0) {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (ServiceAvailable(bus, kLogindService)) {
            const QDBusMessage reply = Call(bus, kLogindService, kLogindPath, kLogindInterface, "Inhibit",
                                            {QStringLiteral("idle:sleep"), QStringLiteral("Dawnbell"), why,
                                             QStringLiteral("block")});
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
                const auto fd = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().at(0));
                // QDBusUnixFileDescriptor closes its own copy; keep a duplicate.
                if (fd.isValid())
                    sleepFd_ = fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
            }
        }
    }
    if (cookie_ == 0 && SessionBusExists()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (ServiceAvailable(bus, kScreenSaverService)) {
            const QDBusMessage reply = Call(bus, kScreenSaverService, kScreenSaverPath, kScreenSaverInterface,
                                            "Inhibit", {QStringLiteral("Dawnbell"), why});
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1)
                cookie_ = reply.arguments().at(0).toUInt();
        }
    }
}

void SessionInhibitor::Release()
{
    if (sleepFd_ >= 0) {
        ::close(sleepFd_);
        sleepFd_ = -1;
    }
    if (cookie_ != 0 && SessionBusExists()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (ServiceAvailable(bus, kScreenSaverService))
            Call(bus, kScreenSaverService, kScreenSaverPath, kScreenSaverInterface, "UnInhibit", {cookie_});
        cookie_ = 0;
    }
}

void SessionInhibitor::SimulateUserActivity()
{
    if (!SessionBusExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (ServiceAvailable(bus, kScreenSaverService))
        Call(bus, kScreenSaverService, kScreenSaverPath, kScreenSaverInterface, "SimulateUserActivity", {});
}

} // namespace dawnbell
