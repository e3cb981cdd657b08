// `dawnbell reinit` end to end: the real program rebuilds the schedule from the
// registry, `dawnbell-notify list` shows the records, and the real service starts
// the program for them.
#include "Clock.h"
#include "Notify.h"
#include "NotifyStore.h"
#include "TempHome.h"
#include "Profile.h"
#include "Registry.h"
#include "TestServers.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// The desktop's notification service, played by the test on a private session
// bus: it keeps each notification it is asked to show as "summary|body".
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        shown << summary + "|" + body;
        return uint(shown.size());
    }
};

// An alarm section with a title, switched on.
void StoreTitled(const QString& section, const QString& title)
{
    RegKey key;
    const std::string path = (Profile::RootPath() + "\\" + section).toStdString();
    QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &key), RegOk);
    QCOMPARE(key.WriteDword("activated", 1), RegOk);
    QCOMPARE(key.WriteDword("type", 0), RegOk);
    QCOMPARE(key.WriteString("title", title.toStdU16String()), RegOk);
}

// A due time as a notice names it: "HH:MM" on the day of `now`, with the date
// before it ("YYYY-MM-DD HH:MM") on another day (a run just after midnight).
QString DueAsTold(int64_t moment, int64_t now)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    const clock::LocalTime today = clock::ToLocal(now);
    const QString time = QString::asprintf("%02d:%02d", t.hour, t.minute);
    if (t.year == today.year && t.month == today.month && t.day == today.day)
        return time;
    return QString::asprintf("%04d-%02d-%02d ", t.year, t.month, t.day) + time;
}

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

    void aStoppedServiceOverTheAlarmTimeIsToldOnce()
    {
        // While the service was stopped, a daily alarm's time passed 2 h ago and
        // a one-time alarm's 3 h ago (real times: the service fires on the real
        // clock). Their records still wait in the store, written there directly
        // so that no service starts to fire them.
        const int64_t now = clock::RealNow();
        const int64_t dueDaily = now - 2 * 3600, dueOnce = now - 3 * 3600;
        auto key = [](int64_t due, int days) {
            const clock::LocalTime t = clock::ToLocal(due);
            return QString::number((t.hour * 3600 + t.minute * 60 + t.second) * 128 + days);
        };
        const QString gym = key(dueDaily, 127), dentist = key(dueOnce, 0);
        StoreTitled(gym, "Gym");
        StoreTitled(dentist, "Dentist");
        RegFlush(Hive::CurrentUser);
        RegCloseStore();
        {
            notify::NotifyStore store;
            QCOMPARE(store.Open((m_home.path() + "/notifications.db").toStdString()), notify::NotifyOk);
            for (const auto& [k, due] : {std::pair{dentist, dueOnce}, std::pair{gym, dueDaily}}) {
                notify::NotifyTrigger t;
                t.application = (kBin + "/dawnbell").toStdString();
                t.arguments = k.toStdString();
                t.start = t.end = clock::ToLocal(due);
                QCOMPARE(store.Insert(t, nullptr), notify::NotifyOk);
            }
        }

        test::PrivateBus bus;
        if (const QString why = bus.Start(m_home.path()); !why.isEmpty())
            QSKIP(qPrintable(why));
        FakeNotifications desktop;
        {
            QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("test-desktop"));
            QVERIFY(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
            QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &desktop,
                                              QDBusConnection::ExportAllSlots));
        }
        // The service comes back and rebuilds the schedule (as at login), twice.
        for (int run = 0; run < 2; ++run) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DAWNBELL_HOME", m_home.path());
            env.remove("DAWNBELL_NOW");
            env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
            program.setProcessEnvironment(env);
            program.start(kBin + "/dawnbell", {"reinit"});
            // The event loop runs meanwhile, so the desktop answers.
            QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 20000);
            QCOMPARE(program.exitCode(), 0);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("test-desktop"));

        // One notice each, oldest first, with title, due time and delay, though
        // the schedule was rebuilt twice.
        QCOMPARE(desktop.shown.size(), 2);
        QCOMPARE(desktop.shown[0], "Missed alarm: Dentist|It was due at " + DueAsTold(dueOnce, now) +
                                       " and did not ring (noticed 3 h 00 min later).");
        QCOMPARE(desktop.shown[1], "Missed alarm: Gym|It was due at " + DueAsTold(dueDaily, now) +
                                       " and did not ring (noticed 2 h 00 min later).");

        // The daily alarm keeps its next occurrence; the one-time alarm is off,
        // not moved to tomorrow.
        QString text;
        QCOMPARE(Run("dawnbell-notify", {"list"}, "", &text), 0);
        QCOMPARE(text.split('\n', Qt::SkipEmptyParts).size(), 3); // with the two alarms of init()
        QCOMPARE(text.count("\t" + dentist + "\n"), 0);
        const clock::LocalTime next = clock::ToLocal(clock::AddDays(dueDaily, 1));
        QVERIFY2(text.contains(QString::asprintf("\t%04d-%02d-%02d %02d:%02d:%02d\t", next.year, next.month, next.day,
                                                 next.hour, next.minute, next.second) +
                               kBin + "/dawnbell\t" + gym + "\n"),
                 qPrintable(text));

        QCOMPARE(Run("dawnbell-alarm", {"list", "--json"}, "", &text), 0);
        const QJsonObject root = QJsonDocument::fromJson(text.toUtf8()).object();
        const QJsonArray missed = root["missed"].toArray();
        QCOMPARE(missed.size(), 2);
        const QJsonObject newest = missed[0].toObject(), oldest = missed[1].toObject();
        QCOMPARE(newest["key"].toString(), gym);
        QCOMPARE(newest["title"].toString(), QString("Gym"));
        const clock::LocalTime due = clock::ToLocal(dueDaily);
        QCOMPARE(newest["due"].toString(), QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", due.year, due.month,
                                                             due.day, due.hour, due.minute, due.second));
        QVERIFY(newest["late_seconds"].toInt() >= 2 * 3600 && newest["late_seconds"].toInt() < 2 * 3600 + 60);
        QCOMPARE(newest["told"].toBool(), true);
        QCOMPARE(newest["seen"].toBool(), false);
        QCOMPARE(oldest["key"].toString(), dentist);
        QCOMPARE(oldest["title"].toString(), QString("Dentist"));
        for (const QJsonValue& a : root["alarms"].toArray()) {
            const QJsonObject alarm = a.toObject();
            if (alarm["key"].toString() == dentist) {
                QCOMPARE(alarm["active"].toBool(), false);
                QVERIFY(alarm["next"].isNull());
            } else if (alarm["key"].toString() == gym) {
                QCOMPARE(alarm["active"].toBool(), true);
            }
        }
        QCOMPARE(Run("dawnbell-alarm", {"list"}, "", &text), 0);
        QVERIFY2(text.contains("Missed alarms") && text.contains("Dentist") && text.contains("Gym"), qPrintable(text));

        QFile log(m_home.path() + "/dawnbell.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logged = QString::fromUtf8(log.readAll());
        QCOMPARE(logged.count("Missed alarm \"Dentist\" (key " + dentist + ")"), 1);
        QCOMPARE(logged.count("Missed alarm \"Gym\" (key " + gym + ")"), 1);
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
