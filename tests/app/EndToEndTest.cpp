// One alarm from notification to rescheduling, with every part real: the alarm is
// stored and scheduled, the real notification service starts the real program
// with the alarm's key at the alarm time, the ringing window comes up (or, with no
// display, the alarm rings without one) and ends by itself after one pass of its
// playlist, the alarm is rescheduled (repeating) or left inactive (one-time), and
// the program ends (autoExit).
#include "Alarm.h"
#include "TempHome.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "EditBackup.h"
#include "FakeMprisPlayer.h"
#include "InstanceLock.h"
#include "IpcClient.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"

#include "PowerKeeper.h"
#include "StoreDamage.h"
#include "TestServers.h"
#include "WaveVolume.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");
const QString kTool = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-alarm");

QStringList Marks(const QString& traceFile)
{
    QFile f(traceFile);
    QStringList names;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (!line.isEmpty())
                names << QString::fromUtf8(line.split(' ').first());
        }
    }
    return names;
}

bool ProgramRunning()
{
    ipc::InstanceLock probe;
    return probe.Acquire(kProgram.toStdString()) == ipc::InstanceLock::HeldByOther;
}

// The stored values of a section, in order, as "name type bytes" lines.
QStringList RawSection(const QString& key)
{
    RegCloseStore();
    RegKey section;
    QStringList out;
    if (RegKey::Open(Hive::CurrentUser, (Profile::RootPath() + "\\" + key).toStdString(), &section) != RegOk)
        return out;
    RegValue v;
    for (uint32_t i = 0; section.EnumValue(i, &v) == RegOk; ++i)
        out << QString::fromStdString(v.name) + ' ' + QString::number(int(v.type)) + ' ' +
                   QByteArray(reinterpret_cast<const char*>(v.data.data()), int(v.data.size())).toHex();
    return out;
}

QByteArray ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("<missing>");
}

// The test's environment without any display or Qt platform named.
QProcessEnvironment WithoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    return env;
}

// An X display name no server answers on.
QString DeadXDisplay()
{
    for (int n = 97;; ++n) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            return QStringLiteral(":%1").arg(n);
    }
}

// Runs dawnbell-alarm with `args`; its exit code, standard error in `err`.
int RunTool(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess tool;
    tool.start(kTool, args);
    if (!tool.waitForFinished(30000))
        return -1;
    if (err)
        *err = tool.readAllStandardError();
    return tool.exitCode();
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("DAWNBELL_TRACE", (m_home.path() + "/trace.txt").toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        qputenv("DAWNBELL_PLATFORM_VERSION", "5.2.21000");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        Profile::SetRegistryKey("Torvane");
        Scheduler::SetProgramPathForTesting(kProgram);
    }
    void cleanup()
    {
        qunsetenv("DAWNBELL_SYSFS");
        qunsetenv("DAWNBELL_CHANGE_TRACE");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        qunsetenv("DAWNBELL_DEVINPUT");
        qunsetenv("DAWNBELL_AUDIO_VIRTUAL");
        qunsetenv("PULSE_SERVER");
        qunsetenv("DAWNBELL_SYSTEMCTL");
        qunsetenv("DAWNBELL_LOGINCTL");
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        Scheduler::SetProgramPathForTesting(QString());
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void ringsAndReschedules_data()
    {
        QTest::addColumn<int>("repeatDays");
        QTest::addColumn<int>("activatedBefore");
        QTest::addColumn<int>("activatedAfter");
        QTest::addColumn<int>("notificationsAfter");
        QTest::addColumn<bool>("display"); // false: the service and the program have none
        QTest::addColumn<int>("lateSeconds"); // how long after its time the service starts it
        QTest::newRow("one-time") << 0 << 1 << 0 << 0 << true << 0;
        QTest::newRow("every day") << 127 << 1 << 1 << 1 << true << 0;
        // A stale notification for an alarm the user has switched off since.
        QTest::newRow("every day, switched off") << 127 << 0 << 0 << 0 << true << 0;
        QTest::newRow("one-time, without a display") << 0 << 1 << 0 << 0 << false << 0;
        QTest::newRow("every day, without a display") << 127 << 1 << 1 << 1 << false << 0;
        // The device slept or the service was stopped over the alarm's time: no
        // blare two hours late, a missed-alarm notice instead.
        QTest::newRow("one-time, started 2 h late: missed, switched off") << 0 << 1 << 0 << 0 << true << 7200;
        QTest::newRow("every day, started 2 h late: missed, next occurrence kept") << 127 << 1 << 1 << 1 << true
                                                                                   << 7200;
        QTest::newRow("every day, started 2 h late without a display: missed") << 127 << 1 << 1 << 1 << false
                                                                               << 7200;
    }
    void ringsAndReschedules()
    {
        QFETCH(int, repeatDays);
        QFETCH(int, activatedBefore);
        QFETCH(int, activatedAfter);
        QFETCH(int, notificationsAfter);
        QFETCH(bool, display);
        QFETCH(int, lateSeconds);
        QVERIFY(QFile::exists(kProgram));
        const QString boxes = m_home.filePath("boxes.txt");
        qputenv("DAWNBELL_MSGBOX_RECORD", boxes.toUtf8()); // the service and what it starts inherit it
        qputenv("DAWNBELL_CHANGE_TRACE", "1"); // the window logs what each change cost
        if (!display) {
            // The service inherits this environment; no session manager or
            // logind of the machine running the test may lend it a display.
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                qunsetenv(name);
            qputenv("DAWNBELL_SYSTEMCTL", "/bin/false");
            qputenv("DAWNBELL_LOGINCTL", "/bin/false");
            qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        }

        // A short sound, played once, no questions: the ringing ends by itself.
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = repeatDays;
        alarm.alarmTime = clock::Now() + 3 - lateSeconds;
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = 1;
        alarm.confirmClose = 0;
        alarm.useFade = 0;
        alarm.vibrate = 0;
        alarm.forceVolume = 0;
        alarm.quiz = 0;
        alarm.title = "End to end";
        alarm.activated = activatedBefore;
        alarm.Save();
        const QString key = alarm.GetKey();
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::WriteInt("settings", "autoExit", 1);
        Profile::Flush();
        if (activatedBefore && !lateSeconds) {
            Scheduler::ReRegisterAll(); // the first registration starts the service
        } else {
            notify::NotifyTrigger stale;
            stale.application = kProgram.toStdString();
            stale.arguments = key.toStdString();
            stale.start = stale.end = clock::ToLocal(alarm.alarmTime);
            QVERIFY(notify::NotifySetTime(stale) != 0);
        }

        std::vector<notify::NotifyRecord> records;
        if (!lateSeconds) { // an overdue record is started at once
            QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
            QCOMPARE(records.size(), size_t(1));
            QCOMPARE(QString::fromStdString(records[0].trigger.arguments), key);
        }

        const QString trace = m_home.path() + "/trace.txt";
        if (lateSeconds) {
            // The notice comes last, once the alarm is recorded and rescheduled.
            QTRY_VERIFY_WITH_TIMEOUT(ReadText(boxes).startsWith("Warning\tMissed alarm: End to end\\nIt was due at "),
                                     15000);
            const QStringList marks = Marks(trace);
            QVERIFY2(marks.contains("process-start") && !marks.contains("window-shown") &&
                         !marks.contains("ringing-without-display") && !marks.contains("playing"),
                     qPrintable(marks.join(' ')));
            // Answering the notice marks the missed alarm seen.
            std::vector<notify::MissedAlarm> missed;
            auto seen = [&missed] {
                return notify::NotifyMissedAlarms(&missed) == notify::NotifyOk && !missed.empty() && missed[0].seen;
            };
            QTRY_VERIFY_WITH_TIMEOUT(seen(), 5000);
            QCOMPARE(missed.size(), size_t(1));
            QCOMPARE(QString::fromStdString(missed[0].arguments), key);
            QCOMPARE(QString::fromStdString(missed[0].title), QStringLiteral("End to end"));
            QCOMPARE(clock::FromLocal(missed[0].due), alarm.alarmTime);
            const QByteArray log = ReadText(m_home.filePath("dawnbell.log"));
            QVERIFY2(log.contains("Missed alarm \"End to end\" (key " + key.toUtf8()), log.constData());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(Marks(trace).contains(display ? "window-shown" : "ringing-without-display"),
                                     15000);
            QVERIFY(Marks(trace).contains("process-start"));
        }
        // The window goes by itself and the program ends.
        QTRY_VERIFY_WITH_TIMEOUT(!ProgramRunning(), 20000);
        if (!lateSeconds) {
            // The after-ringing step is one change: one save, one rebuild (in
            // the window, and ringing without a display).
            const QString log = QString::fromUtf8(ReadText(m_home.filePath("dawnbell.log")));
            const QStringList changes =
                log.split('\n').filter(QStringLiteral("change trace (change of %1)").arg(key));
            QCOMPARE(changes.size(), 1);
            QVERIFY2(changes[0].contains(QRegularExpression("saves=1 rebuilds=1 simulation=0$")),
                     qPrintable(changes[0]));
        }
        if (!display && !lateSeconds) {
            const QStringList marks = Marks(trace);
            QVERIFY2(marks.contains("playing") && marks.contains("ringing-ended") && !marks.contains("window-shown"),
                     qPrintable(marks.join(' ')));
            const QByteArray log = ReadText(m_home.filePath("dawnbell.log"));
            QVERIFY2(log.contains("neither DISPLAY nor WAYLAND_DISPLAY is set): " + key.toUtf8() +
                                  " rings without a display") &&
                         log.contains("ended: closeAfterTimes reached"),
                     log.constData());
        }

        RegCloseStore();
        notify::NotifyCloseStore();
        std::unique_ptr<Alarm> after = AlarmStore::LoadSection(key);
        QVERIFY(after);
        QCOMPARE(after->activated, activatedAfter);
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(int(records.size()), notificationsAfter);
        if (notificationsAfter) {
            // Tomorrow at the same time.
            const clock::LocalTime t = records[0].trigger.start;
            const int64_t next = clock::MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second);
            QVERIFY2(next - alarm.alarmTime > 23 * 3600 && next - alarm.alarmTime <= 25 * 3600,
                     qPrintable(QString::number(next - alarm.alarmTime)));
            QCOMPARE(QString::fromStdString(records[0].trigger.arguments), key);
        }
    }

    void keyForwardedToTheRunningProgram()
    {
        // The user has the program open; the service then starts a second one
        // with an alarm's key. The key rings in the first, the second waits for
        // that and ends, and the first ends after the ringing (autoExit).
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 6, 45, 0);
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = 1;
        alarm.confirmClose = 0;
        alarm.useFade = 0;
        alarm.vibrate = 0;
        alarm.quiz = 0;
        alarm.activated = 0;
        alarm.Save();
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::Flush();

        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(kProgram, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home.path() + "/dawnbell/Dawnbell.sock"), 10000);

        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(kProgram, {alarm.GetKey()});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        const QString trace = m_home.path() + "/trace.txt";
        QVERIFY(Marks(trace).contains("window-shown")); // rung before the second ended
        QCOMPARE(Marks(trace).count("process-start"), 2);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    }

    void autocloseWithoutDisplay()
    {
        // No window system at all: the questions are answered by the automation.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("DAWNBELL_AUTO_ANSWER", "yes");
        env.insert("DAWNBELL_MSGBOX_RECORD", m_home.path() + "/boxes.txt");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(kProgram, {"autoclose"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        RegCloseStore();
        QCOMPARE(Profile::ReadInt("settings", "disableAutoStop", 0), 1);
        QFile boxes(m_home.path() + "/boxes.txt");
        QVERIFY(boxes.open(QIODevice::ReadOnly));
        QCOMPARE(boxes.readAll().count('\n'), 2);
    }

    // SIGTERM, SIGINT and SIGHUP during the ringing run the cleanup (device volume,
    // vibrator, suspend time-out and backlight given back, the media player it
    // paused resumed) and the after-ringing
    // path, then the program ends,
    // also without autoExit. SIGKILL cannot run the cleanup: the next start of the
    // program (here "reinit") gives the device back from the marker the ringing left.
    void signalDuringRinging_data()
    {
        QTest::addColumn<int>("signo");
        QTest::addColumn<bool>("soundServer"); // the device volume is a sound server's muted output
        QTest::addColumn<bool>("display");     // false: the program rings without a display
        QTest::newRow("SIGTERM") << int(SIGTERM) << false << true;
        QTest::newRow("SIGINT") << int(SIGINT) << false << true;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false << true;
        QTest::newRow("SIGKILL, mended at the next start") << int(SIGKILL) << false << true;
        QTest::newRow("SIGTERM, sound server") << int(SIGTERM) << true << true;
        QTest::newRow("SIGKILL, sound server, mended at the next start") << int(SIGKILL) << true << true;
        QTest::newRow("SIGTERM, without a display") << int(SIGTERM) << false << false;
        QTest::newRow("SIGTERM, sound server, without a display") << int(SIGTERM) << true << false;
        QTest::newRow("SIGKILL without a display, mended at the next start") << int(SIGKILL) << false << false;
    }
    void signalDuringRinging()
    {
        QFETCH(int, signo);
        QFETCH(bool, soundServer);
        QFETCH(bool, display);
        const QString sysfs = m_home.filePath("sys");
        const QString led = sysfs + "/class/leds/test::vibrator";
        QVERIFY(WriteText(led + "/brightness", "0"));
        QVERIFY(WriteText(led + "/max_brightness", "255"));
        const QString panel = sysfs + "/class/backlight/panel";
        QVERIFY(WriteText(panel + "/bl_power", "0"));
        QVERIFY(WriteText(panel + "/brightness", "40"));
        QVERIFY(WriteText(panel + "/max_brightness", "100"));
        {
            RegKey timeouts;
            QCOMPARE(RegKey::Create(Hive::LocalMachine, PowerKeeper::kTimeoutsKey, &timeouts), RegOk);
            timeouts.WriteDword("ACSuspendTimeout", 60);
        }
        auto acTimeout = [] {
            RegCloseStore();
            RegKey timeouts;
            uint32_t v = 12345;
            if (RegKey::Open(Hive::LocalMachine, PowerKeeper::kTimeoutsKey, &timeouts) == RegOk)
                timeouts.ReadDword("ACSuspendTimeout", &v);
            return v;
        };
        qputenv("DAWNBELL_SYSFS", sysfs.toUtf8());
        qputenv("DAWNBELL_DEVINPUT", m_home.filePath("input").toUtf8());
        // The output as the user left it, and as the alarm's 50 % must make it.
        test::SoundServer server;
        QTemporaryDir serverFolder;
        if (soundServer) {
            const QString why = server.Start(serverFolder.path());
            if (!why.isEmpty())
                QSKIP(qPrintable(why));
            qputenv("PULSE_SERVER", server.address().toUtf8());
            QVERIFY(server.SetSink(13107, true)); // 20 %, muted
        } else {
            qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
            QVERIFY(SetWaveOutVolume(12345));
        }
        const QString asFound = soundServer ? QStringLiteral("13107,13107 muted") : QStringLiteral("12345");
        const QString forced = soundServer ? QStringLiteral("32767,32767 playing") : QStringLiteral("32767");
        auto device = [&] {
            if (soundServer)
                return server.Sink();
            RegCloseStore();
            uint32_t wave = 0;
            return GetWaveOutVolume(&wave) ? QString::number(wave) : QStringLiteral("unreadable");
        };
        QCOMPARE(device(), asFound);
        // A media player that plays on the session bus: paused while it rings,
        // resumed by the cleanup, or by the next start after SIGKILL.
        QTemporaryDir busFolder;
        test::PrivateBus bus;
        QThread playerThread;
        std::unique_ptr<test::FakeMprisPlayer> player;
        const QByteArray sessionBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        if (bus.Start(busFolder.path()).isEmpty()) {
            playerThread.start();
            player = test::FakeMprisPlayer::Start(bus.address(), QStringLiteral("org.mpris.MediaPlayer2.tune"),
                                                  QStringLiteral("Playing"), &playerThread);
            QVERIFY(player);
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        }
        auto playerGone = qScopeGuard([&] {
            if (player) {
                test::FakeMprisPlayer* p = player.release();
                QMetaObject::invokeMethod(p, [p] { delete p; }, Qt::BlockingQueuedConnection);
            }
            playerThread.quit();
            playerThread.wait();
            if (sessionBus.isNull())
                qunsetenv("DBUS_SESSION_BUS_ADDRESS");
            else
                qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus);
        });

        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = 127;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 6, 45, 0);
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = 0; // rings until the signal
        alarm.forceVolume = 1;
        alarm.volume = 50;
        alarm.vibrate = 1;
        alarm.vibrateInterval = 0;
        alarm.quiz = 0;
        alarm.confirmClose = 0;
        alarm.activated = 1;
        alarm.Save();
        const QString key = alarm.GetKey();
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::WriteInt("settings", "autoExit", 0);
        Profile::Flush();

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        if (!display)
            program.setProcessEnvironment(WithoutDisplay());
        program.start(kProgram, {key});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Marks(m_home.path() + "/trace.txt").contains(display ? "window-shown" : "playing"),
                                 15000);
        QTRY_COMPARE(device(), forced); // without a window, "playing" may come first
        if (soundServer) {
            // Heard: the program plays a stream into the server's sink.
            QString streams;
            QTRY_VERIFY(server.Pactl({"list", "short", "sink-inputs"}, &streams) && !streams.trimmed().isEmpty());
        }
        RegCloseStore();
        QCOMPARE(ReadText(led + "/brightness"), QByteArray("255"));
        QCOMPARE(acTimeout(), 0u);
        QCOMPARE(ReadText(panel + "/brightness"), QByteArray("100"));
        const QString marker = m_home.filePath("ringing-restore");
        QVERIFY(QFile::exists(marker));
        if (player)
            QTRY_COMPARE(player->PlaybackStatus(), QStringLiteral("Paused"));

        ::kill(pid_t(program.processId()), signo);
        QVERIFY(program.waitForFinished(15000));
        if (signo == SIGKILL) {
            QCOMPARE(device(), forced); // nothing could run
            QCOMPARE(ReadText(led + "/brightness"), QByteArray("255"));
            QCOMPARE(acTimeout(), 0u);
            QProcess next;
            next.start(kProgram, {"reinit"});
            QVERIFY(next.waitForFinished(15000));
            QCOMPARE(next.exitCode(), 0);
            QVERIFY(ReadText(m_home.filePath("dawnbell.log")).contains("without its cleanup"));
        } else {
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            const QByteArray log = ReadText(m_home.filePath("dawnbell.log"));
            QVERIFY2(log.contains(signo == SIGTERM ? "SIGTERM" : signo == SIGINT ? "SIGINT" : "SIGHUP"), log.constData());
            QVERIFY(log.contains("Device volume given back"));
        }
        RegCloseStore();
        notify::NotifyCloseStore();
        QCOMPARE(device(), asFound);
        QCOMPARE(ReadText(led + "/brightness"), QByteArray("0"));
        QCOMPARE(acTimeout(), 60u);
        QCOMPARE(ReadText(panel + "/brightness"), QByteArray("40"));
        QCOMPARE(ReadText(panel + "/bl_power"), QByteArray("0"));
        QVERIFY(!QFile::exists(marker));
        if (player) {
            QCOMPARE(player->PlaybackStatus(), QStringLiteral("Playing"));
            QCOMPARE(player->Calls(), (QStringList{QStringLiteral("Pause"), QStringLiteral("Play")}));
        }
        // Rescheduled for tomorrow (after the ringing, or by "reinit").
        std::vector<notify::NotifyRecord> records;
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(QString::fromStdString(records[0].trigger.arguments), key);
    }

    // dawnbell-alarm stop and snooze reach the alarm ringing now, without a
    // display (none named, or one that cannot be opened) and in the window. Stop
    // ends it like a ringing that ends by itself, so the after-ringing path runs.
    // A snooze without a display ends the ringing and leaves a notification that
    // starts the program with the key when the snooze is over, the alarm as it
    // was; the window's snooze counts down with its wake-up (no argument, 5 s
    // before the end), which the end of the ringing withdraws. Nothing ringing,
    // or an alarm without snooze: exit 1 and one line.
    void ringingAnsweredFromTheShell_data()
    {
        QTest::addColumn<QString>("where"); // none: no display named; unreachable: one named that is gone
        QTest::addColumn<QString>("verb");
        QTest::addColumn<int>("repeatDays");
        QTest::addColumn<int>("snoozeMinutes"); // 0: the alarm has no snooze
        QTest::newRow("stop without a display, one-time") << "none" << "stop" << 0 << 2;
        QTest::newRow("snooze without a display") << "none" << "snooze" << 0 << 2;
        QTest::newRow("stop, the display cannot be opened, every day") << "unreachable" << "stop" << 127 << 4;
        QTest::newRow("snooze refused without snooze, then stop") << "none" << "snooze" << 127 << 0;
        QTest::newRow("stop in the window, one-time") << "window" << "stop" << 0 << 2;
        QTest::newRow("snooze in the window, then stop") << "window" << "snooze" << 127 << 3;
    }
    void ringingAnsweredFromTheShell()
    {
        QFETCH(QString, where);
        QFETCH(QString, verb);
        QFETCH(int, repeatDays);
        QFETCH(int, snoozeMinutes);
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = repeatDays;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 6, 45, 0);
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = 0; // rings until told
        alarm.closeAfterMinutes = 0;
        alarm.useFade = 0;
        alarm.vibrate = 0;
        alarm.quiz = 0;
        alarm.confirmClose = 1; // a stop from the shell does not ask
        alarm.useSnooze = snoozeMinutes > 0;
        alarm.snooze = snoozeMinutes * 60;
        alarm.title = "From the shell";
        alarm.activated = 1;
        alarm.Save();
        const QString key = alarm.GetKey();
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::WriteInt("settings", "autoExit", 1);
        Profile::Flush();
        Scheduler::ReRegisterAll(); // the alarm's own start (it rings by hand here)

        QByteArray err;
        QCOMPARE(RunTool({verb}, &err), 1);
        QVERIFY2(err.contains("nothing is ringing"), err.constData());

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = where == "window" ? QProcessEnvironment::systemEnvironment() : WithoutDisplay();
        if (where == "unreachable")
            env.insert("DISPLAY", DeadXDisplay());
        program.setProcessEnvironment(env);
        program.start(kProgram, {key});
        QVERIFY(program.waitForStarted());
        const QString trace = m_home.path() + "/trace.txt";
        QTRY_VERIFY_WITH_TIMEOUT(Marks(trace).contains("playing") &&
                                     (where != "window" || Marks(trace).contains("window-shown")),
                                 15000);
        QCOMPARE(Marks(trace).contains("window-shown"), where == "window");

        const int64_t asked = clock::Now();
        const int answer = RunTool({verb}, &err);
        std::vector<notify::NotifyRecord> records;
        auto recordsFor = [&records](const QString& arguments) {
            std::vector<notify::NotifyRecord> found;
            for (const notify::NotifyRecord& r : records) {
                if (QString::fromStdString(r.trigger.arguments) == arguments)
                    found.push_back(r);
            }
            return found;
        };
        if (snoozeMinutes == 0) {
            QCOMPARE(answer, 1);
            QVERIFY2(err.contains("has no snooze"), err.constData());
            QVERIFY(ProgramRunning()); // it keeps ringing
            QCOMPARE(RunTool({"stop"}), 0);
        } else {
            QVERIFY2(answer == 0, err.constData());
        }
        if (verb == "snooze" && where == "window") {
            // Counting down in the window, with the wake-up for a sleeping device.
            QTRY_VERIFY_WITH_TIMEOUT(notify::NotifyList(&records) == notify::NotifyOk && recordsFor("").size() == 1,
                                     5000);
            const clock::LocalTime t = recordsFor("")[0].trigger.start;
            const int64_t wake = clock::MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second);
            QVERIFY2(wake >= asked + 180 - 5 - 1 && wake <= asked + 180 - 5 + 3,
                     qPrintable(QString::number(wake - asked)));
            QVERIFY(ProgramRunning());
            QCOMPARE(RunTool({"stop"}), 0);
        }
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QByteArray log = ReadText(m_home.filePath("dawnbell.log"));
        if (where == "unreachable")
            QVERIFY2(log.contains("the X display " + DeadXDisplay().toUtf8() + " could not be opened): " +
                                  key.toUtf8() + " rings without a display"),
                     log.constData());
        RegCloseStore();
        notify::NotifyCloseStore();
        const std::unique_ptr<Alarm> after = AlarmStore::LoadSection(key);
        QVERIFY(after);
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(recordsFor("").size(), size_t(0)); // no wake-up outlives a ringing
        if (verb == "snooze" && snoozeMinutes > 0 && where != "window") {
            QVERIFY2(log.contains("ended: snoozed without a display; it rings again at"), log.constData());
            QCOMPARE(after->activated, 1); // as it was: the ringing after the snooze takes the after-ringing path
            const int64_t again = asked + snoozeMinutes * 60;
            const auto starts = recordsFor(key);
            QVERIFY(std::any_of(starts.begin(), starts.end(), [again](const notify::NotifyRecord& r) {
                const clock::LocalTime t = r.trigger.start;
                const int64_t at = clock::MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second);
                return at >= again - 1 && at <= again + 3;
            }));
        } else {
            QVERIFY2(log.contains("ended: dawnbell-alarm stop"), log.constData());
            // Rescheduled (every day) or switched off (one-time), as after any ringing.
            const int on = repeatDays != 0 ? 1 : 0;
            QCOMPARE(after->activated, on);
            QCOMPARE(int(recordsFor(key).size()), on);
        }
    }

    // A signal while "edit KEY" has the editor (compact editor or wizard) open:
    // the main window took the alarm out of the store for the edit; it is put
    // back exactly as stored and scheduled again - at once for SIGTERM, by the
    // next start ("reinit") after SIGKILL, which leaves no time for anything.
    void signalDuringEdit_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("signo");
        QTest::newRow("compact editor, SIGTERM") << int(AlarmCompact) << int(SIGTERM);
        QTest::newRow("compact editor, SIGKILL mended at the next start") << int(AlarmCompact) << int(SIGKILL);
        QTest::newRow("wizard, SIGTERM") << int(AlarmWizard) << int(SIGTERM);
        QTest::newRow("wizard, SIGKILL mended at the next start") << int(AlarmWizard) << int(SIGKILL);
        QTest::newRow("wizard, appointment, SIGTERM") << int(AlarmAppointment) << int(SIGTERM);
        QTest::newRow("wizard, command, SIGTERM") << int(AlarmCommand) << int(SIGTERM);
    }
    void signalDuringEdit()
    {
        QFETCH(int, type);
        QFETCH(int, signo);
        Alarm alarm;
        alarm.type = type;
        alarm.repeatDays = type == AlarmAppointment ? 0 : 0x15;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 5, 55, 0);
        alarm.dateYear = 2030;
        alarm.dateMonth = 1;
        alarm.dateDay = 1;
        alarm.command = QStringLiteral("/home/u/notes.txt");
        alarm.title = "Kept as stored";
        alarm.snooze = 420;
        alarm.activated = 1;
        alarm.Save();
        const QString key = alarm.GetKey();
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::Flush();
        Scheduler::ReRegisterAll();
        const QStringList stored = RawSection(key);
        QVERIFY(stored.size() > 10);

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(kProgram, {"edit " + key});
        QVERIFY(program.waitForStarted());
        // The editor is open once the alarm has been taken out of the store.
        QTRY_VERIFY_WITH_TIMEOUT(RawSection(key).isEmpty(), 15000);
        ::kill(pid_t(program.processId()), signo);
        QVERIFY(program.waitForFinished(15000));
        std::vector<notify::NotifyRecord> records;
        if (signo == SIGKILL) {
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
            QVERIFY(RawSection(key).isEmpty());
            QCOMPARE(EditBackup::PendingKeys(), QStringList{key});
            notify::NotifyCloseStore();
            QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
            QVERIFY(records.empty());
            QProcess next;
            next.start(kProgram, {"reinit"});
            QVERIFY(next.waitForFinished(15000));
            QCOMPARE(next.exitCode(), 0);
            const QByteArray log = ReadText(m_home.filePath("dawnbell.log"));
            QVERIFY2(log.contains(("alarm " + key + " was being edited").toUtf8()), log.constData());
        } else {
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        }
        QCOMPARE(RawSection(key), stored);
        QVERIFY(EditBackup::PendingKeys().isEmpty());
        notify::NotifyCloseStore();
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(QString::fromStdString(records[0].trigger.arguments), key);
    }

    void windowAndShellWriteTogether()
    {
        // The program's window stays open while shell tools add alarms two at a
        // time and the today item switches the first of them through the window,
        // which writes and flushes each switch. Then the window is closed. The
        // store is whole, holds every write, and every active alarm is scheduled.
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::Flush();
        RegCloseStore();
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(kProgram, {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home.path() + "/dawnbell/Dawnbell.sock"), 10000);

        const QString sound = QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3");
        QStringList keys;
        for (int i = 0; i < 12; i += 2) {
            QProcess adds[2];
            for (int j = 0; j < 2; ++j) {
                adds[j].start(kTool, {"add", "--time", QString::asprintf("05:%02d", i + j), "--days", "daily",
                                      "--title", QString("Shell %1").arg(i + j), "--sound", sound});
            }
            for (QProcess& add : adds) {
                QVERIFY(add.waitForFinished(30000));
                QVERIFY2(add.exitCode() == 0, add.readAllStandardError().constData());
                keys << QString::fromUtf8(add.readAllStandardOutput()).trimmed();
            }
            ipc::IpcClient today;
            QCOMPARE(today.Connect(ipc::SocketPath(), kProgram.toStdString()), ipc::SendOk);
            const uint32_t code = i % 4 == 2 ? 4 : 3; // activate, deactivate, ...
            QCOMPARE(today.SendCopyData(code, keys.first().toStdU16String(), 10000, nullptr), ipc::SendOk);
        }
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);

        QCOMPARE(test::StoreIntegrity(m_home.path() + "/registry.db"), QString("ok"));
        RegCloseStore();
        notify::NotifyCloseStore();
        std::vector<notify::NotifyRecord> records;
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        for (int i = 0; i < keys.size(); ++i) {
            const std::unique_ptr<Alarm> stored = AlarmStore::LoadSection(keys[i]);
            QVERIFY2(stored, qPrintable("lost: " + keys[i]));
            QCOMPARE(stored->title, QString("Shell %1").arg(i));
            QCOMPARE(stored->activated, i == 0 ? 0 : 1); // the last switch was off
            const auto scheduled = std::count_if(records.begin(), records.end(), [&](const notify::NotifyRecord& r) {
                return QString::fromStdString(r.trigger.arguments) == keys[i];
            });
            QVERIFY2(scheduled == stored->activated, qPrintable(keys[i] + " scheduled " + QString::number(scheduled)));
        }
    }

private:
    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
