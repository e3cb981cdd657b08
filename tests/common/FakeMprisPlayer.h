#pragma once
// A scripted media player on a message bus, as far as MPRIS's Player interface
// goes: it owns a bus name, serves /org/mpris/MediaPlayer2 with the property
// PlaybackStatus and the methods Pause and Play, and notes every Pause and Play
// it is told. It answers on a thread of its own, so callers that block (the
// ringing in this process, a program the test waits for) are answered. The
// user's own doings go through Set; Snapshot and Rewind put it back as a crash
// would leave it.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <memory>

namespace dawnbell::test {

class FakeMprisPlayer : public QDBusVirtualObject {
public:
    // Stops answering and leaves the bus.
    ~FakeMprisPlayer() override
    {
        if (!connection_.isEmpty()) {
            QDBusConnection c(connection_);
            c.unregisterService(name_);
            c.unregisterObject(QStringLiteral("/org/mpris/MediaPlayer2"));
            QDBusConnection::disconnectFromBus(connection_);
        }
    }

    // A player `status` ("Playing", "Paused", "Stopped") owning `name` on the
    // bus at `address`, answering on `thread` (running); null when the bus
    // would not take it.
    static std::unique_ptr<FakeMprisPlayer> Start(const QString& address, const QString& name, const QString& status,
                                                  QThread* thread)
    {
        std::unique_ptr<FakeMprisPlayer> player(new FakeMprisPlayer(name, status));
        player->moveToThread(thread);
        QDBusConnection c = QDBusConnection::connectToBus(address, name);
        player->connection_ = name;
        if (!c.isConnected() || !c.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), player.get())
            || !c.registerService(name))
            return nullptr;
        return player;
    }

    QString PlaybackStatus() const
    {
        QMutexLocker lock(&mutex_);
        return status_;
    }
    QStringList Calls() const
    {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    void Set(const QString& status)
    {
        QMutexLocker lock(&mutex_);
        status_ = status;
    }
    void Snapshot()
    {
        QMutexLocker lock(&mutex_);
        savedStatus_ = status_;
        savedCalls_ = calls_;
    }
    void Rewind()
    {
        QMutexLocker lock(&mutex_);
        status_ = savedStatus_;
        calls_ = savedCalls_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QMutexLocker lock(&mutex_);
        const QString member = message.member();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")
            && message.arguments().value(1).toString() == QLatin1String("PlaybackStatus"))
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(status_))));
        if (message.interface() != QLatin1String("org.mpris.MediaPlayer2.Player"))
            return false;
        if (member == QLatin1String("Pause")) {
            calls_ << member;
            if (status_ == QLatin1String("Playing"))
                status_ = QStringLiteral("Paused");
        } else if (member == QLatin1String("Play")) {
            calls_ << member;
            status_ = QStringLiteral("Playing");
        } else {
            return false;
        }
        return connection.send(message.createReply());
    }

private:
    FakeMprisPlayer(const QString& name, const QString& status) : name_(name), status_(status) {}

    QString name_;
    QString connection_; // the connection's name (the bus name)
    mutable QMutex mutex_;
    QString status_;
    QStringList calls_;
    QString savedStatus_;
    QStringList savedCalls_;
};

} // namespace dawnbell::test
