// Installation as a user meets it: dawnbell-install puts the program folder into
// a fresh folder and sets everything up; the today screen shows the installed
// item; switching an alarm off and on there moves its row in the running main
// window; update keeps the alarms switched off; removal leaves nothing behind.
#include "Notify.h"
#include "Registry.h"
#include "RegistryText.h"
#include "TempHome.h"
#include "TodayHost.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace dawnbell;

namespace {

const QString kInstaller = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-install");
const char kNow[] = "2037-03-16T07:00:00"; // a Monday, ahead of the real clock

QString Key(int h, int m, int days = 0) { return QString::number((h * 3600 + m * 60) * 128 + days); }

void WriteAlarm(const QString& key, int activated, const char* title)
{
    RegKey k;
    RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + key.toStdString(), &k);
    k.WriteDword("activated", uint32_t(activated));
    k.WriteDword("type", 0);
    k.WriteString("title", QString::fromLatin1(title).toStdU16String());
}

QString Value(Hive hive, const std::string& path, const char* name)
{
    return test::RegistryText(hive, path, name);
}

bool Exists(Hive hive, const char* path)
{
    RegKey key;
    return RegKey::Open(hive, path, &key) == RegOk;
}

QString ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The program's notifications: "arguments" each.
QStringList Scheduled()
{
    std::vector<notify::NotifyRecord> records;
    notify::NotifyList(&records);
    QStringList out;
    for (const auto& r : records) {
        if (QString::fromStdString(r.trigger.application).toUpper().contains(QLatin1String("DAWNBELL")))
            out << QString::fromStdString(r.trigger.arguments);
    }
    return out;
}

} // namespace

class InstallEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        notify::NotifyCloseStore();
        m_home.Renew();
        for (const char* sub : {"run", "config", "data"})
            QVERIFY(QDir().mkpath(m_home.filePath(QLatin1String(sub))));
        QFile::setPermissions(m_home.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                          | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_home.filePath("run").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath("data").toUtf8());
        qputenv("DAWNBELL_SYSTEMCTL", "false"); // no systemd user manager
        qputenv("DAWNBELL_NOW", kNow);
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        qputenv("DAWNBELL_LANGID", "9"); // English template names
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_dir = m_home.filePath("Dawn bell"); // a blank in the folder's name
    }
    void cleanup()
    {
        if (m_probe.state() != QProcess::NotRunning) {
            m_probe.terminate();
            m_probe.waitForFinished(5000);
        }
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        qunsetenv("DAWNBELL_SYSTEMCTL");
        m_home.Close();
    }

    void installSwitchInTodayScreenAndRemove()
    {
        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        // The program folder, its registration and the ways to start it.
        const QStringList manifest = ReadFile(m_dir + "/program-files.txt").split(QLatin1Char('\n'));
        QVERIFY(manifest.contains(QStringLiteral("dawnbell")));
        for (const QString& entry : manifest) {
            if (!entry.isEmpty() && !entry.startsWith(QLatin1Char('#')) && !entry.endsWith(QLatin1Char('/')))
                QVERIFY2(QFile::exists(m_dir + "/" + entry), qPrintable(entry));
        }
        QVERIFY(QFile::exists(m_dir + "/sounds/ring.mp3"));
        QCOMPARE(Value(Hive::LocalMachine, "SOFTWARE\\Torvane\\Dawnbell", "InstallDir"), m_dir);
        const std::string item = "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell";
        QCOMPARE(Value(Hive::LocalMachine, item, "DLL"), m_dir + "/libdawnbell-today.so");
        QCOMPARE(Value(Hive::LocalMachine, item, "Enabled"), QStringLiteral("1"));
        // The first-launch defaults are there before the program is first opened,
        // with the installed folder's sounds.
        QCOMPARE(Value(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", "firstLaunch"),
                 QStringLiteral("0"));
        QCOMPARE(Value(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\TMorning Mist", "playlist0"),
                 m_dir + "/sounds/morningMist.mp3");
        QVERIFY(ReadFile(m_home.filePath("data/applications/Dawnbell.desktop"))
                    .contains("Exec=env \"DAWNBELL_HOME=" + m_home.path() + "\" \"" + m_dir + "/dawnbell\"\n"));
        QVERIFY(ReadFile(m_home.filePath("data/applications/dawnbell-today.desktop")).contains(m_dir));
        QVERIFY(ReadFile(m_dir + "/Reset Dawnbell.desktop").contains(QLatin1String("\" reset\n")));
        // The daemon at login: the installed one, for this device directory.
        const QString autostart = ReadFile(m_home.filePath("config/autostart/dawnbell-notifyd.desktop"));
        QVERIFY2(autostart.contains("Exec=env \"DAWNBELL_HOME=" + m_home.path() + "\" \"" + m_dir
                                    + "/dawnbell-notifyd\"\n"),
                 qPrintable(autostart));

        // Three alarms; the main window lists active ones first, soonest first.
        const QString first = Key(7, 30), second = Key(8, 0), third = Key(9, 0);
        WriteAlarm(first, 1, "First");
        WriteAlarm(second, 1, "Second");
        WriteAlarm(third, 0, "Third");
        RegFlush(Hive::CurrentUser);
        m_probe.start(QStringLiteral(PROBE), {m_dir + "/dawnbell"});
        QTRY_COMPARE_WITH_TIMEOUT(ProbeRows(), QStringLiteral("rows %1:1 %2:1 %3:0").arg(first, second, third),
                                  20000);

        // The today screen with the installed item.
        today::TodayHost host;
        host.resize(240, 320);
        host.show();
        QCOMPARE(host.Problems(), QStringList());
        QCOMPARE(host.ItemCount(), 1);
        QWidget* window = host.Item(0)->window;
        QVERIFY(window);
        QTRY_COMPARE(window->height(), 60); // two rows of large buttons

        // Double tap on the first row (07:30): asked, switched off; the main
        // window moves its row below the active one.
        const QPoint row0(43 + 27 + 20, 2 + 15), row1(43 + 27 + 20, 2 + 30 + 15);
        QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, row0);
        QTRY_COMPARE_WITH_TIMEOUT(ProbeRows(), QStringLiteral("rows %1:1 %2:0 %3:0").arg(second, first, third),
                                  10000);
        QCOMPARE(Scheduled(), QStringList{second});

        // The item now starts at the active 08:00: its second row is 09:00.
        // Switching that on asks nothing and moves it up in the main window.
        QTest::qWait(300);
        QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, row1);
        QTRY_COMPARE_WITH_TIMEOUT(ProbeRows(), QStringLiteral("rows %1:1 %2:1 %3:0").arg(second, third, first),
                                  10000);
        QCOMPARE(Scheduled(), (QStringList{second, third}));
        m_probe.terminate();
        QVERIFY(m_probe.waitForFinished(10000));

        // Removal, with the today screen still open: its item goes away too.
        QCOMPARE(Run({"remove"}), 0);
        QTRY_COMPARE(host.ItemCount(), 0);
        QVERIFY(!QFileInfo::exists(m_dir));
        QVERIFY(!Exists(Hive::CurrentUser, "Software\\Torvane"));
        QVERIFY(!Exists(Hive::LocalMachine, "SOFTWARE\\Torvane"));
        QVERIFY(!Exists(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell"));
        QCOMPARE(Scheduled(), QStringList());
        QCOMPARE(notify::NotifyDaemonPid(), 0);
        QCOMPARE(Leftovers(), QStringList());
    }

    void alarmService_data()
    {
        QTest::addColumn<bool>("userManager");
        QTest::addColumn<bool>("earlierAutostart"); // an autostart entry from an install without a user manager
        QTest::newRow("no systemd user manager: an autostart entry") << false << false;
        QTest::newRow("systemd user manager: the user unit, enabled and started") << true << false;
        QTest::newRow("systemd user manager: the unit replaces an earlier autostart entry (one daemon, not two)")
            << true << true;
    }
    void alarmService()
    {
        QFETCH(bool, userManager);
        QFETCH(bool, earlierAutostart);
        const QString calls = m_home.filePath("systemctl-calls.txt");
        if (userManager) {
            // A systemctl that records its arguments and answers yes.
            const QString fake = m_home.filePath("systemctl");
            QFile f(fake);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\necho \"$*\" >> '" + calls.toUtf8() + "'\n");
            f.close();
            f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("DAWNBELL_SYSTEMCTL", fake.toUtf8());
        }
        const QString unit = m_home.filePath("config/systemd/user/dawnbell-notifyd.service");
        const QString autostart = m_home.filePath("config/autostart/dawnbell-notifyd.desktop");
        if (earlierAutostart) {
            QVERIFY(QDir().mkpath(m_home.filePath("config/autostart")));
            QFile f(autostart);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Desktop Entry]\nType=Application\nName=Dawnbell alarm service\nExec=/old/dawnbell-notifyd\n");
        }
        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        QCOMPARE(QFile::exists(unit), userManager);
        QCOMPARE(QFile::exists(autostart), !userManager);
        if (userManager) {
            QVERIFY(ReadFile(unit).contains("ExecStart=\"" + m_dir + "/dawnbell-notifyd\"\n"));
            QVERIFY(ReadFile(unit).contains("Environment=\"DAWNBELL_HOME=" + m_home.path() + "\"\n"));
            QVERIFY(ReadFile(calls).contains(QLatin1String("--user enable --now dawnbell-notifyd.service\n")));
        }
        QCOMPARE(Run({"remove", "--dir", m_dir}), 0);
        QVERIFY(!QFile::exists(unit));
        QVERIFY(!QFile::exists(autostart));
        if (userManager)
            QVERIFY(ReadFile(calls).contains(QLatin1String("--user disable --now dawnbell-notifyd.service\n")));
        QCOMPARE(Leftovers(), QStringList());
    }

    void refusals()
    {
        // Never among other files: a removal deletes the whole folder.
        QVERIFY(QDir().mkpath(m_home.filePath("mine")));
        QFile(m_home.filePath("mine/letter.txt")).open(QIODevice::WriteOnly);
        QCOMPARE(Run({"install", "--dir", m_home.filePath("mine")}), 2);
        QVERIFY(m_output.contains(QLatin1String("not empty")));
        QCOMPARE(QDir(m_home.filePath("mine")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("letter.txt")});
        QVERIFY(!Exists(Hive::LocalMachine, "SOFTWARE\\Torvane"));
        QCOMPARE(Run({"install", "--dir", "/"}), 2);
        QCOMPARE(Run({"remove"}), 2);
        QCOMPARE(Run({"update"}), 2);
        QCOMPARE(Run({"unpack"}), 2);

        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        QCOMPARE(Run({"install", "--dir", m_home.filePath("second")}), 2);
        QVERIFY(!QFileInfo::exists(m_home.filePath("second")));
        QCOMPARE(Run({"remove", "--dir", m_home.filePath("second")}), 2);
        QVERIFY(QFileInfo::exists(m_dir + "/dawnbell"));
        QCOMPARE(Run({"remove"}), 0);
        QVERIFY(QFile::exists(m_home.filePath("mine/letter.txt")));
        QCOMPARE(Leftovers(), QStringList());
    }

    void updateKeepsAlarmsSwitchedOff()
    {
        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        WriteAlarm(Key(6, 45, 31), 1, "Workdays");
        WriteAlarm(Key(10, 0), 1, "Once");
        WriteAlarm(QStringLiteral("TMorning Mist"), 1, "Template");
        RegKey settings;
        RegKey::Open(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &settings);
        settings.WriteDword("autoExit", 0);
        RegKey item;
        RegKey::Open(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell", &item);
        item.WriteDword("Enabled", 0); // the user switched the today item off
        notify::NotifyTrigger t;
        t.application = (m_dir + "/dawnbell").toStdString();
        t.arguments = Key(6, 45, 31).toStdString();
        t.start = t.end = clock::LocalTime{2037, 3, 2, 17, 6, 45, 0, 0};
        QVERIFY(notify::NotifySetTime(t) != 0);

        QCOMPARE(Run({"update"}), 0);
        const std::string program = "Software\\Torvane\\Dawnbell\\";
        QCOMPARE(Value(Hive::CurrentUser, program + Key(6, 45, 31).toStdString(), "activated"), QStringLiteral("0"));
        QCOMPARE(Value(Hive::CurrentUser, program + Key(10, 0).toStdString(), "activated"), QStringLiteral("0"));
        QCOMPARE(Value(Hive::CurrentUser, program + "TMorning Mist", "activated"), QStringLiteral("1"));
        QCOMPARE(Value(Hive::CurrentUser, program + "settings", "autoExit"), QStringLiteral("0"));
        QCOMPARE(Value(Hive::CurrentUser, "Software\\Torvane\\Dawnbell", "UpdateInProgress"), QStringLiteral("-"));
        QCOMPARE(Scheduled(), QStringList());
        QCOMPARE(Value(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell", "Enabled"),
                 QStringLiteral("0"));
        QCOMPARE(Value(Hive::LocalMachine, "SOFTWARE\\Torvane\\Dawnbell", "InstallDir"), m_dir);
        QVERIFY(QFile::exists(m_dir + "/dawnbell"));
        QVERIFY(QFile::exists(m_home.filePath("data/applications/Dawnbell.desktop")));

        // A disabled item is not shown by the today screen.
        today::TodayHost host;
        QCOMPARE(host.ItemCount(), 0);

        QCOMPARE(Run({"remove"}), 0);
        QCOMPARE(Leftovers(), QStringList());
    }

private:
    int Run(const QStringList& arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(kInstaller, arguments);
        if (!p.waitForFinished(120000))
            return -1;
        m_output = QString::fromUtf8(p.readAll());
        qInfo("dawnbell-install %s:\n%s", qPrintable(arguments.join(QLatin1Char(' '))), qPrintable(m_output));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // The last list the probe printed.
    QString ProbeRows()
    {
        m_probeOutput += QString::fromUtf8(m_probe.readAllStandardOutput());
        const QStringList lines = m_probeOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last();
    }

    // Anything of Dawnbell still on disk: files in the user's folders, logs in
    // the device directory, the installation folder.
    QStringList Leftovers()
    {
        QStringList out;
        for (const char* sub : {"config", "data"}) {
            QDirIterator it(m_home.filePath(QLatin1String(sub)), QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                out << it.next();
        }
        for (const QString& name : QDir(m_home.path()).entryList(QDir::Files)) {
            if (name.contains(QLatin1String(".log")))
                out << name;
        }
        if (QFileInfo::exists(m_dir))
            out << m_dir;
        return out;
    }

    test::TempHome m_home;
    QString m_dir;          // the installation folder
    QString m_output;       // the installer's last output
    QProcess m_probe;       // the main window
    QString m_probeOutput;  // everything it printed
};

QTEST_MAIN(InstallEndToEndTest)
#include "InstallEndToEndTest.moc"
