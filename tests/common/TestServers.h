#pragma once
// Real servers a test starts for itself, each on a private folder and gone with
// the object: a D-Bus message bus and a sound server. Start returns an empty
// string once the server answers, else the reason it cannot run, for QSKIP
// when its program is not installed (scripts/setup-deps installs them all).
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QThread>

namespace dawnbell::test {

// A private message bus (dbus-daemon with the session configuration, which
// lets every process of the user own names), at unix:path=<folder>/bus.
class PrivateBus {
public:
    ~PrivateBus() { Stop(); }

    QString Start(const QString& folder)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)");
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address"),
                                                      QStringLiteral("--address=unix:path=") + folder + "/bus"});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
            return QStringLiteral("dbus-daemon did not start");
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        return address_.isEmpty() ? QStringLiteral("dbus-daemon gave no address") : QString();
    }
    void Stop()
    {
        if (daemon_.state() == QProcess::NotRunning)
            return;
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000))
            daemon_.kill();
        daemon_.waitForFinished(1000);
    }
    // The bus address for DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS.
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// A PulseAudio server with one null sink, "dawnbell_test" (its default sink),
// reached at PULSE_SERVER=unix:<folder>/native. Whatever plays into it is
// thrown away; its volume and mute behave as a real output's.
class SoundServer {
public:
    ~SoundServer() { Stop(); }

    QString Start(const QString& folder)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
            return QStringLiteral("pulseaudio is not installed (Debian package pulseaudio)");
        if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
            return QStringLiteral("pactl is not installed (Debian package pulseaudio-utils)");
        folder_ = folder;
        QDir().mkpath(folder);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + "/config");
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), folder + "/runtime");
        env.insert(QStringLiteral("PULSE_STATE_PATH"), folder + "/state");
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("DISPLAY"));
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                       QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                       QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
                       QStringLiteral("module-null-sink sink_name=dawnbell_test"), QStringLiteral("-L"),
                       QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + folder + "/native"});
        if (!server_.waitForStarted(5000))
            return QStringLiteral("pulseaudio did not start");
        for (int i = 0; i < 100; ++i) { // up to 10 s on a loaded machine
            QString info;
            if (Pactl({QStringLiteral("info")}, &info) && info.contains(QStringLiteral("Default Sink: dawnbell_test")))
                return {};
            if (server_.state() == QProcess::NotRunning)
                break;
            QThread::msleep(100);
        }
        return QStringLiteral("pulseaudio did not answer: ") + QString::fromUtf8(server_.readAll());
    }
    void Stop()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
        server_.waitForFinished(1000);
    }
    // The value for PULSE_SERVER.
    QString address() const { return QStringLiteral("unix:") + folder_ + "/native"; }

    // Runs pactl with `args` against this server; false when it failed.
    bool Pactl(const QStringList& args, QString* out = nullptr) const
    {
        QProcess pactl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), address());
        env.insert(QStringLiteral("HOME"), folder_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder_ + "/config");
        pactl.setProcessEnvironment(env);
        pactl.start(QStringLiteral("pactl"), args);
        const bool ok = pactl.waitForFinished(10000) && pactl.exitStatus() == QProcess::NormalExit
                        && pactl.exitCode() == 0;
        if (out)
            *out = QString::fromUtf8(pactl.readAllStandardOutput());
        return ok;
    }
    // Sets the sink's volume on every channel (raw, 65536 = 100 %) and its mute.
    bool SetSink(int raw, bool muted) const
    {
        return Pactl({QStringLiteral("set-sink-volume"), kSink, QString::number(raw)})
               && Pactl({QStringLiteral("set-sink-mute"), kSink, muted ? QStringLiteral("1") : QStringLiteral("0")});
    }
    // The sink as pactl reads it: each channel's raw volume, then "muted" or
    // "playing", e.g. "13107,13107 muted"; empty when it cannot be read.
    QString Sink() const
    {
        QString volume, mute;
        if (!Pactl({QStringLiteral("get-sink-volume"), kSink}, &volume)
            || !Pactl({QStringLiteral("get-sink-mute"), kSink}, &mute))
            return {};
        QStringList raw;
        const QRegularExpression channel(QStringLiteral(":\\s*(\\d+)\\s*/"));
        for (auto it = channel.globalMatch(volume); it.hasNext();)
            raw << it.next().captured(1);
        return raw.join(QLatin1Char(',')) + (mute.contains(QLatin1String("yes")) ? " muted" : " playing");
    }

    static constexpr const char* kSink = "dawnbell_test";

private:
    QString folder_;
    QProcess server_;
};

} // namespace dawnbell::test
