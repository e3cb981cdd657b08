// `dawnbell reinit` end to end: the real program rebuilds the schedule from the
// registry, `dawnbell-notify list` shows the records, and the real service starts
// the program for them.
#include "Notify.h"
#include "TempHome.h"
#include "Profile.h"
#include "Registry.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

using namespace dawnbell;

namespace {

const QString kBin = QStringLiteral(DAWNBELL_PROGRAM_DIR);
// 07:00 Monday to Friday, and 08:00 without repeat days.
const QString kWeekdays = QString::number(7 * 3600 * 128 + 31);
const QString kOnce = QString::number(8 * 3600 * 128);

void StoreAlarm(const QString& section, uint32_t activated)
{
    RegKey key;
    const std::string path = (Profile::RootPath() + "\\" + section).toStdString();
    QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &key), RegOk);
    QCOMPARE(key.WriteDword("activated", activated), RegOk);
    QCOMPARE(key.WriteDword("type", 1), RegOk);
}

// The session's screensaver, played by the test on a private session bus: at
// each SimulateUserActivity it notes how many starts the service holds.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QList<int> recordsAtCall; // notification records at each call

public slots:
    void SimulateUserActivity()
    {
        std::vector<notify::NotifyRecord> records;
        notify::NotifyList(&records);
        recordsAtCall << int(records.size());
    }
};

} // namespace

class ReinitTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        Profile::SetRegistryKey("Torvane");
        StoreAlarm(kWeekdays, 1);
        StoreAlarm(kOnce, 1);
        StoreAlarm("TMorning Mist", 1); // templates are never scheduled
        StoreAlarm(QString::number(9 * 3600 * 128), 0);
        RegFlush(Hive::CurrentUser);
        RegCloseStore();
    }
    void cleanup()
    {
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        // Programs the service started must not outlive the test either; the
        // service's log names them ("(process N)").
        QFile log(m_home.path() + "/notifyd.log");
        if (log.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(log.readAll());
            static const QRegularExpression started(QStringLiteral("\\(process (\\d+)\\)"));
            for (auto it = started.globalMatch(text); it.hasNext();) {
                const pid_t pid = it.next().captured(1).toInt();
                const QString exe = QFile::symLinkTarget(QString("/proc/%1/exe").arg(pid));
                if (pid > 0 && exe.endsWith("/dawnbell"))
                    ::kill(pid, SIGKILL);
            }
        }
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void schedulesTheSaturdayExample()
    {
        // A Saturday still ahead of the real clock: nothing fires during the test.
        QCOMPARE(Run("dawnbell", {"reinit"}, "2027-01-02T09:00:00"), 0);
        QString list;
        QCOMPARE(Run("dawnbell-notify", {"list"}, "", &list), 0);
        const QStringList lines = list.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QString program = kBin + "/dawnbell";
        QVERIFY2(lines[0].endsWith("\t2027-01-03 08:00:00\t" + program + "\t" + kOnce), qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith("\t2027-01-04 07:00:00\t" + program + "\t" + kWeekdays), qPrintable(lines[1]));

        // A second run replaces the records instead of adding to them.
        QCOMPARE(Run("dawnbell", {"reinit"}, "2027-01-02T09:00:00"), 0);
        QCOMPARE(Run("dawnbell-notify", {"list"}, "", &list), 0);
        QCOMPARE(list.split('\n', Qt::SkipEmptyParts).size(), 2);
    }

    void theServiceStartsTheProgramWithEachKey()
    {
        // The same week in the past of the real clock: both times have come, so
        // the service starts the program for each at once.
        QCOMPARE(Run("dawnbell", {"reinit"}, "2026-11-28T09:00:00"), 0);
        const QString log = m_home.path() + "/notifyd.log";
        const QString program = kBin + "/dawnbell";
        QElapsedTimer t;
        t.start();
        QString text;
        while (t.elapsed() < 8000) {
            QFile f(log);
            if (f.open(QIODevice::ReadOnly))
                text = QString::fromUtf8(f.readAll());
            // The service's own start is logged as "started" too.
            if (text.count("started " + program + " [") >= 2)
                break;
            QTest::qWait(50);
        }
        QVERIFY2(text.contains("started " + program + " [" + kOnce + "]"), qPrintable(text));
        QVERIFY2(text.contains("started " + program + " [" + kWeekdays + "]"), qPrintable(text));
        QString list;
        QCOMPARE(Run("dawnbell-notify", {"list"}, "", &list), 0);
        QCOMPARE(list, QString()); // consumed when they fired
    }

    void resetsTheSessionIdleTimerLast()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address",
                                                    "--address=unix:path=" + m_home.path() + "/bus"});
        QVERIFY2(daemon.waitForStarted(5000), "dbus-daemon (Debian package dbus-daemon) is needed");
        QVERIFY(daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        FakeScreenSaver saver;
        {
            QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("test-session"));
            QVERIFY(bus.isConnected());
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                       QDBusConnection::ExportAllSlots));
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DAWNBELL_HOME", m_home.path());
        env.insert("DAWNBELL_NOW", "2027-01-02T09:00:00");
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        program.setProcessEnvironment(env);
        program.start(kBin + "/dawnbell", {"reinit"});
        // The event loop runs meanwhile, so the screensaver answers.
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 20000);
        QCOMPARE(program.exitCode(), 0);
        // Once, after both alarms were registered.
        QCOMPARE(saver.recordsAtCall, QList<int>{2});
        QDBusConnection::disconnectFromBus(QStringLiteral("test-session"));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(5000));
    }

private:
    int Run(const QString& tool, const QStringList& args, const QString& now, QString* out = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DAWNBELL_HOME", m_home.path());
        if (!now.isEmpty())
            env.insert("DAWNBELL_NOW", now);
        else
            env.remove("DAWNBELL_NOW");
        p.setProcessEnvironment(env);
        p.start(kBin + "/" + tool, args);
        if (!p.waitForFinished(30000))
            return -1;
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
};

QTEST_GUILESS_MAIN(ReinitTest)
#include "ReinitTest.moc"
