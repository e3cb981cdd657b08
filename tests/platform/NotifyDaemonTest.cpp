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
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

} // namespace

class NotifyDaemonTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        NotifyCloseStore();
        m_home.Renew();
        qunsetenv("DAWNBELL_NOTIFYD");
        m_argvFile = m_home.path() + "/argv.txt";
        qputenv("NOTIFY_ARGV_FILE", m_argvFile.toUtf8());
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
            // Under the running service: the file's header and its write-ahead
            // log (which holds the newest pages) lost.
            QVERIFY(file.write(QByteArray(16, '\x5a')) == 16);
            QVERIFY(QFile::resize(db + "-wal", 0));
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
            QVERIFY2(text.contains("rebuilt from the alarms after the damage (notifications stored: 1)"), qPrintable(text));
        } else {
            // Nothing the service could start: the damage is told on every list.
            for (int i = 0; i < 2; ++i) {
                QCOMPARE(list(), 1);
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
};

QTEST_GUILESS_MAIN(NotifyDaemonTest)
#include "NotifyDaemonTest.moc"
