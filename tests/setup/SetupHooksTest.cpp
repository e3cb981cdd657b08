// The install hooks against a real registry, notification store and folders:
// fresh install, update and removal as the installer calls them.
#include "Broadcast.h"
#include "Notify.h"
#include "Registry.h"
#include "RegistryText.h"
#include "SetupHooks.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>

using namespace dawnbell;

namespace {

const char kProgram[] = "Software\\Torvane\\Dawnbell";
const char kTimeouts[] = "System\\CurrentControlSet\\Control\\Power\\Timeouts";
const char kItem[] = "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell";
const char kStart[] = "Security\\Shell\\StartInfo\\Start\\Dawnbell.lnk";

bool Exists(Hive hive, const std::string& path)
{
    RegKey key;
    return RegKey::Open(hive, path, &key) == RegOk;
}

// A value as text: "-" when missing.
QString Value(Hive hive, const std::string& path, const char* name)
{
    return test::RegistryText(hive, path, name);
}

void SetDword(Hive hive, const std::string& path, const char* name, uint32_t value)
{
    RegKey key;
    RegKey::Create(hive, path, &key);
    key.WriteDword(name, value);
}

uint32_t Schedule(const char* application, const char* arguments)
{
    notify::NotifyTrigger t;
    t.application = application;
    t.arguments = arguments;
    t.start = t.end = clock::LocalTime{2037, 3, 1, 16, 7, 0, 0, 0};
    return notify::NotifySetTime(t);
}

QStringList Applications()
{
    std::vector<notify::NotifyRecord> records;
    notify::NotifyList(&records);
    QStringList out;
    for (const auto& r : records)
        out << QString::fromStdString(r.trigger.application);
    return out;
}

} // namespace

class SetupHooksTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath("data").toUtf8());
        m_dir = m_home.filePath("Dawnbell folder");
        QVERIFY(QDir().mkpath(m_dir + "/sounds"));
        QFile(m_dir + "/dawnbell").open(QIODevice::WriteOnly);
        QFile(m_dir + "/Start_Icon_Dawnbell.png").open(QIODevice::WriteOnly);
        QFile(m_dir + "/sounds/ring.mp3").open(QIODevice::WriteOnly);
        QVERIFY(m_broadcast.Open());
    }
    void cleanup()
    {
        m_broadcast.Close();
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        qunsetenv("DAWNBELL_PLATFORM_VERSION");
        m_home.Close();
    }

    void installInit_data()
    {
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("firstLaunchBefore"); // -1: no settings key
        QTest::addColumn<QString>("firstLaunch");
        QTest::addColumn<QString>("updateFlag");
        QTest::addColumn<bool>("installDirWritten");
        QTest::newRow("fresh install on a new device marks a first launch") << false << -1 << "1" << "-" << true;
        QTest::newRow("fresh install keeps earlier settings as they are") << false << 0 << "0" << "-" << true;
        QTest::newRow("update marks itself, settings untouched") << true << 0 << "0" << "1" << true;
        QTest::newRow("update without program data writes nothing") << true << -1 << "-" << "-" << false;
    }
    void installInit()
    {
        QFETCH(bool, update);
        QFETCH(int, firstLaunchBefore);
        QFETCH(QString, firstLaunch);
        QFETCH(QString, updateFlag);
        QFETCH(bool, installDirWritten);
        if (firstLaunchBefore >= 0)
            SetDword(Hive::CurrentUser, std::string(kProgram) + "\\settings", "firstLaunch", uint32_t(firstLaunchBefore));

        QCOMPARE(setup::InstallInit(update, m_dir.toStdString()), 0);
        QCOMPARE(Value(Hive::CurrentUser, std::string(kProgram) + "\\settings", "firstLaunch"), firstLaunch);
        QCOMPARE(Value(Hive::CurrentUser, kProgram, "UpdateInProgress"), updateFlag);
        QCOMPARE(Value(Hive::CurrentUser, kProgram, "InstallDir"), installDirWritten ? m_dir : QStringLiteral("-"));
    }

    void installExit_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("startIconKept");
        QTest::addColumn<int>("firstLaunchBefore"); // -1: no settings key
        QTest::addColumn<bool>("defaultsWritten");
        QTest::newRow("newer platform keeps the start-screen icon; a new store gets the first-launch defaults")
            << QByteArray("5.2.21000") << true << -1 << true;
        QTest::newRow("older platform deletes it; a store marked by Install_Init gets the defaults")
            << QByteArray("5.2.20999") << false << 1 << true;
        QTest::newRow("a store in use keeps its templates as they are") << QByteArray("5.2.21000") << true << 0 << false;
    }
    void installExit()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, startIconKept);
        QFETCH(int, firstLaunchBefore);
        QFETCH(bool, defaultsWritten);
        qputenv("DAWNBELL_PLATFORM_VERSION", version);
        qputenv("DAWNBELL_LANGID", "9"); // English
        const std::string settings = std::string(kProgram) + "\\settings";
        if (firstLaunchBefore >= 0)
            SetDword(Hive::CurrentUser, settings, "firstLaunch", uint32_t(firstLaunchBefore));
        QCOMPARE(setup::InstallExit(m_dir.toStdString()), 0);
        qunsetenv("DAWNBELL_LANGID");

        // The built-in templates with the installed folder's sounds, and the
        // store marked as set up, so the program does not write them again.
        QCOMPARE(Value(Hive::CurrentUser, settings, "firstLaunch"),
                 firstLaunchBefore == 0 || defaultsWritten ? QStringLiteral("0") : QStringLiteral("-"));
        QCOMPARE(Value(Hive::CurrentUser, std::string(kProgram) + "\\TMorning Mist", "playlist0"),
                 defaultsWritten ? m_dir + "/sounds/morningMist.mp3" : QStringLiteral("-"));
        QCOMPARE(Exists(Hive::CurrentUser, std::string(kProgram) + "\\TPizza Timer"), defaultsWritten);
        QCOMPARE(Value(Hive::CurrentUser, settings, "bgColor"),
                 defaultsWritten ? QStringLiteral("15132390") : QStringLiteral("-"));

        QCOMPARE(QFile::exists(m_dir + "/Start_Icon_Dawnbell.png"), startIconKept);
        const QString programs = m_home.filePath("data/applications/Dawnbell.desktop");
        // Each starts the program on this device directory (DAWNBELL_HOME is set).
        const QString exec = "Exec=env \"DAWNBELL_HOME=" + m_home.path() + "\" \"" + m_dir + "/dawnbell\"";
        const struct {
            QString path;
            QString exec;
        } shortcuts[] = {
            {m_dir + "/Reset Dawnbell.desktop", exec + " reset"},
            {m_dir + "/Disable AutoStop.desktop", exec + " autoclose"},
            {programs, exec},
        };
        for (const auto& s : shortcuts) {
            QFile f(s.path);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(s.path));
            const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
            QVERIFY2(lines.contains(s.exec), qPrintable(lines.join(QLatin1Char('|'))));
            QVERIFY(lines.contains(QStringLiteral("Version=1.4")));
            const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
            if (!validate.isEmpty()) {
                QProcess p;
                p.start(validate, {s.path});
                QVERIFY(p.waitForFinished(20000));
                QVERIFY2(p.exitCode() == 0, p.readAllStandardOutput().constData());
            }
        }
        // The today screen is told to reload its items.
        BroadcastMessage m;
        QVERIFY(m_broadcast.Read(&m));
        QCOMPARE(m.message, kMsgSettingChange);
        QCOMPARE(m.wparam, kSettingChangeToday);
    }

    void uninstall_data()
    {
        QTest::addColumn<bool>("update");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("otherMakerProgram");
        QTest::addColumn<bool>("dataKept");
        QTest::addColumn<bool>("makerKept");
        QTest::addColumn<QString>("timeouts"); // both power time-outs afterwards
        QTest::addColumn<bool>("startEntryKept");
        QTest::newRow("update keeps data and folder, switches alarms off")
            << true << QByteArray("5.2.21000") << false << true << true << "90" << true;
        QTest::newRow("removal on a newer platform restores the time-outs and the start screen")
            << false << QByteArray("5.2.21000") << false << false << false << "15" << false;
        QTest::newRow("removal on an older platform leaves both")
            << false << QByteArray("5.2.20999") << false << false << false << "90" << true;
        QTest::newRow("removal keeps a maker key another program still uses")
            << false << QByteArray("6.0.0") << true << false << true << "15" << false;
    }
    void uninstall()
    {
        QFETCH(bool, update);
        QFETCH(QByteArray, version);
        QFETCH(bool, otherMakerProgram);
        QFETCH(bool, dataKept);
        QFETCH(bool, makerKept);
        QFETCH(QString, timeouts);
        QFETCH(bool, startEntryKept);
        qputenv("DAWNBELL_PLATFORM_VERSION", version);

        // An installed program with alarms, a template and settings.
        const std::string program = kProgram;
        SetDword(Hive::CurrentUser, program + "\\3456031", "activated", 1);
        SetDword(Hive::CurrentUser, program + "\\A2700020370305", "activated", 1);
        SetDword(Hive::CurrentUser, program + "\\TMorning Mist", "activated", 1);
        SetDword(Hive::CurrentUser, program + "\\settings", "autoExit", 0);
        SetDword(Hive::LocalMachine, kItem, "Enabled", 1);
        SetDword(Hive::CurrentUser, kStart, "x", 1);
        SetDword(Hive::LocalMachine, kTimeouts, "BattResumingSuspendTimeout", 90);
        SetDword(Hive::LocalMachine, kTimeouts, "ACResumingSuspendTimeout", 90);
        if (otherMakerProgram)
            SetDword(Hive::CurrentUser, "Software\\Torvane\\Sunrise", "x", 1);
        QVERIFY(Schedule("/opt/dawnbell/dawnbell", "3456031") != 0);
        QVERIFY(Schedule("/home/me/DawnBell/dawnbell", "") != 0); // a snooze, another spelling
        QVERIFY(Schedule("/usr/bin/othertool", "x") != 0);
        QDir().mkpath(m_home.filePath("data/applications"));
        QFile(m_home.filePath("data/applications/Dawnbell.desktop")).open(QIODevice::WriteOnly);
        // A link out of the folder: never followed.
        QVERIFY(QDir().mkpath(m_home.filePath("elsewhere")));
        QFile(m_home.filePath("elsewhere/keep.txt")).open(QIODevice::WriteOnly);
        QVERIFY(QFile::link(m_home.filePath("elsewhere"), m_dir + "/link"));

        if (update)
            QCOMPARE(setup::InstallInit(true, m_dir.toStdString()), 0);
        QCOMPARE(setup::UninstallInit(m_dir.toStdString()), 0);
        QCOMPARE(setup::UninstallExit(), 0);

        QVERIFY(!Exists(Hive::LocalMachine, kItem));
        QVERIFY(!QFile::exists(m_home.filePath("data/applications/Dawnbell.desktop")));
        QCOMPARE(Applications(), QStringList{QStringLiteral("/usr/bin/othertool")});
        QCOMPARE(Exists(Hive::CurrentUser, program), dataKept);
        if (dataKept) {
            QCOMPARE(Value(Hive::CurrentUser, program + "\\3456031", "activated"), QStringLiteral("0"));
            QCOMPARE(Value(Hive::CurrentUser, program + "\\A2700020370305", "activated"), QStringLiteral("0"));
            QCOMPARE(Value(Hive::CurrentUser, program + "\\TMorning Mist", "activated"), QStringLiteral("1"));
            QCOMPARE(Value(Hive::CurrentUser, program + "\\settings", "autoExit"), QStringLiteral("0"));
            QCOMPARE(Value(Hive::CurrentUser, program, "UpdateInProgress"), QStringLiteral("-"));
        }
        QCOMPARE(Exists(Hive::CurrentUser, "Software\\Torvane"), makerKept);
        // The installation folder is the installer's to clear (it knows what
        // it put there): the hooks delete nothing in it.
        QVERIFY(QFile::exists(m_dir + "/sounds/ring.mp3"));
        QVERIFY(QFile::exists(m_dir + "/dawnbell"));
        QVERIFY(QFile::exists(m_home.filePath("elsewhere/keep.txt")));
        QCOMPARE(Value(Hive::LocalMachine, kTimeouts, "BattResumingSuspendTimeout"), timeouts);
        QCOMPARE(Value(Hive::LocalMachine, kTimeouts, "ACResumingSuspendTimeout"), timeouts);
        QCOMPARE(Exists(Hive::CurrentUser, kStart), startEntryKept);
        BroadcastMessage m;
        QVERIFY(m_broadcast.Read(&m));
        QCOMPARE(m.wparam, kSettingChangeToday);
    }

private:
    test::TempHome m_home;
    QString m_dir;              // the installation folder (with a blank in its name)
    BroadcastReceiver m_broadcast;
};

QTEST_MAIN(SetupHooksTest)
#include "SetupHooksTest.moc"
