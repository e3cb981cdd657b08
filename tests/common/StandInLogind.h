#pragma once
// logind as far as a screen-lock watch asks it, on a test's private bus standing
// in for the system bus: it owns org.freedesktop.login1 and serves one session,
// kSessionPath (XDG_SESSION_ID kSessionId), whose LockedHint the test sets.
// SetLocked tells the change as logind does (PropertiesChanged of the session);
// Properties.Get answers the value. It answers on the thread that starts it.
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace dawnbell::test {

class StandInLogind : public QDBusVirtualObject {
public:
    // XDG_SESSION_ID of the test's session, and logind's object for it.
    static constexpr char kSessionId[] = "c7";
    static constexpr char kSessionPath[] = "/org/freedesktop/login1/session/c7";

    ~StandInLogind() override
    {
        if (started_) {
            QDBusConnection c(QString::fromLatin1(kConnection));
            c.unregisterService(QStringLiteral("org.freedesktop.login1"));
            c.unregisterObject(QString::fromLatin1(kSessionPath));
            QDBusConnection::disconnectFromBus(QString::fromLatin1(kConnection));
        }
    }

    // Takes logind's name and serves the session on the bus at `address`; empty
    // when it does, else why not.
    QString Start(const QString& address)
    {
        QDBusConnection c = QDBusConnection::connectToBus(address, QString::fromLatin1(kConnection));
        started_ = c.isConnected();
        if (!started_)
            return QStringLiteral("the stand-in logind cannot reach the bus at ") + address;
        if (!c.registerVirtualObject(QString::fromLatin1(kSessionPath), this)
            || !c.registerService(QStringLiteral("org.freedesktop.login1")))
            return QStringLiteral("the stand-in logind cannot take its name: ") + c.lastError().message();
        return QString();
    }

    bool locked() const { return locked_; }
    // Sets the session's LockedHint and announces it; false when the signal
    // could not be sent.
    bool SetLocked(bool locked)
    {
        locked_ = locked;
        QDBusMessage m = QDBusMessage::createSignal(QString::fromLatin1(kSessionPath),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("PropertiesChanged"));
        m << QStringLiteral("org.freedesktop.login1.Session") << QVariantMap{{QStringLiteral("LockedHint"), locked}}
          << QStringList();
        return QDBusConnection(QString::fromLatin1(kConnection)).send(m);
    }

    QString introspect(const QString&) const override { return {}; }
    // Answers Properties.Get of the session's LockedHint; anything else is left
    // unanswered (the caller gets an error).
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties")
            || message.member() != QLatin1String("Get")
            || message.arguments().value(0).toString() != QLatin1String("org.freedesktop.login1.Session")
            || message.arguments().value(1).toString() != QLatin1String("LockedHint"))
            return false;
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(locked_))));
    }

private:
    static constexpr char kConnection[] = "stand-in-logind"; // the connection's name in this process
    bool started_ = false;
    bool locked_ = false;
};

} // namespace dawnbell::test
