// The real program as a native Wayland client (QT_QPA_PLATFORM=wayland) under
// real compositors the test starts headless: Weston, which offers no way to see
// another program's windows, and sway, which offers the foreign-toplevel
// protocol. The test looks at the windows from outside: Weston's scene graph
// (weston-debug) and sway's tree (swaymsg); on sway it plays the phone shell
// that brings a call screen to the front (a small window with the phone
// program's application id) and sees whether the ringing ends.
#include "Alarm.h"
#include "Clock.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");
const QString kPhoneWindow = QStringLiteral(PHONE_WINDOW);
// The unprivileged account sway runs as when the test runs as root (sway
// refuses to run as root).
constexpr uid_t kNobody = 65534;

// One mapped toplevel window as the compositor shows it.
struct Toplevel {
    qint64 pid = 0;
    QString appId;
    QSize size;
    bool focused = false; // sway only
};

// A headless compositor on a private folder.
class Compositor {
public:
    ~Compositor() { Stop(); }

    // Starts "weston" or "sway"; empty when it accepts clients, else why not.
    QString Start(const QString& kind, const QString& folder)
    {
        kind_ = kind;
        folder_ = folder + "/" + kind;
        QDir().mkpath(folder_);
        ::chmod(QFile::encodeName(folder_).constData(), 0700);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_);
        QString program;
        QStringList args;
        if (kind == QLatin1String("weston")) {
            for (const char* tool : {"weston", "weston-debug"}) {
                if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                    return QStringLiteral("%1 is not installed (Debian package weston)").arg(QLatin1String(tool));
            }
            program = QStringLiteral("weston");
            args = {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=wayland-test"),
                    QStringLiteral("--idle-time=0"), QStringLiteral("--no-config"), QStringLiteral("--debug")};
        } else {
            for (const char* tool : {"sway", "swaymsg"}) {
                if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                    return QStringLiteral("%1 is not installed (Debian package sway)").arg(QLatin1String(tool));
            }
            QFile config(folder_ + "/config");
            if (!config.open(QIODevice::WriteOnly) || config.write("xwayland disable\n") <= 0)
                return QStringLiteral("cannot write the sway configuration");
            config.close();
            env.insert(QStringLiteral("HOME"), folder_);
            env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
            env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
            env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
            program = QStringLiteral("sway");
            args = {QStringLiteral("-c"), folder_ + "/config"};
            if (::geteuid() == 0) {
                // sway will not run as root: as nobody, in a folder of nobody's.
                if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                    return QStringLiteral("setpriv is not installed (Debian package util-linux)");
                // nobody passes through the test's private folder to reach its own.
                if (::chmod(QFile::encodeName(folder).constData(), 0711) != 0)
                    return QStringLiteral("cannot open %1 to nobody").arg(folder);
                for (const QString& path : {folder_, folder_ + "/config"}) {
                    if (::chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
                        return QStringLiteral("cannot hand %1 to nobody").arg(path);
                }
                args = QStringList{QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                                   QStringLiteral("--clear-groups"), program} + args;
                program = QStringLiteral("setpriv");
            }
        }
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(program, args);
        if (!server_.waitForStarted(5000))
            return kind + QStringLiteral(" did not start");
        for (int i = 0; i < 150; ++i) { // up to 15 s on a loaded machine
            socket_ = Find(QStringLiteral("wayland-*"));
            ipc_ = Find(QStringLiteral("sway-ipc.*.sock"));
            if (!socket_.isEmpty() && (kind == QLatin1String("weston") || !ipc_.isEmpty()) && Inspect(nullptr))
                return {};
            if (server_.state() == QProcess::NotRunning)
                break;
            QTest::qWait(100);
        }
        return kind + QStringLiteral(" did not come up: ") + QString::fromUtf8(server_.readAll());
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

    // The compositor's socket, as an absolute WAYLAND_DISPLAY.
    QString socket() const { return socket_; }

    // The mapped toplevel windows; false when the compositor cannot be asked.
    bool Inspect(QList<Toplevel>* out) const
    {
        QList<Toplevel> found;
        QProcess ask;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket_);
        env.insert(QStringLiteral("SWAYSOCK"), ipc_);
        ask.setProcessEnvironment(env);
        if (kind_ == QLatin1String("weston"))
            ask.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
        else
            ask.start(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")});
        if (!ask.waitForFinished(10000) || ask.exitCode() != 0)
            return false;
        const QByteArray text = ask.readAllStandardOutput();
        if (kind_ == QLatin1String("weston")) {
            // "View 0 (role xdg_toplevel, PID 42, surface ID 3, top-level window 'T' of APPID, 0x..):"
            // then "position: (x1, y1) -> (x2, y2)" and the buffer: its kind ("SHM buffer") while
            // Weston holds it, "[buffer not available]" once released. The shell maps a toplevel
            // only at a commit with a buffer, so either way it has been drawn. Weston lets an SHM
            // buffer go soon after showing it: waiting for a held one caught only the moments
            // after a repaint, which took up to 20 s for a window drawn once a second.
            static const QRegularExpression view(
                QStringLiteral("role xdg_toplevel, PID (\\d+),[^\\n]* of ([^,\\n]*), 0x[0-9a-f]+\\):\\s*\\n"
                               "\\s*position: \\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)(?:\\n\\t\\t[^\\n]*)*?"
                               "\\n\\t\\t(?:SHM buffer|EGL buffer|dmabuf buffer|\\[buffer not available\\])"));
            for (auto it = view.globalMatch(QString::fromUtf8(text)); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                Toplevel t;
                t.pid = m.captured(1).toLongLong();
                t.appId = m.captured(2);
                t.size = QSize(m.captured(5).toInt() - m.captured(3).toInt(), m.captured(6).toInt() - m.captured(4).toInt());
                found << t;
            }
        } else {
            const QJsonDocument tree = QJsonDocument::fromJson(text);
            if (!tree.isObject())
                return false;
            Collect(tree.object(), &found);
        }
        if (out)
            *out = found;
        return true;
    }

    // sway: focuses the window of process `pid`, as a phone shell does for a call.
    bool Focus(qint64 pid) const
    {
        QProcess ask;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SWAYSOCK"), ipc_);
        ask.setProcessEnvironment(env);
        ask.start(QStringLiteral("swaymsg"), {QStringLiteral("[pid=%1] focus").arg(pid)});
        return ask.waitForFinished(10000) && ask.exitCode() == 0;
    }

private:
    // An entry of the compositor's folder matching `pattern` (not a lock file); empty when none.
    QString Find(const QString& pattern) const
    {
        const QStringList names = QDir(folder_).entryList({pattern}, QDir::System | QDir::Files);
        for (const QString& name : names) {
            if (!name.endsWith(QLatin1String(".lock")))
                return folder_ + "/" + name;
        }
        return {};
    }
    static void Collect(const QJsonObject& node, QList<Toplevel>* found)
    {
        // Every window, also one behind a full-screen window (sway calls it not visible).
        if (node.contains(QStringLiteral("pid"))) {
            Toplevel t;
            t.pid = node.value(QStringLiteral("pid")).toInteger();
            t.appId = node.value(QStringLiteral("app_id")).toString();
            const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
            t.size = QSize(rect.value(QStringLiteral("width")).toInt(), rect.value(QStringLiteral("height")).toInt());
            t.focused = node.value(QStringLiteral("focused")).toBool();
            *found << t;
        }
        for (const char* children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue& child : node.value(QLatin1String(children)).toArray())
                Collect(child.toObject(), found);
        }
    }

    QString kind_;
    QString folder_;
    QString socket_; // the Wayland socket
    QString ipc_;    // sway's command socket
    QProcess server_;
};

// The windows of process `pid` among `all`.
QList<Toplevel> Of(const QList<Toplevel>& all, qint64 pid)
{
    QList<Toplevel> mine;
    for (const Toplevel& t : all) {
        if (t.pid == pid)
            mine << t;
    }
    return mine;
}

QString ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class WaylandTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        home_.Renew();
        qputenv("XDG_RUNTIME_DIR", home_.path().toUtf8());
        Profile::SetRegistryKey("Torvane");
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::WriteInt("settings", "autoExit", 1);
        Profile::Flush();
    }
    void cleanup()
    {
        for (QProcess* p : {&program_, &phone_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
        compositor_.Stop();
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void windowsMap_data();
    void windowsMap();
    void phoneInFront_data();
    void phoneInFront();

private:
    // A daily alarm that rings until it is ended; returns its key.
    QString StoreAlarm()
    {
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = 127;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 6, 30, 0);
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = 0;
        alarm.useSnooze = 1;
        alarm.quiz = 0;
        alarm.confirmClose = 0;
        alarm.vibrate = 0;
        alarm.forceVolume = 0;
        alarm.activated = 1;
        alarm.Save();
        Profile::Flush();
        return alarm.GetKey();
    }
    // Starts `process` as a Wayland client of the compositor.
    void StartClient(QProcess* process, const QString& program, const QStringList& args,
                     const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("WAYLAND_DISPLAY", compositor_.socket());
        env.remove("DISPLAY");
        env.remove("DAWNBELL_SCREEN");
        for (const QString& name : extra.keys())
            env.insert(name, extra.value(name));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(program, args);
    }
    // The windows of `pid` once there is one at least `minimum` in size; empty after 20 s.
    QList<Toplevel> WaitForWindows(qint64 pid, const QSize& minimum = QSize(1, 1))
    {
        for (int i = 0; i < 200; ++i) {
            QList<Toplevel> all;
            if (compositor_.Inspect(&all)) {
                const QList<Toplevel> mine = Of(all, pid);
                for (const Toplevel& t : mine) {
                    if (t.size.width() >= minimum.width() && t.size.height() >= minimum.height())
                        return mine;
                }
            }
            QTest::qWait(100);
        }
        return {};
    }
    // Starts the compositor of the row or skips the test with the reason.
    bool StartCompositor(const QString& kind)
    {
        // A folder of its own: opened to nobody for sway (the program's runtime
        // folder stays private).
        compositorDir_ = std::make_unique<QTemporaryDir>();
        const QString why = compositor_.Start(kind, compositorDir_->path());
        if (!why.isEmpty()) {
            skipReason_ = why.toUtf8();
            return false;
        }
        return true;
    }
    QString Log() const { return ReadFile(home_.filePath("dawnbell.log")); }

    test::TempHome home_;
    std::unique_ptr<QTemporaryDir> compositorDir_;
    Compositor compositor_;
    QProcess program_;
    QProcess phone_;
    QByteArray skipReason_;
};

// The main window and the ringing window appear as the compositor's windows
// (drawn, the ringing window over the whole output), and the program ends
// cleanly on SIGTERM.
void WaylandTest::windowsMap_data()
{
    QTest::addColumn<QString>("compositor");
    QTest::addColumn<bool>("ringing");
    QTest::newRow("Weston, main window") << "weston" << false;
    QTest::newRow("Weston, ringing window") << "weston" << true;
    QTest::newRow("sway, main window") << "sway" << false;
    QTest::newRow("sway, ringing window") << "sway" << true;
}

void WaylandTest::windowsMap()
{
    QFETCH(QString, compositor);
    QFETCH(bool, ringing);
    if (!StartCompositor(compositor))
        QSKIP(skipReason_.constData());
    const QString key = StoreAlarm();
    StartClient(&program_, kProgram, ringing ? QStringList{key} : QStringList{});
    QVERIFY(program_.waitForStarted());
    const QList<Toplevel> windows = WaitForWindows(program_.processId(), ringing ? QSize(600, 400) : QSize(1, 1));
    QVERIFY2(!windows.isEmpty(), qPrintable(Log()));
    QCOMPARE(windows.first().appId, QStringLiteral("dawnbell"));
    ::kill(pid_t(program_.processId()), SIGTERM);
    QVERIFY2(program_.waitForFinished(15000), qPrintable(Log()));
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program_.exitCode(), 0);
    if (ringing)
        QVERIFY2(Log().contains("Ringing of " + key + " ended"), qPrintable(Log()));
}

// The call screen of a phone program comes to the front while the alarm rings:
// the compositor's foreign-toplevel list names it, and the ringing ends when
// it is a phone program and the automatic stop is on. The phone program is
// known by its application id itself or through its desktop entry.
void WaylandTest::phoneInFront_data()
{
    QTest::addColumn<QString>("appId");
    QTest::addColumn<QString>("desktopExec"); // Exec of <appId>.desktop; empty: no entry
    QTest::addColumn<int>("disableAutoStop");
    QTest::addColumn<bool>("stops");
    QTest::newRow("gnome-calls") << "gnome-calls" << "" << 0 << true;
    QTest::newRow("a dialer known by its desktop entry")
        << "org.example.Dialer" << "env LANG=C /usr/bin/plasmaphonedialer --incoming" << 0 << true;
    QTest::newRow("gnome-calls, automatic stop off") << "gnome-calls" << "" << 1 << false;
    QTest::newRow("another program") << "org.gnome.clocks" << "gnome-clocks" << 0 << false;
}

void WaylandTest::phoneInFront()
{
    QFETCH(QString, appId);
    QFETCH(QString, desktopExec);
    QFETCH(int, disableAutoStop);
    QFETCH(bool, stops);
    if (!StartCompositor(QStringLiteral("sway")))
        QSKIP(skipReason_.constData());
    QVERIFY(Profile::WriteInt("settings", "disableAutoStop", disableAutoStop));
    const QString key = StoreAlarm();
    QProcessEnvironment extra;
    const QString dataHome = home_.filePath("data");
    extra.insert("XDG_DATA_HOME", dataHome);
    if (!desktopExec.isEmpty()) {
        QVERIFY(QDir().mkpath(dataHome + "/applications"));
        QFile entry(dataHome + "/applications/" + appId + ".desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Phone\nExec=" + desktopExec.toUtf8() + "\n");
    }
    StartClient(&program_, kProgram, {key}, extra);
    QVERIFY(program_.waitForStarted());
    QVERIFY2(!WaitForWindows(program_.processId(), QSize(600, 400)).isEmpty(), qPrintable(Log()));

    StartClient(&phone_, kPhoneWindow, {appId});
    QVERIFY(phone_.waitForStarted());
    // Mapped behind the full-screen alarm, where sway gives it no size yet.
    const QList<Toplevel> call = WaitForWindows(phone_.processId(), QSize(0, 0));
    QVERIFY(!call.isEmpty());
    QCOMPARE(call.first().appId, appId);
    QVERIFY(compositor_.Focus(phone_.processId()));

    if (stops) {
        QVERIFY2(program_.waitForFinished(15000), qPrintable(Log()));
        QCOMPARE(program_.exitCode(), 0);
        QVERIFY2(Log().contains("automatic stop"), qPrintable(Log()));
    } else {
        QTest::qWait(2000);
        QVERIFY2(program_.state() == QProcess::Running, qPrintable(Log()));
        QVERIFY2(!Log().contains("automatic stop"), qPrintable(Log()));
        ::kill(pid_t(program_.processId()), SIGTERM);
        QVERIFY(program_.waitForFinished(15000));
    }
}

QTEST_GUILESS_MAIN(WaylandTest)
#include "WaylandTest.moc"
