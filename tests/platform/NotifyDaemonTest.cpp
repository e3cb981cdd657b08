// The notification service end to end: the real dawnbell-notifyd on a temporary
// device directory starts a real program (NotifyArgvRecorder) at the due time.
#include "Notify.h"
#include "NotifyStore.h"
#include "Registry.h"
#include "TempHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace dawnbell;
using namespace dawnbell::notify;

namespace {

// A local time `ms` milliseconds from now on the real clock.
clock::LocalTime InMs(int64_t ms)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const int64_t at = int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000 + ms;
    clock::LocalTime t = clock::ToLocal(at / 1000);
    t.milliseconds = int(at % 1000);
    return t;
}

NotifyTrigger Trigger(const std::string& args, const clock::LocalTime& at)
{
    NotifyTrigger t;
    t.application = ARGV_RECORDER;
    t.arguments = args;
    t.start = at;
    t.end = at;
    return t;
}

// Splits the recorder's file into runs; each run is its list of arguments.
QList<QStringList> Runs(const QString& file)
{
    QFile f(file);
    QList<QStringList> runs;
    if (!f.open(QIODevice::ReadOnly))
        return runs;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        int pos = line.indexOf(';');
        const int count = line.left(pos < 0 ? line.size() : pos).toInt();
        QStringList args;
        while (pos >= 0 && args.size() < count) {
            const int colon = line.indexOf(':', pos);
            const int len = line.mid(pos + 1, colon - pos - 1).toInt();
            args << QString::fromUtf8(line.mid(colon + 1, len));
            pos = colon + 1 + len;
            if (pos >= line.size())
                break;
        }
        runs << args;
    }
    return runs;
}

// True when process `pid` has ended (gone, or a zombie nobody reaped yet).
bool IsDead(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int paren = line.lastIndexOf(')');
    return paren < 0 || line.mid(paren + 2, 1) == "Z";
}

QString ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// "DAWNBELL_DUE=YYYY-MM-DDTHH:MM:SS" for a record due at `t`, as a tab-separated
// item of NotifyArgvRecorder's environment line.
QString DueItem(const clock::LocalTime& t)
{
    return QString::asprintf("DAWNBELL_DUE=%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                             t.second);
}

// Makes `path` a Unix socket file (nothing listens; only its existence matters).
bool BindSocket(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    if (name.size() >= int(sizeof addr.sun_path))
        return false;
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, name.constData(), size_t(name.size()) + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

bool WriteScript(const QString& path, const QByteArray& body)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("#!/bin/sh\n" + body);
    f.close();
    return f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The process id a notifyd.log line "... [ARG] (process N) ..." names for the
// first start of `argument`; 0 when none.
pid_t StartedPid(const QString& log, const QString& argument)
{
    const QRegularExpression started("started \\S+ \\[" + QRegularExpression::escape(argument) + "\\] \\(process (\\d+)\\)");
    const QRegularExpressionMatch m = started.match(log);
    return m.hasMatch() ? pid_t(m.captured(1).toInt()) : 0;
}

// The variables that decide where and how a started program runs; the tests
// set them afresh for every service they start.
const char* const kSessionVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS",
                                         "XAUTHORITY", "DAWNBELL_START_TIMEOUT", "NOTIFY_ARGV_MODE", "NOTIFY_ENV_FILE",
                                         "DAWNBELL_TRACE", "DAWNBELL_AUTO_ANSWER"};

} // namespace

class NotifyDaemonTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // An X server for the rows that need a real display: Xvfb picks a free
        // display number and writes it to its standard output.
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "480x640x24"});
        if (m_xvfb.waitForStarted(5000)) {
            QElapsedTimer t;
            t.start();
            while (!m_xvfb.canReadLine() && t.elapsed() < 10000)
                m_xvfb.waitForReadyRead(200);
            const QByteArray number = m_xvfb.readLine().trimmed();
            if (!number.isEmpty())
                m_xDisplay = ":" + QString::fromLatin1(number);
        }
        // An X display nobody serves.
        for (int n = 4321; m_goneDisplay.isEmpty(); ++n) {
            if (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)) && !QFile::exists(QString("/tmp/.X%1-lock").arg(n)))
                m_goneDisplay = QString(":%1").arg(n);
        }
    }
    void cleanupTestCase()
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }
    void init()
    {
        NotifyCloseStore();
        m_home.Renew();
        qunsetenv("DAWNBELL_NOTIFYD");
        m_argvFile = m_home.path() + "/argv.txt";
        qputenv("NOTIFY_ARGV_FILE", m_argvFile.toUtf8());
        // Started from an environment without any display, and never asking the
        // real service manager or logind of whoever runs the tests.
        for (const char* name : kSessionVariables)
            qunsetenv(name);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("DAWNBELL_SYSTEMCTL", "false");
        qputenv("DAWNBELL_LOGINCTL", "false");
        m_runtime = m_home.filePath("run");
        QVERIFY(QDir().mkpath(m_runtime));
        QFile::setPermissions(m_runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_runtime.toUtf8());
    }
    void cleanup()
    {
        StopDaemon(SIGTERM);
        NotifyCloseStore();
    }

    void firesOnceWithOneArgument_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QStringList>("received");
        QTest::newRow("key") << "3456031" << QStringList{"3456031"};
        QTest::newRow("blanks and quotes") << "a b \"c d\" 'e' $HOME;*"
                                           << QStringList{"a b \"c d\" 'e' $HOME;*"};
        QTest::newRow("leading dash") << "--help" << QStringList{"--help"};
        QTest::newRow("empty means none") << "" << QStringList{};
    }
    void firesOnceWithOneArgument()
    {
        QFETCH(QString, arguments);
        QFETCH(QStringList, received);
        QVERIFY(NotifySetTime(Trigger(arguments.toStdString(), InMs(1000))) != 0);
        QVERIFY(NotifyDaemonPid() != 0); // the first set started the service
        QVERIFY(Runs(m_argvFile).isEmpty());
        QVERIFY(WaitFor([&] { return !Runs(m_argvFile).isEmpty(); }, 6000));
        QTest::qWait(300);
        const QList<QStringList> runs = Runs(m_argvFile);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0], received);
        uint32_t count = 9;
        NotifyGetHandles(nullptr, 0, &count);
        QCOMPARE(count, 0u); // removed when it fired
    }

    void clearedRecordNeverRuns()
    {
        const uint32_t cleared = NotifySetTime(Trigger("cleared", InMs(600)));
        QVERIFY(cleared != 0);
        QVERIFY(NotifySetTime(Trigger("sentinel", InMs(1200))) != 0);
        QCOMPARE(NotifyClear(cleared), NotifyOk);
        QVERIFY(WaitFor([&] { return !Runs(m_argvFile).isEmpty(); }, 6000));
        QTest::qWait(200);
        QCOMPARE(Runs(m_argvFile), (QList<QStringList>{{"sentinel"}}));
    }

    void recordsSurviveKillAndRestart()
    {
        QVERIFY(NotifySetTime(Trigger("survivor", InMs(1500))) != 0);
        QVERIFY(WaitFor([] { return NotifyDaemonPid() > 0; }, 3000));
        StopDaemon(SIGKILL);
        QCOMPARE(NotifyDaemonPid(), 0);
        QTest::qWait(1700);
        QVERIFY(Runs(m_argvFile).isEmpty()); // nobody served it while the service was down
        QVERIFY(NotifyEnsureDaemon());
        // Overdue by now: it fires as soon as the service has started.
        QVERIFY(WaitFor([&] { return !Runs(m_argvFile).isEmpty(); }, 3000));
        QCOMPARE(Runs(m_argvFile), (QList<QStringList>{{"survivor"}}));
    }

    // The service killed at any moment of a burst of starts (while a started
    // program is on its way) is always back after the next client's add, and
    // nothing stays overdue.
    void killedDuringABurstIsAlwaysRestarted()
    {
        constexpr int kRounds = 8;
        constexpr int kBurst = 12;
        for (int round = 0; round < kRounds; ++round) {
            const int before = Runs(m_argvFile).size();
            {
                NotifyBatch batch;
                for (int i = 0; i < kBurst; ++i)
                    QVERIFY(NotifySetTime(Trigger(QString("r%1-%2").arg(round).arg(i).toStdString(), InMs(-1000))) != 0);
            } // commits and starts (or wakes) the service
            const pid_t killed = NotifyDaemonPid();
            QVERIFY(killed > 0);
            QElapsedTimer t;
            t.start();
            while (Runs(m_argvFile).size() == before && t.elapsed() < 5000)
                ::usleep(300);
            ::usleep(static_cast<useconds_t>(round * 700)); // land at different points of the burst
            QCOMPARE(::kill(killed, SIGKILL), 0);
            QVERIFY(WaitFor([&] { return IsDead(killed); }, 3000));
            // At once, while the dead service may still seem to hold its lock.
            QVERIFY(NotifySetTime(Trigger(QString("next%1").arg(round).toStdString(), InMs(-1))) != 0);
            const pid_t now = NotifyDaemonPid();
            QVERIFY2(now > 0 && now != killed && ::kill(now, 0) == 0, qPrintable(QString("round %1: %2 %3").arg(round).arg(now).arg(killed)));
            std::vector<NotifyRecord> left;
            QVERIFY2(WaitFor([&] { return NotifyList(&left) == NotifyOk && left.empty(); }, 5000),
                     qPrintable(QString("round %1: %2 records overdue").arg(round).arg(left.size())));
        }
    }

    void overdueRecordFiresAtStart()
    {
        // Stored directly, as if set long ago while no service ran.
        NotifyStore store;
        QCOMPARE(store.Open(m_home.path().toStdString() + "/notifications.db"), NotifyOk);
        uint32_t handle = 0;
        QCOMPARE(store.Insert(Trigger("overdue", InMs(-3 * 86400 * 1000)), &handle), NotifyOk);
        QCOMPARE(store.Insert(Trigger("future", InMs(3600 * 1000)), &handle), NotifyOk);
        store.Close();
        QCOMPARE(NotifyDaemonPid(), 0);
        QElapsedTimer t;
        t.start();
        QVERIFY(NotifyEnsureDaemon());
        QVERIFY(WaitFor([&] { return !Runs(m_argvFile).isEmpty(); }, 3000));
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(Runs(m_argvFile), (QList<QStringList>{{"overdue"}}));
        std::vector<NotifyRecord> left;
        QCOMPARE(NotifyList(&left), NotifyOk);
        QCOMPARE(left.size(), size_t(1));
        QCOMPARE(left[0].trigger.arguments, std::string("future"));
    }

    void missingApplicationIsRemoved()
    {
        NotifyTrigger gone = Trigger("x", InMs(300));
        gone.application = m_home.path().toStdString() + "/no-such-program";
        QVERIFY(NotifySetTime(gone) != 0);
        QVERIFY(NotifySetTime(Trigger("after", InMs(700))) != 0);
        QVERIFY(WaitFor([&] { return !Runs(m_argvFile).isEmpty(); }, 5000));
        std::vector<NotifyRecord> left;
        QCOMPARE(NotifyList(&left), NotifyOk);
        QVERIFY(left.empty());
        // It can never ring: a missed alarm, for the program to tell.
        std::vector<MissedAlarm> missed;
        QCOMPARE(NotifyMissedAlarms(&missed), NotifyOk);
        QCOMPARE(missed.size(), size_t(1));
        QCOMPARE(missed[0].arguments, std::string("x"));
        QCOMPARE(missed[0].reason, std::string("the program is not an executable file"));
    }

    void serviceCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // start of standard output
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: dawnbell-notifyd";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "dawnbell-notifyd 1.";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "";
        QTest::newRow("version with more") << QStringList{"--version", "x"} << 2 << "";
    }
    void serviceCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QProcess p;
        p.start(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notifyd", args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), code);
        const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
        QCOMPARE(p.readAllStandardError().isEmpty(), code == 0);
        QCOMPARE(NotifyDaemonPid(), 0); // none of these serves
    }

    // A damaged notifications.db is noticed by the first client or service that
    // uses it: moved aside (kept for inspection), every record that can still be
    // read kept in a fresh store, the log says so, and new records work at once.
    void damagedStoreIsSetAside_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("someKept"); // records before and after the damage survive
        QTest::newRow("bad header") << "header" << false;
        QTest::newRow("damaged page") << "page" << true;
        QTest::newRow("text file") << "text" << false;
    }
    void damagedStoreIsSetAside()
    {
        QFETCH(QString, damage);
        QFETCH(bool, someKept);
        const QString db = m_home.filePath("notifications.db");
        constexpr int kRecords = 300;
        {
            NotifyStore store;
            QCOMPARE(store.Open(db.toStdString()), NotifyOk);
            QCOMPARE(store.Begin(), NotifyOk);
            for (int i = 0; i < kRecords; ++i) {
                uint32_t handle = 0;
                const std::string args = QString("r%1 %2").arg(i).arg(QString(100, 'x')).toStdString();
                QCOMPARE(store.Insert(Trigger(args, {2099, 1, 4, 1, 0, 0, 0, 0}), &handle), NotifyOk);
            }
            QCOMPARE(store.Commit(), NotifyOk);
        } // the last connection folds the WAL into the file
        QFile file(db);
        QVERIFY(file.size() >= 8 * 4096);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (damage == "header") {
            QVERIFY(file.write(QByteArray(16, '\x5a')) == 16);
        } else if (damage == "page") {
            QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
            QVERIFY(file.write(QByteArray(4096, '\xa5')) == 4096);
        } else {
            QVERIFY(file.resize(0));
            QVERIFY(file.write(QByteArray("alarms\n").repeated(1000)) > 0);
        }
        file.close();

        QVERIFY(NotifySetTime(Trigger("fresh", InMs(1000))) != 0);
        QVERIFY(WaitFor([&] { return Runs(m_argvFile) == QList<QStringList>{{"fresh"}}; }, 8000));
        std::vector<NotifyRecord> left;
        QCOMPARE(NotifyList(&left), NotifyOk);
        QStringList kept;
        for (const NotifyRecord& r : left)
            kept << QString::fromStdString(r.trigger.arguments).section(' ', 0, 0);
        if (someKept) {
            QVERIFY2(kept.size() > kRecords / 2 && kept.size() < kRecords, qPrintable(QString::number(kept.size())));
            QVERIFY(kept.contains("r0"));
            QVERIFY(kept.contains(QString("r%1").arg(kRecords - 1)));
        } else {
            QCOMPARE(kept, QStringList());
        }
        const QStringList aside = QDir(m_home.path()).entryList({"notifications.db.damaged-2*"}, QDir::Files);
        QVERIFY2(aside.size() >= 1 && !aside[0].endsWith("-wal"), qPrintable(aside.join(' ')));
        QFile log(m_home.filePath("notifyd.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains("is damaged") && text.contains(aside[0]), qPrintable(text));
        QVERIFY2(text.contains(someKept ? "notifications that could still be read are kept"
                                        : "the 0 notifications that could still be read"),
                 qPrintable(text));
    }

    // A damaged store loses the schedule it held: the service has the program
    // rebuild it from the alarms at once, headless (the program the records it
    // could still read name, else the one beside the service), and logs both.
    // Until a rebuild has answered the damage, dawnbell-notify list says so on
    // standard error and exits 1, also when it has records to print.
    void damagedScheduleIsRebuilt_data()
    {
        QTest::addColumn<QString>("damage");     // "header": nothing readable; "page": records kept
        QTest::addColumn<bool>("serviceAlone");  // the service runs from a folder without the program
        QTest::addColumn<bool>("serviceRebuilds");
        QTest::newRow("store damaged under a running service: the program beside it rebuilds")
            << "header" << false << true;
        QTest::newRow("records still readable: the program they name rebuilds") << "page" << true << true;
        QTest::newRow("no program to be found: told until the program is started") << "header" << true << false;
    }
    void damagedScheduleIsRebuilt()
    {
        QFETCH(QString, damage);
        QFETCH(bool, serviceAlone);
        QFETCH(bool, serviceRebuilds);
        const QString program = QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell";
        const QString db = m_home.filePath("notifications.db");
        if (serviceAlone) {
            QVERIFY(QDir().mkpath(m_home.filePath("service")));
            QVERIFY(QFile::copy(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notifyd",
                                m_home.filePath("service/dawnbell-notifyd")));
            qputenv("DAWNBELL_NOTIFYD", m_home.filePath("service/dawnbell-notifyd").toUtf8());
        }
        // One active alarm in the registry: an appointment at 07:30:00 on 5 March 2099.
        const QString key = "A2700020990305";
        const QString record = QString("\t2099-03-05 07:30:00\t%1\t%2\n").arg(program, key);
        {
            RegKey section;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + key.toStdString(), &section),
                     RegOk);
            QCOMPARE(section.WriteDword("type", 2), RegOk);
            QCOMPARE(section.WriteDword("activated", 1), RegOk);
        }
        RegCloseStore();
        auto reinit = [&] {
            QProcess p;
            p.start(program, {"reinit"});
            return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        if (damage == "header") {
            QCOMPARE(reinit(), 0); // the schedule, and the service serving it
            QVERIFY(WaitFor([] { return NotifyDaemonPid() > 0; }, 5000));
        } else {
            // Records of the program on both sides of the page that will be damaged.
            NotifyStore store;
            QCOMPARE(store.Open(db.toStdString()), NotifyOk);
            QCOMPARE(store.Begin(), NotifyOk);
            for (int i = 0; i < 300; ++i) {
                NotifyTrigger t = Trigger(QString("r%1 %2").arg(i).arg(QString(100, 'x')).toStdString(),
                                          {2099, 1, 4, 1, 0, 0, 0, 0});
                t.application = program.toStdString();
                QCOMPARE(store.Insert(t, nullptr), NotifyOk);
            }
            QCOMPARE(store.Commit(), NotifyOk);
        }
        NotifyCloseStore();
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (damage == "header") {
            // Under the running service: the file's header, its write-ahead log
            // (which holds the newest pages) and the log's index lost.
            QVERIFY(file.write(QByteArray(16, '\x5a')) == 16);
            QVERIFY(QFile::resize(db + "-wal", 0));
            QVERIFY(QFile::remove(db + "-shm"));
        } else {
            QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
            QVERIFY(file.write(QByteArray(4096, '\xa5')) == 4096);
        }
        file.close();

        QByteArray out, err;
        auto list = [&] {
            QProcess p;
            p.start(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notify", {"list"});
            p.waitForFinished(20000);
            out = p.readAllStandardOutput();
            err = p.readAllStandardError();
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        auto rebuilt = [&] { return list() == 0 && out.endsWith(record.toUtf8()) && out.count('\n') == 1; };
        const QString log = m_home.filePath("notifyd.log");
        if (serviceRebuilds) {
            QVERIFY2(WaitFor(rebuilt, 20000), qPrintable(out + err + ReadAll(log)));
            QVERIFY2(err.isEmpty(), err.constData());
            const QString text = ReadAll(log);
            QVERIFY2(text.contains("moved aside as " + db + ".damaged-"), qPrintable(text));
            QVERIFY2(text.contains("started " + program + " reinit"), qPrintable(text));
            // The service logs the rebuild once it has reaped the program, which
            // can be a moment after the store shows the rebuilt schedule.
            QVERIFY2(WaitFor([&] { return ReadAll(log).contains("rebuilt from the alarms after the damage "
                                                                "(notifications stored: 1)"); },
                             20000),
                     qPrintable(ReadAll(log)));
        } else {
            // Nothing the service could start: the damage is told on every list.
            for (int i = 0; i < 2; ++i) {
                QVERIFY2(list() == 1, qPrintable(out + err + ReadAll(log)));
                QCOMPARE(out, QByteArray());
                QVERIFY2(err.contains("set aside as " + db.toUtf8() + ".damaged-") &&
                             err.contains("has not been rebuilt"),
                         err.constData());
                QVERIFY(WaitFor([&] { return ReadAll(log).contains("cannot rebuild the schedule"); }, 5000));
            }
            // The program's next start rebuilds it.
            QCOMPARE(reinit(), 0);
            QVERIFY2(rebuilt(), qPrintable(out + err));
            QVERIFY2(err.isEmpty(), err.constData());
        }
    }

    // Without its lock file or device folder a service would run beside a new one
    // or hold records nobody can see: it ends.
    void serviceEndsWithoutItsFolder_data()
    {
        QTest::addColumn<QString>("removed"); // empty: the device folder itself
        QTest::newRow("lock file removed") << "notifyd.lock";
        QTest::newRow("device folder removed") << "";
    }
    void serviceEndsWithoutItsFolder()
    {
        QFETCH(QString, removed);
        QVERIFY(NotifyEnsureDaemon());
        pid_t pid = 0;
        QVERIFY(WaitFor([&] { pid = NotifyDaemonPid(); return pid > 0; }, 3000));
        if (removed.isEmpty()) {
            // The service may still be writing its store or its last log line
            // while the folder is being emptied, so the removal is repeated as
            // a user's second `rm -r` would be.
            QVERIFY(WaitFor([&] { return QDir(m_home.path()).removeRecursively(); }, 3000));
        }
        else
            QVERIFY(QFile::remove(m_home.filePath(removed)));
        QVERIFY(WaitFor([&] { return IsDead(pid); }, 5000));
    }

    void oneServicePerDeviceDirectory()
    {
        QVERIFY(NotifyEnsureDaemon());
        QVERIFY(WaitFor([] { return NotifyDaemonPid() > 0; }, 3000));
        const pid_t first = NotifyDaemonPid();
        QProcess second;
        second.start(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notifyd", {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 3);
        QCOMPARE(NotifyDaemonPid(), first);

        // Another device directory gets its own service.
        QTemporaryDir other;
        QProcess third;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DAWNBELL_HOME", other.path());
        third.setProcessEnvironment(env);
        third.start(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notifyd", {});
        QVERIFY(third.waitForStarted());
        QVERIFY(!third.waitForFinished(500)); // still serving
        third.terminate();
        QVERIFY(third.waitForFinished(3000));
        QCOMPARE(NotifyDaemonPid(), first);
    }

    // Several processes set and clear at once: every set gets its own handle and
    // ends up stored; every clear removes exactly its record.
    void concurrentProcessesLoseNothing()
    {
        const QString tool = QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notify";
        // Records to clear later, one set per writer.
        QList<QStringList> toClear;
        for (int p = 0; p < 4; ++p) {
            QStringList handles;
            for (int i = 0; i < 10; ++i) {
                const uint32_t h = NotifySetTime(Trigger("old", {2099, 1, 4, 1, 0, 0, 0, 0}));
                QVERIFY(h != 0);
                handles << QString::number(h);
            }
            toClear << handles;
        }
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int p = 0; p < 4; ++p) {
            QString script;
            for (int i = 0; i < 25; ++i)
                script += QString("\"$T\" add --at '2099-01-01 00:00:00' %1 p%2-%3 >> \"$OUT\" || exit 1\n")
                              .arg(QString(ARGV_RECORDER))
                              .arg(p)
                              .arg(i);
            for (const QString& h : toClear[p])
                script += QString("\"$T\" clear %1 || exit 1\n").arg(h);
            auto proc = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("T", tool);
            env.insert("OUT", m_home.path() + QString("/handles%1.txt").arg(p));
            proc->setProcessEnvironment(env);
            proc->start("/bin/sh", {"-c", script});
            writers.push_back(std::move(proc));
        }
        for (auto& w : writers) {
            QVERIFY(w->waitForFinished(60000));
            QCOMPARE(w->exitCode(), 0);
        }
        std::vector<NotifyRecord> list;
        QCOMPARE(NotifyList(&list), NotifyOk);
        QCOMPARE(list.size(), size_t(100));
        QSet<QString> args;
        QSet<uint32_t> handles;
        for (const NotifyRecord& r : list) {
            args << QString::fromStdString(r.trigger.arguments);
            handles << r.handle;
        }
        QCOMPARE(args.size(), 100);
        QCOMPARE(handles.size(), 100);
        QVERIFY(args.contains("p3-24"));
        QVERIFY(!args.contains("old"));
        // The printed handles are the stored ones.
        for (int p = 0; p < 4; ++p) {
            QFile f(m_home.path() + QString("/handles%1.txt").arg(p));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
            QCOMPARE(lines.size(), 25);
            for (const QByteArray& l : lines)
                QVERIFY(handles.contains(l.toUInt()));
        }
    }

    // The stores hold every alarm's text and the schedule; the logs what rang and
    // when. None of it may be readable by other users, whatever the umask or the
    // mode of a device directory made with a plain mkdir.
    void storesAndLogsArePrivate_data()
    {
        QTest::addColumn<bool>("olderFiles"); // files made earlier, readable by all
        QTest::newRow("new files") << false;
        QTest::newRow("older files readable by others") << true;
    }
    void storesAndLogsArePrivate()
    {
        QFETCH(bool, olderFiles);
        const QByteArray home = QFile::encodeName(m_home.path());
        QCOMPARE(::chmod(home.constData(), 0755), 0);
        const QStringList files = {"registry.db", "registry.db-wal", "registry.db-shm", "notifications.db",
                                   "notifications.db-wal", "notifications.db-shm", "notifyd.log"};
        if (olderFiles) {
            for (const QString& name : {QString("registry.db"), QString("notifications.db"), QString("notifyd.log")}) {
                const QByteArray path = home + "/" + name.toUtf8();
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
                QVERIFY(fd >= 0);
                ::close(fd);
                QCOMPARE(::chmod(path.constData(), 0644), 0);
            }
        }
        const mode_t old = ::umask(022);
        RegKey key;
        const RegResult created = RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &key);
        const RegResult written = key.WriteDword("firstLaunch", 0);
        const uint32_t handle = NotifySetTime(Trigger("private", {2099, 1, 4, 1, 0, 0, 0, 0}));
        ::umask(old);
        QCOMPARE(created, RegOk);
        QCOMPARE(written, RegOk);
        QVERIFY(handle != 0);
        QVERIFY(WaitFor([&] { return QFile::exists(m_home.filePath("notifyd.log")); }, 5000));
        // The connections of this process and of the service keep -wal and -shm.
        for (const QString& name : files) {
            struct stat st{};
            QVERIFY2(::stat(QFile::encodeName(m_home.filePath(name)).constData(), &st) == 0, qPrintable(name));
            QVERIFY2((st.st_mode & 07777) == 0600, qPrintable(name + QString(" has mode %1").arg(st.st_mode & 07777, 0, 8)));
        }
    }

    void toolListsAddsAndClears()
    {
        const QString tool = QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-notify";
        auto run = [&](const QStringList& args, QByteArray* out) {
            QProcess p;
            p.start(tool, args);
            p.waitForFinished(10000);
            if (out)
                *out = p.readAllStandardOutput();
            return p.exitCode();
        };
        QByteArray out;
        QCOMPARE(run({"add", "--at", "2099-05-06 07:08:09", "/opt/b", "two words"}, &out), 0);
        const QByteArray second = out.trimmed();
        QCOMPARE(run({"add", "--at", "2099-05-06 07:08:08", "/opt/a"}, &out), 0);
        const QByteArray first = out.trimmed();
        QCOMPARE(run({"list"}, &out), 0);
        QCOMPARE(out, first + "\t2099-05-06 07:08:08\t/opt/a\t\n" + second + "\t2099-05-06 07:08:09\t/opt/b\ttwo words\n");
        QCOMPARE(run({"clear", QString(first)}, nullptr), 0);
        QCOMPARE(run({"clear", QString(first)}, nullptr), 1);
        QCOMPARE(run({"add", "--at", "2099-02-30 00:00:00", "/opt/a"}, nullptr), 2);
        QCOMPARE(run({"frobnicate"}, nullptr), 2);
        QCOMPARE(run({"--help"}, &out), 0);
        QVERIFY(out.contains("dawnbell-notify list"));
        QCOMPARE(run({"--version"}, &out), 0);
        QVERIFY2(QRegularExpression("^dawnbell-notify \\d+\\.\\d+\\.\\d+\n$").match(QString(out)).hasMatch(), out.constData());
        QCOMPARE(run({"list"}, &out), 0);
        QCOMPARE(out.count('\n'), 1);
    }

    // At the alarm time the program is started in the user's session as it is
    // then: the service manager's environment first, then logind's local
    // graphical sessions (the active one first), then the service's own
    // environment; a display whose socket is gone is passed over and said so.
    // Two records due at once both start, with the same display.
    void displayAtTheAlarmTime_data()
    {
        QTest::addColumn<QString>("manager");     // "answers", "hangs" or "fails"
        QTest::addColumn<QStringList>("managerEnv");
        QTest::addColumn<QString>("logind");      // "answers", "hangs" or "fails"
        QTest::addColumn<QStringList>("sessions"); // "ID|UID|Type|Display|Active|Remote"
        QTest::addColumn<QString>("ownWayland");  // the service's own WAYLAND_DISPLAY
        QTest::addColumn<QStringList>("sockets"); // made in the runtime directory
        QTest::addColumn<QString>("env");         // what the program gets
        QTest::addColumn<QStringList>("logged");
        // %X: the Xvfb display; %GONE: an X display nobody serves; %RUN: the
        // runtime directory; %UID: our user id; %OTHER: another user's.
        QTest::newRow("manager names a Wayland display")
            << "answers"
            << QStringList{"LANG=C.UTF-8", "WAYLAND_DISPLAY=wl-manager", "XDG_SESSION_TYPE=wayland",
                           "XDG_RUNTIME_DIR=%RUN", "DBUS_SESSION_BUS_ADDRESS=unix:path=%RUN/bus-manager"}
            << "answers" << QStringList{"7|%UID|wayland||yes|no"} << "wl-own"
            << QStringList{"wl-manager", "wayland-3", "wl-own"}
            << "WAYLAND_DISPLAY=wl-manager\tXDG_SESSION_TYPE=wayland\tDBUS_SESSION_BUS_ADDRESS=unix:path=%RUN/bus-manager"
               "\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"on WAYLAND_DISPLAY=wl-manager from the service manager's environment"};
        QTest::newRow("manager names an X display")
            << "answers" << QStringList{"DISPLAY=%X", "XAUTHORITY=$'/home/u/.Xauthority\\x2dmanager'"} << "fails"
            << QStringList{} << "" << QStringList{}
            << "DISPLAY=%X\tXDG_SESSION_TYPE=x11\tXAUTHORITY=/home/u/.Xauthority-manager\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"on DISPLAY=%X from the service manager's environment"};
        QTest::newRow("manager hangs: logind's Wayland session, text and foreign sessions passed over")
            << "hangs" << QStringList{} << "answers"
            << QStringList{"2|%UID|tty||yes|no", "4|%OTHER|wayland||yes|no", "7|%UID|wayland||yes|no"} << ""
            << QStringList{"wayland-12", "wayland-3", "bus"}
            << "WAYLAND_DISPLAY=wayland-3\tXDG_SESSION_TYPE=wayland\tDBUS_SESSION_BUS_ADDRESS=unix:path=%RUN/bus"
               "\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"the service manager (%RUN/systemctl) did not answer within 2000 ms",
                           "on WAYLAND_DISPLAY=wayland-3 from logind session 7 (wayland)"};
        QTest::newRow("manager silent: logind's active X session before an inactive and a remote one")
            << "fails" << QStringList{} << "answers"
            << QStringList{"8|%UID|wayland||yes|yes", "3|%UID|wayland||no|no", "5|%UID|x11|%X|yes|no"} << ""
            << QStringList{"wayland-0"} << "DISPLAY=%X\tXDG_SESSION_TYPE=x11\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"the service manager (%RUN/systemctl) answered with exit status 1",
                           "on DISPLAY=%X from logind session 5 (x11)"};
        QTest::newRow("manager's displays gone: logind")
            << "answers" << QStringList{"WAYLAND_DISPLAY=wl-gone", "DISPLAY=%GONE", "XDG_RUNTIME_DIR=%RUN"}
            << "answers" << QStringList{"7|%UID|wayland||yes|no"} << "" << QStringList{"wayland-2"}
            << "WAYLAND_DISPLAY=wayland-2\tXDG_SESSION_TYPE=wayland\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"names WAYLAND_DISPLAY=wl-gone, whose socket %RUN/wl-gone is gone: passed over",
                           "names DISPLAY=%GONE, whose socket /tmp/.X11-unix/X%GONENUMBER is gone: passed over",
                           "on WAYLAND_DISPLAY=wayland-2 from logind session 7 (wayland)"};
        QTest::newRow("manager and logind silent: the service's own display")
            << "fails" << QStringList{} << "hangs" << QStringList{} << "wl-own" << QStringList{"wl-own"}
            << "WAYLAND_DISPLAY=wl-own\tQT_QPA_PLATFORM=offscreen"
            << QStringList{"logind (%RUN/loginctl) did not answer within 2000 ms",
                           "on WAYLAND_DISPLAY=wl-own from the service's own environment"};
        QTest::newRow("every display gone: none")
            << "answers" << QStringList{"LANG=C"} << "answers" << QStringList{"7|%UID|x11|%GONE|yes|no"} << "wl-stale"
            << QStringList{} << "QT_QPA_PLATFORM=offscreen"
            << QStringList{"the service manager's environment names no display",
                           "logind session 7 (x11) names DISPLAY=%GONE, whose socket",
                           "the service's own environment names WAYLAND_DISPLAY=wl-stale, whose socket "
                           "%RUN/wl-stale is gone: passed over",
                           "without a display: none of the service manager, logind and the service's own "
                           "environment names one that exists"};
    }
    void displayAtTheAlarmTime()
    {
        QFETCH(QString, manager);
        QFETCH(QStringList, managerEnv);
        QFETCH(QString, logind);
        QFETCH(QStringList, sessions);
        QFETCH(QString, ownWayland);
        QFETCH(QStringList, sockets);
        QFETCH(QString, env);
        QFETCH(QStringList, logged);
        const bool needsX = (managerEnv + sessions).join(' ').contains("%X");
        if (needsX && m_xDisplay.isEmpty())
            QSKIP("needs Xvfb");
        auto fill = [&](QString text) {
            return text.replace("%X", m_xDisplay)
                .replace("%GONENUMBER", m_goneDisplay.mid(1))
                .replace("%GONE", m_goneDisplay)
                .replace("%RUN", m_runtime)
                .replace("%UID", QString::number(::getuid()))
                .replace("%OTHER", QString::number(::getuid() + 1));
        };
        auto answer = [&](const QString& how, const QByteArray& check, const QByteArray& body) {
            if (how == "hangs")
                return QByteArray("sleep 30\n");
            if (how == "fails")
                return QByteArray("exit 1\n");
            return check + body;
        };
        QByteArray lines;
        for (const QString& line : managerEnv)
            lines += fill(line).toUtf8() + "\n";
        const QString systemctl = m_runtime + "/systemctl";
        QVERIFY(WriteScript(systemctl, answer(manager, "[ \"$*\" = '--user show-environment' ] || exit 2\n",
                                              "cat <<'EOF'\n" + lines + "EOF\n")));
        QByteArray list, show;
        for (const QString& session : sessions) {
            const QStringList f = fill(session).split('|');
            list += "   " + f[0].toUtf8() + " " + f[1].toUtf8() + " someone seat0 tty" + f[0].toUtf8() + "\n";
            show += f[0].toUtf8() + ") printf 'Type=%s\\nDisplay=%s\\nActive=%s\\nRemote=%s\\nState=%s\\n' '" +
                    f[2].toUtf8() + "' '" + f[3].toUtf8() + "' '" + f[4].toUtf8() + "' '" + f[5].toUtf8() + "' '" +
                    (f[4] == "yes" ? "active" : "online") + "';;\n";
        }
        const QString loginctl = m_runtime + "/loginctl";
        QVERIFY(WriteScript(loginctl,
                            answer(logind, "",
                                   "if [ \"$*\" = 'list-sessions --no-legend --no-pager' ]; then\ncat <<'EOF'\n" +
                                       list + "EOF\nexit 0\nfi\n"
                                   "[ \"$1\" = show-session ] || exit 2\nid=$2\nshift 2\n"
                                   "[ \"$*\" = '-p Type -p Display -p Active -p Remote -p State --no-pager' ] || exit 2\n"
                                   "case \"$id\" in\n" + show + "*) exit 1;;\nesac\n")));
        qputenv("DAWNBELL_SYSTEMCTL", systemctl.toUtf8());
        qputenv("DAWNBELL_LOGINCTL", loginctl.toUtf8());
        for (const QString& socket : sockets)
            QVERIFY(BindSocket(m_runtime + "/" + socket));
        // Not sockets: a plain file and a lock file beside the Wayland sockets.
        QFile(m_runtime + "/wayland-1").open(QIODevice::WriteOnly);
        QFile(m_runtime + "/wayland-0.lock").open(QIODevice::WriteOnly);
        if (!ownWayland.isEmpty())
            qputenv("WAYLAND_DISPLAY", ownWayland.toUtf8());
        const QString envFile = m_home.filePath("env.txt");
        qputenv("NOTIFY_ENV_FILE", envFile.toUtf8());

        const clock::LocalTime at = InMs(1000);
        QVERIFY(NotifySetTime(Trigger("first", at)) != 0);
        QVERIFY(NotifySetTime(Trigger("second", at)) != 0);
        const QString log = m_home.filePath("notifyd.log");
        QVERIFY2(WaitFor([&] { return Runs(m_argvFile).size() == 2; }, 15000), qPrintable(ReadAll(log)));
        QVERIFY(WaitFor([&] { return ReadAll(log).count("has taken the alarm in hand") == 2; }, 5000));
        QCOMPARE(Runs(m_argvFile).size(), 2);
        const QString expected = fill(env) + "\t" + DueItem(at);
        QCOMPARE(ReadAll(envFile), expected + "\n" + expected + "\n");
        const QString text = ReadAll(log);
        for (const QString& part : logged)
            QVERIFY2(text.contains(fill(part)), qPrintable(fill(part) + "\n--- not in ---\n" + text));
        // One line per start names the display and where it came from.
        QCOMPARE(text.count(fill(logged.last())), 2);
    }

    // The program's standard error goes to dawnbell.log and its end is reaped: a
    // start that fails before the program has taken its alarm in hand is logged
    // with how it ended and its last words, and made once more without a
    // display; one that hangs is stopped after the start bound. A program that
    // has taken its alarm in hand is never stopped or started again.
    void failedStartIsRetriedWithoutADisplay_data()
    {
        QTest::addColumn<QString>("mode");          // NotifyArgvRecorder's NOTIFY_ARGV_MODE
        QTest::addColumn<QStringList>("envs");      // the session variables of each run
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<bool>("runsOn");           // still running after the start bound
        const QString shown = "WAYLAND_DISPLAY=wl-own\tQT_QPA_PLATFORM=offscreen";
        const QString headless = "";
        QTest::newRow("exit 1 before handling")
            << "fail-with-display" << QStringList{shown, headless}
            << QStringList{"failed before it took the alarm in hand: it ended with exit status 1; its last words: "
                           "\"recorder: cannot open the display\"; starting it again without a display",
                           "[alarm] (process %RETRY) has taken the alarm in hand"}
            << false;
        QTest::newRow("killed by a signal before handling")
            << "abort-with-display" << QStringList{shown, headless}
            << QStringList{"it ended with signal 6 (SIGABRT); its last words: \"recorder: giving up\"; starting it "
                           "again without a display"}
            << false;
        QTest::newRow("hangs before handling")
            << "hang-with-display" << QStringList{shown, headless}
            << QStringList{"it neither reported nor ended within 2 s and was stopped; starting it again without a "
                           "display"}
            << false;
        QTest::newRow("fails without a display too")
            << "fail-always" << QStringList{shown, headless}
            << QStringList{"starting it again without a display",
                           "(process %RETRY) failed before it took the alarm in hand: it ended with exit status 1; "
                           "its last words: \"recorder: cannot open the display\"; it failed without a display too: "
                           "the alarm could not be rung"}
            << false;
        QTest::newRow("fails after handling") << "report-then-fail" << QStringList{shown}
            << QStringList{"ended with exit status 3 after it had taken the alarm in hand"} << false;
        QTest::newRow("ends without reporting") << "silent" << QStringList{shown}
            << QStringList{"(process %FIRST) ended (exit status 0)"} << false;
        QTest::newRow("runs on after handling") << "report-then-hang" << QStringList{shown}
            << QStringList{"(process %FIRST) has taken the alarm in hand"} << true;
    }
    void failedStartIsRetriedWithoutADisplay()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, envs);
        QFETCH(QStringList, logged);
        QFETCH(bool, runsOn);
        QVERIFY(BindSocket(m_runtime + "/wl-own"));
        qputenv("WAYLAND_DISPLAY", "wl-own");
        qputenv("NOTIFY_ARGV_MODE", mode.toUtf8());
        qputenv("DAWNBELL_START_TIMEOUT", "2");
        const QString envFile = m_home.filePath("env.txt");
        qputenv("NOTIFY_ENV_FILE", envFile.toUtf8());
        const QString log = m_home.filePath("notifyd.log");

        const clock::LocalTime at = InMs(500);
        QVERIFY(NotifySetTime(Trigger("alarm", at)) != 0);
        QVERIFY2(WaitFor([&] { return Runs(m_argvFile).size() == envs.size(); }, 10000), qPrintable(ReadAll(log)));
        QVERIFY2(WaitFor([&] { return ReadAll(log).contains(logged.last().section("%", 0, 0)); }, 10000),
                 qPrintable(ReadAll(log)));
        QTest::qWait(2500); // past the start bound: nothing more happens
        const QString text = ReadAll(log);
        QCOMPARE(Runs(m_argvFile), QList<QStringList>(envs.size(), QStringList{"alarm"}));
        QString expected;
        for (const QString& e : envs)
            expected += (e.isEmpty() ? "" : e + "\t") + DueItem(at) + "\n";
        QCOMPARE(ReadAll(envFile), expected);
        const pid_t first = StartedPid(text, "alarm");
        QVERIFY(first > 0);
        const QRegularExpressionMatch retry =
            QRegularExpression("started \\S+ \\[alarm\\] \\(process (\\d+)\\) again without a display").match(text);
        QCOMPARE(retry.hasMatch(), envs.size() == 2);
        for (QString part : logged) {
            part.replace("%FIRST", QString::number(first)).replace("%RETRY", retry.captured(1));
            QVERIFY2(text.contains(part), qPrintable(part + "\n--- not in ---\n" + text));
        }
        QCOMPARE(::kill(first, 0) == 0 && !IsDead(first), runsOn);
        if (runsOn)
            ::kill(first, SIGKILL);
        // Only a start that failed for good leaves a missed alarm, due when the record was.
        std::vector<MissedAlarm> missed;
        QCOMPARE(NotifyMissedAlarms(&missed), NotifyOk);
        QCOMPARE(missed.size(), size_t(mode == "fail-always" ? 1 : 0));
        if (!missed.empty()) {
            QCOMPARE(missed[0].arguments, std::string("alarm"));
            QCOMPARE(clock::FromLocal(missed[0].due), clock::FromLocal(at));
            QVERIFY(QString::fromStdString(missed[0].reason).startsWith("the program failed before it took the alarm "
                                                                        "in hand: it ended with exit status 1"));
        }
        // Its standard error is in the program's log.
        if (mode == "fail-with-display" || mode == "fail-always")
            QVERIFY(ReadAll(m_home.filePath("dawnbell.log"))
                        .contains("recorder: warming up\nrecorder: cannot open the display\n"));
    }

    // A service told to end while a start is still in question settles it first
    // (here: the hung program stopped and started again without a display), and
    // the service started after it starts nothing twice.
    void endingServiceSettlesItsStarts()
    {
        QVERIFY(BindSocket(m_runtime + "/wl-own"));
        qputenv("WAYLAND_DISPLAY", "wl-own");
        qputenv("NOTIFY_ARGV_MODE", "hang-with-display");
        qputenv("DAWNBELL_START_TIMEOUT", "2");
        const QString log = m_home.filePath("notifyd.log");
        QVERIFY(NotifySetTime(Trigger("alarm", InMs(300))) != 0);
        QVERIFY(WaitFor([&] { return Runs(m_argvFile).size() == 1; }, 5000));
        const pid_t service = NotifyDaemonPid();
        QVERIFY(service > 0);
        QCOMPARE(::kill(service, SIGTERM), 0);
        QVERIFY(WaitFor([&] { return ReadAll(log).contains("SIGTERM received; ending once"); }, 3000));
        QVERIFY(!IsDead(service));
        QVERIFY2(WaitFor([&] { return IsDead(service); }, 8000), qPrintable(ReadAll(log)));
        QCOMPARE(Runs(m_argvFile).size(), 2);
        QVERIFY2(ReadAll(log).contains("again without a display") && ReadAll(log).endsWith("SIGTERM received; ending\n"),
                 qPrintable(ReadAll(log)));
        QVERIFY(NotifyEnsureDaemon());
        QTest::qWait(1000);
        QCOMPARE(Runs(m_argvFile).size(), 2);
    }

    // The service started from an environment without any display rings an
    // alarm with the real program on the display the service manager names: the
    // ringing window shows on that X server. Of two alarms due in the same
    // second, one start hands its key to the other, which rings and holds the
    // key to ring in turn: both starts have their alarm in hand at once and
    // neither is taken for hung.
    void alarmRingsOnTheManagersDisplay_data()
    {
        QTest::addColumn<int>("alarms");
        QTest::newRow("one alarm") << 1;
        QTest::newRow("two alarms due in the same second") << 2;
    }
    void alarmRingsOnTheManagersDisplay()
    {
        QFETCH(int, alarms);
        if (m_xDisplay.isEmpty())
            QSKIP("needs Xvfb");
        qunsetenv("QT_QPA_PLATFORM");
        // libxkbcommon-x11 copies X atom names with strndup of their exact
        // length; the sanitizer build's strict string checks take that for an
        // overflow and end the program before its window exists.
        const QByteArray asan = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "strict_string_checks=0");
        const auto restoreAsan = qScopeGuard([asan] { qputenv("ASAN_OPTIONS", asan); });
        const QString systemctl = m_runtime + "/systemctl";
        QVERIFY(WriteScript(systemctl, "echo DISPLAY=" + m_xDisplay.toUtf8() + "\necho XDG_SESSION_TYPE=x11\n"));
        qputenv("DAWNBELL_SYSTEMCTL", systemctl.toUtf8());
        const QString trace = m_home.filePath("trace.txt");
        qputenv("DAWNBELL_TRACE", trace.toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        qputenv("DAWNBELL_START_TIMEOUT", "3");
        QStringList keys;
        for (int i = 0; i < alarms; ++i) {
            QProcess add;
            add.start(QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell-alarm",
                      {"add", "--time", QString("03:1%1").arg(i), "--title", QString("Session %1").arg(i)});
            QVERIFY(add.waitForFinished(20000));
            QCOMPARE(add.exitCode(), 0);
            keys << QString::fromUtf8(add.readAllStandardOutput()).trimmed();
            QVERIFY(!keys.last().isEmpty());
        }

        const QString program = QString(DAWNBELL_PROGRAM_DIR) + "/dawnbell";
        const clock::LocalTime at = InMs(1000);
        for (const QString& key : keys) {
            NotifyTrigger t = Trigger(key.toStdString(), at);
            t.application = program.toStdString();
            QVERIFY(NotifySetTime(t) != 0);
        }
        const QString log = m_home.filePath("notifyd.log");
        QVERIFY2(WaitFor([&] { return ReadAll(log).count("has taken the alarm in hand") == alarms; }, 20000),
                 qPrintable(ReadAll(log) + ReadAll(m_home.filePath("dawnbell.log"))));
        QList<pid_t> pids;
        for (const QString& key : keys) {
            const QString text = ReadAll(log);
            pids << StartedPid(text, key);
            QVERIFY2(pids.last() > 0 && text.contains(QString("started %1 [%2] (process %3) on DISPLAY=%4 from the "
                                                              "service manager's environment")
                                                          .arg(program, key)
                                                          .arg(pids.last())
                                                          .arg(m_xDisplay)),
                     qPrintable(text));
        }
        QVERIFY2(WaitFor([&] { return ReadAll(trace).contains("window-shown"); }, 20000),
                 qPrintable(ReadAll(trace) + ReadAll(log) + ReadAll(m_home.filePath("dawnbell.log"))));
        // The ringing window, the size of the whole screen, is on the X server.
        QProcess windows;
        windows.start("xwininfo", {"-display", m_xDisplay, "-root", "-children"});
        if (windows.waitForFinished(10000)) {
            const QString tree = QString::fromUtf8(windows.readAllStandardOutput());
            QVERIFY2(tree.contains("(\"dawnbell\" \"Dawnbell\")  480x640+0+0"), qPrintable(tree));
        }
        QTest::qWait(3500); // past the start bound: nobody is stopped or started again
        const QString text = ReadAll(log);
        QVERIFY2(!text.contains("neither reported") && !text.contains("again without a display"), qPrintable(text));
        // One program rings (whichever took the instance lock first); the key
        // the other one handed it waits for its turn.
        QCOMPARE(std::count_if(pids.begin(), pids.end(), [](pid_t pid) { return !IsDead(pid); }), 1);
        for (pid_t pid : pids)
            ::kill(pid, SIGKILL);
        for (pid_t pid : pids)
            QVERIFY(WaitFor([&] { return IsDead(pid); }, 15000));
    }

private:
    // Ends the service of the current device directory and waits until its lock
    // is free.
    void StopDaemon(int signal)
    {
        pid_t pid = 0;
        WaitFor([&] { pid = NotifyDaemonPid(); return pid != -1; }, 2000);
        if (pid > 0) {
            ::kill(pid, signal);
            WaitFor([] { return NotifyDaemonPid() == 0; }, 5000);
        }
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
    QString m_argvFile;
    QString m_runtime;       // XDG_RUNTIME_DIR of the test and its services
    QProcess m_xvfb;         // an X server for the whole run, when Xvfb is installed
    QString m_xDisplay;      // its display (":N"), empty without one
    QString m_goneDisplay;   // an X display without a server
};

QTEST_GUILESS_MAIN(NotifyDaemonTest)
#include "NotifyDaemonTest.moc"
