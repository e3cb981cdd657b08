#include "MediaPlayers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace dawnbell {

namespace {

const QString kPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Calls `method` of `interface` on `service` at `path` and waits at most
// kCallTimeoutMs; the reply, or an error message. Only with the application
// object (SessionBusReachable).
QDBusMessage Call(const QString& service, const QString& path, const QString& interface, const QString& method,
                  const QList<QVariant>& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, MediaPlayers::kCallTimeoutMs);
}

// Calls Pause or Play on the player `name`; true when it answered without error.
bool Tell(const QString& name, const char* method)
{
    const QDBusMessage reply = Call(name, kPath, kPlayer, QString::fromLatin1(method));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    qWarning("Media player %s did not take %s: %s", qPrintable(name), method,
             qPrintable(reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()));
    return false;
}

} // namespace

bool MediaPlayers::SessionBusReachable()
{
    if (!QCoreApplication::instance())
        return false;
    return QDBusConnection::sessionBus().isConnected();
}

bool MediaPlayers::IsPlayerName(const QString& name)
{
    if (name.size() > kMaxNameChars || !name.startsWith(kPrefix) || name.size() == kPrefix.size())
        return false;
    bool elementStart = true;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '-';
        const bool digit = u >= '0' && u <= '9';
        if (u == '.') {
            if (elementStart) // an empty element
                return false;
            elementStart = true;
        } else if (letter || (digit && !elementStart)) {
            elementStart = false;
        } else {
            return false;
        }
    }
    return !elementStart;
}

QString MediaPlayers::Status(const QString& name)
{
    if (!IsPlayerName(name) || !SessionBusReachable())
        return {};
    const QDBusMessage reply = Call(name, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {kPlayer, QStringLiteral("PlaybackStatus")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
}

QStringList MediaPlayers::PausePlaying()
{
    QStringList paused;
    if (!SessionBusReachable())
        return paused;
    const QDBusMessage reply = Call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        qWarning("The session bus did not list its names: %s", qPrintable(reply.errorMessage()));
        return paused;
    }
    int asked = 0;
    for (const QString& name : reply.arguments().constFirst().toStringList()) {
        if (!IsPlayerName(name))
            continue;
        if (++asked > kMaxPlayers)
            break;
        if (Status(name) == QLatin1String("Playing") && Tell(name, "Pause"))
            paused << name;
    }
    return paused;
}

QStringList MediaPlayers::ResumePaused(const QStringList& names)
{
    QStringList resumed;
    if (!SessionBusReachable())
        return resumed;
    int asked = 0;
    for (const QString& name : names) {
        if (!IsPlayerName(name))
            continue;
        if (++asked > kMaxPlayers)
            break;
        // One the user stopped or started again meanwhile is theirs now.
        if (Status(name) == QLatin1String("Paused") && Tell(name, "Play"))
            resumed << name;
    }
    return resumed;
}

} // namespace dawnbell
