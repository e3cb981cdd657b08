// Start-up of a first instance on a temporary device: the verbs, the language
// chosen on the first start, the power-timeout fix and restart question by
// platform version, the first-launch defaults, and the lock-screen lists.
#include "Alarm.h"
#include "TempHome.h"
#include "AlarmStore.h"
#include "CAlarmApp.h"
#include "FirstLaunch.h"
#include "LockScreenExceptions.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "StoreDamage.h"
#include "StoreHealth.h"
#include "ScreenClass.h"
#include "Texts.h"

#include <QFile>
#include <QImage>
#include <QtTest>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace dawnbell;

namespace {

const QString kSettings = QStringLiteral("settings");
const char* const kTimeouts = "System\\CurrentControlSet\\Control\\Power\\Timeouts";

uint32_t Dword(Hive hive, const std::string& path, const char* name, uint32_t def = 0xDEADBEEF)
{
    RegKey key;
    uint32_t v = def;
    if (RegKey::Open(hive, path, &key) == RegOk)
        key.ReadDword(name, &v);
    return v;
}

int ClassOfField(int field)
{
    for (int cls = 0; cls <= 10; ++cls) {
        if (ScreenClassImageField(cls) == field)
            return cls;
    }
    return -1;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("DAWNBELL_MSGBOX_RECORD", (m_home.path() + "/boxes.txt").toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        qputenv("DAWNBELL_LANGID", "9");
        qputenv("DAWNBELL_PLATFORM_VERSION", "5.2.21000");
        qputenv("DAWNBELL_PROGRAMS", (m_home.path() + "/programs").toUtf8());
        m_restarts = 0;
        m_started.clear();
        CAlarmApp::SetRestartFunction([this] {
            ++m_restarts;
            return true;
        });
        CAlarmApp::SetStartFunction([this](const QString& program, const QStringList& args) {
            if (!QFile::exists(program))
                return false;
            m_started << program + " " + args.join(' ');
            return true;
        });
        Profile::SetRegistryKey("Torvane");
    }
    void cleanup()
    {
        StoreHealth::Reset();
        SetTextProvider(nullptr);
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void firstStartChoosesLanguage_data()
    {
        QTest::addColumn<QString>("langId");
        QTest::addColumn<QString>("languageFile");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("firstColor");
        QTest::newRow("German") << "7" << "deutsch" << "Morgennebel" << "Blau";
        QTest::newRow("German (Austria), sublanguage ignored") << "0xC07" << "deutsch" << "Morgennebel" << "Blau";
        QTest::newRow("English") << "9" << "" << "Morning Mist" << "Blue";
        // A language with a name but no file here: the built-in texts stay in force.
        QTest::newRow("Polish without a file") << "21" << "polski" << "Morning Mist" << "Blue";
    }
    void firstStartChoosesLanguage()
    {
        QFETCH(QString, langId);
        QFETCH(QString, languageFile);
        QFETCH(QString, templateName);
        QFETCH(QString, firstColor);
        qputenv("DAWNBELL_LANGID", langId.toUtf8());
        QVERIFY(RunStart("4321"));
        QCOMPARE(Profile::ReadText(kSettings, "languageFile", "|"), languageFile);
        QCOMPARE(Profile::ReadInt(kSettings, "firstLaunch", 1), 0);
        QVERIFY(AlarmStore::LoadSection("T" + templateName) != nullptr);
        QList<NamedColor> colors;
        AlarmStore::LoadNamedColors(&colors);
        QCOMPARE(colors.size(), 29);
        bool found = false;
        for (const NamedColor& c : colors)
            found = found || (c.name == firstColor && c.color == 15116940);
        QVERIFY2(found, qPrintable(firstColor));
    }

    void setLanguageIsKept_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("built-in English") << "";
        QTest::newRow("French") << QStringLiteral("français");
    }
    void setLanguageIsKept()
    {
        QFETCH(QString, stored);
        qputenv("DAWNBELL_LANGID", "7");
        Profile::WriteText(kSettings, "languageFile", stored);
        QVERIFY(RunStart("4321"));
        QCOMPARE(Profile::ReadText(kSettings, "languageFile", "|"), stored);
        QVERIFY(AlarmStore::LoadSection("TMorgennebel") == nullptr);
    }

    void autocloseToggles()
    {
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        QVERIFY(!RunStart("autoclose"));
        QCOMPARE(Profile::ReadInt(kSettings, "disableAutoStop", -1), 1);
        QVERIFY(!RunStart("autoclose"));
        QCOMPARE(Profile::ReadInt(kSettings, "disableAutoStop", -1), 0);
        const QStringList boxes = Boxes();
        QCOMPARE(boxes.size(), 3);
        QVERIFY(boxes[0].startsWith("Dawnbell\tDo only deactivate the automatic stop"));
        QCOMPARE(boxes[1], "Dawnbell\tThe automatic stop of the alarms is deactivated now.");
        QCOMPARE(boxes[2], "Dawnbell\tThe automatic stop of the alarms is re-activated now.");
        // Handling the verb is all: no first launch, no language.
        QCOMPARE(Profile::ReadInt(kSettings, "firstLaunch", -1), -1);
    }

    void autocloseDeclined()
    {
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        QVERIFY(!RunStart("autoclose"));
        QCOMPARE(Profile::ReadInt(kSettings, "disableAutoStop", -1), -1);
        QCOMPARE(Boxes().size(), 1);
    }

    void verbsAreExact_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("continues");
        QTest::addColumn<bool>("registers"); // the active alarms are registered anew, as after a reboot
        QTest::newRow("reinit") << "reinit" << false << true;
        QTest::newRow("autoclose") << "autoclose" << false << false;
        QTest::newRow("Reinit is a key") << "Reinit" << true << false;
        QTest::newRow("autoclose with a blank is a key") << "autoclose " << true << false;
        QTest::newRow("reset") << "reset" << true << false;
        QTest::newRow("empty") << "" << true << true;
        QTest::newRow("edit") << "edit 3456031" << true << false;
    }
    void verbsAreExact()
    {
        QFETCH(QString, line);
        QFETCH(bool, continues);
        QFETCH(bool, registers);
        // An active alarm (07:30, Monday to Friday) with no notification, as
        // after a reboot that lost the service's records.
        Profile::WriteInt(QStringLiteral("3456031"), QStringLiteral("activated"), 1);
        Profile::WriteInt(QStringLiteral("3456031"), QStringLiteral("type"), 1);
        QCOMPARE(RunStart(line), continues);
        QCOMPARE(Profile::ReadInt(kSettings, "firstLaunch", -1), continues ? 0 : -1);
        std::vector<notify::NotifyRecord> records;
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(records.size(), size_t(registers ? 1 : 0));
        if (registers)
            QCOMPARE(records[0].trigger.arguments, std::string("3456031"));
    }

    void resetRewritesDefaults()
    {
        qputenv("DAWNBELL_PLATFORM_VERSION", "5.2.20999");
        QVERIFY(RunStart("4321"));
        std::unique_ptr<Alarm> t = AlarmStore::LoadSection("TMorning Mist");
        t->title = "mine";
        t->Save();
        Profile::WriteInt("settings\\colors", "Blue", 1);
        Profile::WriteInt(kSettings, "bgColor", 7);

        QVERIFY(RunStart("")); // a normal start keeps the user's changes
        QCOMPARE(AlarmStore::LoadSection("TMorning Mist")->title, "mine");
        QCOMPARE(m_lastBg, 7u);

        QVERIFY(RunStart("reset"));
        QCOMPARE(AlarmStore::LoadSection("TMorning Mist")->title, "Good morning");
        QCOMPARE(Profile::ReadInt("settings\\colors", "Blue", 0), 15116940);
        QCOMPARE(m_lastBg, CAlarmApp::kDefaultBgColor);
        QCOMPARE(m_lastText, CAlarmApp::kDefaultTextColor);
        QCOMPARE(Boxes().count(QStringLiteral("Information\t") + Text(72).replace('\n', "\\n")), 2);
    }

    // A damaged store is set aside with every byte kept and the program starts
    // on a fresh one (first launch); a read-only one is used as it is. Each is
    // said once, in one message box naming the file, and in the log.
    void damagedOrReadOnlyStoreAtStart_data()
    {
        QTest::addColumn<int>("damage");
        QTest::newRow("bad header") << int(test::Damage::BadHeader);
        QTest::newRow("damaged pages") << int(test::Damage::DamagedPages);
        QTest::newRow("a directory") << int(test::Damage::Directory);
        QTest::newRow("read-only") << int(test::Damage::ReadOnly);
    }
    void damagedOrReadOnlyStoreAtStart()
    {
        QFETCH(int, damage);
        const bool readOnly = test::Damage(damage) == test::Damage::ReadOnly;
        QVERIFY(RunStart(""));
        std::unique_ptr<Alarm> t = AlarmStore::LoadSection("TMorning Mist");
        QVERIFY(t);
        t->title = "mine";
        t->Save();
        QVERIFY(test::FillStore());
        QVERIFY(test::DamageStore(m_home.path(), test::Damage(damage)));
        const QString file = test::StoreFile(m_home.path());
        QFile f(file);
        const QByteArray before = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        f.close();
        QFile::remove(m_home.path() + "/boxes.txt");

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(readOnly ? "^Registry: .* is read-only"
                                                                       : "^Registry: .* is damaged.*; kept as "));
        QVERIFY(RunStart(""));
        const QStringList boxes = Boxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith((readOnly ? Text(126) : Text(113)) + "\t"), qPrintable(boxes[0]));
        QVERIFY2(boxes[0].contains(file), qPrintable(boxes[0]));
        if (readOnly) {
            // Read as it is; a failing save is not told again.
            t = AlarmStore::LoadSection("TMorning Mist");
            QVERIFY(t);
            QCOMPARE(t->title, "mine");
            t->title = "changed";
            t->Save();
            QCoreApplication::processEvents();
            QVERIFY2(Boxes().size() == 1, qPrintable(Boxes().join('\n')));
            QCOMPARE(AlarmStore::LoadSection("TMorning Mist")->title, "mine");
            QVERIFY(QDir(m_home.path()).entryList({"registry.db.damaged-*"}).isEmpty());
        } else {
            const QStringList copies = QDir(m_home.path()).entryList({"registry.db.damaged-*"});
            QCOMPARE(copies.size(), 1);
            const QString copy = m_home.filePath(copies[0]);
            QVERIFY2(boxes[0].contains(copy), qPrintable(boxes[0]));
            QFile c(copy);
            if (test::Damage(damage) == test::Damage::Directory) {
                QVERIFY(QFileInfo(copy).isDir());
            } else {
                QVERIFY(c.open(QIODevice::ReadOnly));
                QCOMPARE(c.readAll(), before);
            }
            // A fresh store with the first launch's defaults.
            QCOMPARE(AlarmStore::LoadSection("TMorning Mist")->title, "Good morning");
            QCOMPARE(Dword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", "firstLaunch"), 0u);
        }
        RegCloseStore();
        if (readOnly) {
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before); // nothing written into it
        }
    }

    // A damaged store that cannot be set aside (here the file is a mount
    // point, which rename refuses even to root): the start ends with one
    // message naming the cause and the file, and the store and its WAL keep
    // every byte where they are.
    void damagedStoreThatCannotBeMovedAside()
    {
        QVERIFY(RunStart(""));
        QVERIFY(test::FillStore());
        RegCloseStore();
        QVERIFY(test::DamageStore(m_home.path(), test::Damage::DamagedPages));
        const QString file = test::StoreFile(m_home.path());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        // Only root may make a private mount namespace; the mount stays inside
        // it and goes at the end.
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("needs root to make the store file a mount point");
        const QByteArray path = file.toLocal8Bit();
        QVERIFY(::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0);
        QFile::remove(m_home.path() + "/boxes.txt");
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^Registry: .* is damaged.*could not be moved aside"));
        const bool started = RunStart("");
        RegCloseStore();
        // A WAL beside it is moved first; it must come back when the store stays.
        QFile wal(file + "-wal");
        QVERIFY(wal.open(QIODevice::WriteOnly) && wal.write("frames") == 6);
        wal.close();
        std::string copy, error;
        const bool setAside = RegSetStoreAside(&copy, &error);
        QCOMPARE(::umount2(path.constData(), 0), 0);
        QVERIFY(!setAside);
        QVERIFY(wal.open(QIODevice::ReadOnly));
        QCOMPARE(wal.readAll(), QByteArray("frames"));
        wal.close();
        QVERIFY(wal.remove());
        QVERIFY(!started);
        const QStringList boxes = Boxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith(Text(113) + "\t") && boxes[0].contains("could not be moved aside")
                     && boxes[0].contains(file),
                 qPrintable(boxes[0]));
        QVERIFY(QDir(m_home.path()).entryList({"registry.db.damaged-*"}).isEmpty());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // A store failure while the program runs is logged and shown once per
    // cause, not once per save.
    void failingSavesAreToldOnce()
    {
        QVERIFY(RunStart(""));
        QFile::remove(m_home.path() + "/boxes.txt");
        std::unique_ptr<Alarm> t = AlarmStore::LoadSection("TMorning Mist");
        QVERIFY(t);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Registry: the disk holding .* is full"));
        for (const char* title : {"first", "second"}) {
            // SQLITE_FULL on the first value written (the section's key opens from the cache).
            RegFailOperationForTesting(2, 13);
            t->title = title;
            t->Save();
        }
        RegFailOperationForTesting(0, 0);
        QTRY_COMPARE(Boxes().size(), 1);
        const QStringList boxes = Boxes();
        QVERIFY2(boxes[0].startsWith(Text(113) + "\tDawnbell could not save a change"), qPrintable(boxes[0]));
        QCOMPARE(AlarmStore::LoadSection("TMorning Mist")->title, "Good morning");
    }

    // A real disk that fills up (a small tmpfs) while templates are saved: the
    // failure is told once, every save before it stays readable, and the store
    // is sound and takes changes once there is room again.
    void realFullDiskIsToldOnceAndLosesNothing()
    {
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("needs root to mount a small file system");
        const QByteArray home = m_home.path().toLocal8Bit();
        QVERIFY(::mount("dawnbell-full", home.constData(), "tmpfs", 0, "size=1m,mode=0700") == 0);
        QTemporaryDir records; // outside the full disk
        qputenv("DAWNBELL_MSGBOX_RECORD", records.filePath("boxes.txt").toUtf8());
        const bool started = RunStart("");
        QFile boxes(records.filePath("boxes.txt"));
        QStringList saved;
        if (started) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Registry: the disk holding .* is full"));
            for (int n = 0; n < 400 && !boxes.exists(); ++n) {
                AlarmTemplate t;
                t.name = QStringLiteral("Filler %1").arg(n);
                t.title = QString(900, QChar(u'a' + n % 26));
                t.message = QString(900, QChar(u'z' - n % 26));
                t.Save();
                QCoreApplication::processEvents();
                if (!boxes.exists())
                    saved << t.name;
            }
        }
        // Room again: the store must be whole, with everything saved before,
        // and take changes again.
        const bool roomAgain = ::mount(nullptr, home.constData(), nullptr, MS_REMOUNT, "size=8m") == 0;
        AlarmTemplate after;
        after.name = QStringLiteral("After");
        after.title = QStringLiteral("room again");
        after.Save();
        QCoreApplication::processEvents();
        const RegStoreStatus health = RegCheckStore();
        int readable = 0;
        for (const QString& name : saved) {
            std::unique_ptr<Alarm> t = AlarmStore::LoadSection("T" + name);
            readable += t && t->title.size() == 900;
        }
        std::unique_ptr<Alarm> afterRead = AlarmStore::LoadSection(QStringLiteral("TAfter"));
        RegCloseStore();
        const bool told = boxes.open(QIODevice::ReadOnly);
        const QStringList lines = told ? QString::fromUtf8(boxes.readAll()).split('\n', Qt::SkipEmptyParts)
                                       : QStringList();
        notify::NotifyCloseStore();
        if (const pid_t daemon = notify::NotifyDaemonPid(); daemon > 0)
            ::kill(daemon, SIGTERM);
        int unmounted = -1; // the service may take a moment to let go of its store
        for (int i = 0; i < 100 && (unmounted = ::umount2(home.constData(), 0)) != 0; ++i)
            QTest::qWait(50);
        QCOMPARE(unmounted, 0);
        QVERIFY(started);
        QVERIFY2(told && lines.size() == 1 && lines[0].startsWith(Text(113) + "\tDawnbell could not save a change"),
                 qPrintable(lines.join('\n')));
        QVERIFY(!saved.isEmpty());
        QVERIFY(roomAgain);
        QCOMPARE(int(health.fault), int(RegFault::None));
        QCOMPARE(readable, saved.size());
        QVERIFY(afterRead && afterRead->title == QStringLiteral("room again"));
    }

    void platformVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("fixAlarmBug"); // -1: not set
        QTest::addColumn<bool>("timeouts");
        QTest::addColumn<bool>("asks");
        QTest::newRow("5.2.21000") << "5.2.21000" << -1 << false << false;
        QTest::newRow("5.2.20999") << "5.2.20999" << -1 << true << true;
        QTest::newRow("5.1.30000") << "5.1.30000" << -1 << true << true;
        QTest::newRow("4.21.1") << "4.21.1" << -1 << true << true;
        QTest::newRow("5.3.0") << "5.3.0" << -1 << false << false;
        QTest::newRow("6.0.0") << "6.0.0" << -1 << false << false;
        QTest::newRow("fix switched off") << "5.2.20999" << 0 << false << true;
        QTest::newRow("malformed reads as newer") << "5.2" << -1 << false << false;
        QTest::newRow("signs refused") << "5.-2.1" << -1 << false << false;
    }
    void platformVersion()
    {
        QFETCH(QString, version);
        QFETCH(int, fixAlarmBug);
        QFETCH(bool, timeouts);
        QFETCH(bool, asks);
        qputenv("DAWNBELL_PLATFORM_VERSION", version.toUtf8());
        if (fixAlarmBug >= 0)
            Profile::WriteInt(kSettings, "fixAlarmBug", fixAlarmBug);
        RegKey key; // the fix opens the key; it never creates it
        QCOMPARE(RegKey::Create(Hive::LocalMachine, kTimeouts, &key), RegOk);
        QCOMPARE(key.WriteDword("ACResumingSuspendTimeout", 15), RegOk);
        key.Close();

        QVERIFY(RunStart("4321"));
        QCOMPARE(Dword(Hive::LocalMachine, kTimeouts, "BattResumingSuspendTimeout"), timeouts ? 90u : 0xDEADBEEF);
        QCOMPARE(Dword(Hive::LocalMachine, kTimeouts, "ACResumingSuspendTimeout"), timeouts ? 90u : 15u);
        QCOMPARE(Boxes().size(), asks ? 1 : 0);
        QCOMPARE(m_restarts, 0); // answered No
    }

    void missingTimeoutKeyIsNotCreated()
    {
        qputenv("DAWNBELL_PLATFORM_VERSION", "5.2.20999");
        QVERIFY(RunStart("4321"));
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::LocalMachine, kTimeouts, &key), RegNotFound);
    }

    void restartOnYes()
    {
        qputenv("DAWNBELL_PLATFORM_VERSION", "5.2.20999");
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        QVERIFY(!RunStart("4321"));
        QCOMPARE(m_restarts, 1);
        QCOMPARE(Profile::ReadInt(kSettings, "firstLaunch", 1), 0);
        QVERIFY(AlarmStore::LoadSection("TPizza Timer") != nullptr);
    }

    void builtInTemplates()
    {
        QVERIFY(RunStart("4321"));
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QCOMPARE(alarms.size(), size_t(0));
        QCOMPARE(templates.size(), size_t(5));
        const QString sounds = QStringLiteral(DAWNBELL_PROGRAM_DIR) + "/sounds/";

        std::map<QString, AlarmTemplate*> byName;
        for (auto& t : templates)
            byName[t->name] = t.get();
        AlarmTemplate* noon = byName["High Noon"];
        QVERIFY(noon);
        QCOMPARE(noon->title, "It's 12 o'clock");
        QCOMPARE(noon->GetSecondsOfDay(), 12 * 3600);
        QCOMPARE(noon->repeatDays, 127);
        QCOMPARE(noon->backColor, 8536370u);
        QCOMPARE(noon->textColor, 16440520u);
        QCOMPARE(noon->playlist.size(), 13);
        QCOMPARE(noon->playlist.first(), sounds + "bigbenHighNoon.mp3");
        QCOMPARE(noon->playlist.count(sounds + "bigbenHour.mp3"), 12);
        QCOMPARE(noon->closeAfterTimes, 1);
        QCOMPARE(noon->layoutStyle, 1);
        QCOMPARE(noon->useSnooze, 0);

        AlarmTemplate* meeting = byName["Meeting"];
        QVERIFY(meeting);
        QCOMPARE(meeting->type, int(AlarmAppointment));
        QCOMPARE(meeting->repeatDays, 0);
        QCOMPARE(meeting->GetSecondsOfDay(), 10 * 3600);
        QCOMPARE(meeting->closeAfterMinutes, 5);
        QCOMPARE(meeting->playlist, QStringList{sounds + "ring.mp3"});

        AlarmTemplate* mist = byName["Morning Mist"];
        QVERIFY(mist);
        QCOMPARE(mist->message, "Time to start a new day...");
        QCOMPARE(mist->repeatDays, 31);
        QCOMPARE(mist->quiz, 3);
        QCOMPARE(mist->forceVolume, 1);
        QCOMPARE(mist->volume, 77);
        QCOMPARE(mist->useFade, 1);
        QCOMPARE(mist->confirmClose, 1);
        QCOMPARE(mist->BackImage(BackImageQVGAWide), "morningQVGALandscape.jpg");
        QCOMPARE(mist->BackImage(BackImageSquare), "morningSquare.jpg");

        AlarmTemplate* pizza = byName["Pizza Timer"];
        QVERIFY(pizza);
        QCOMPARE(pizza->volume, 100);
        QCOMPARE(pizza->closeAfterMinutes, 15);
        QCOMPARE(pizza->BackImage(BackImageWVGALandscape), "pizzaWVGALandscape.jpg");
        QCOMPARE(byName["Medication"]->snooze, 600);

        for (auto& t : templates) {
            QCOMPARE(t->activated, 0);
            QCOMPARE(t->backImageStyle, 1);
            QCOMPARE(t->useBackColor, 1);
            QCOMPARE(t->useTextColor, 1);
            QCOMPARE(t->fadeDuration, 15);
            QCOMPARE(t->random, 0);
            QCOMPARE(t->quizTypes, 7);
            QCOMPARE(int(t->fade[0]), 0);  // 0.04
            QCOMPARE(int(t->fade[4]), 1);  // 0.04 * 25 = 1 exactly
            QCOMPARE(int(t->fade[9]), 4);  // 4
            QCOMPARE(int(t->fade[24]), 25);
            QCOMPARE(int(t->fade[48]), 96); // 96.04
            QCOMPARE(int(t->fade[49]), 100);
            // Every sound and picture a template names is in the program folder.
            for (int f = 0; f < BackImageFieldCount; ++f) {
                const QString picture = QStringLiteral(DAWNBELL_PROGRAM_DIR) + "/images/" + t->BackImage(f);
                QVERIFY2(QImage(picture).size() == ScreenClassResolution(ClassOfField(f)), qPrintable(picture));
            }
            for (const QString& sound : t->playlist)
                QVERIFY2(QFileInfo(sound).size() > 1000, qPrintable(sound));
        }
    }

    void lockScreenList_data()
    {
        // Slots of "Software\A_C\S2U2": "-" missing, "" empty text, text otherwise.
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("written"); // slot receiving the name, -1 none
        const QString d = QStringLiteral("Dawnbell.exe");
        QTest::newRow("all missing") << QStringList{} << int(LockScreenExceptions::NoFreeSlot) << -1;
        QTest::newRow("first empty") << QStringList{"", ""} << int(LockScreenExceptions::Added) << 0;
        QTest::newRow("after others") << QStringList{"a.exe", "-", "b.exe", ""} << int(LockScreenExceptions::Added) << 3;
        QTest::newRow("listed after a free slot") << QStringList{"", "x", d} << int(LockScreenExceptions::AlreadyListed) << -1;
        QTest::newRow("listed in the last slot")
            << QStringList{"", "", "", "", "", "", "", "", "", "", d} << int(LockScreenExceptions::AlreadyListed) << -1;
        QTest::newRow("slot past the last") << QStringList{"a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", ""}
                                            << int(LockScreenExceptions::NoFreeSlot) << -1;
        QTest::newRow("other letter case is another program")
            << QStringList{"dawnbell.exe", ""} << int(LockScreenExceptions::Added) << 1;
    }
    void lockScreenList()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, result);
        QFETCH(int, written);
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\A_C\\S2U2", &key), RegOk);
        for (int i = 0; i < entries.size(); ++i) {
            if (entries[i] != "-")
                key.WriteString("ExceptionEXE" + std::to_string(i), entries[i].toStdU16String());
        }
        QDir().mkpath(m_home.path() + "/programs/S2U2");
        QFile exe(m_home.path() + "/programs/S2U2/iLock2.exe");
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.close();

        const auto start = [this](const QString& p, const QStringList& a) {
            if (!QFile::exists(p))
                return false;
            m_started << p + " " + a.join(' ');
            return true;
        };
        QCOMPARE(int(LockScreenExceptions::Join("Software\\A_C\\S2U2", "ExceptionEXE", 1, 10, start)), result);
        for (int i = 0; i < 12; ++i) {
            std::u16string text;
            const bool has = key.ReadString("ExceptionEXE" + std::to_string(i), &text);
            if (i == written)
                QVERIFY(text == u"Dawnbell.exe");
            else if (i < entries.size() && entries[i] != "-")
                QCOMPARE(QString::fromStdU16String(text), entries[i]);
            else
                QVERIFY(!has);
        }
        QCOMPARE(m_started, written >= 0 ? QStringList{m_home.path() + "/programs/S2U2/iLock2.exe -refresh"}
                                         : QStringList{});
    }

    void lockScreenListsAtStart()
    {
        // The second list numbers its entries with two digits; a missing first list
        // is skipped.
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\A_C\\S2U2\\Exceptions", &key), RegOk);
        key.WriteString("ExceptionEXE00", u"x.exe");
        key.WriteString("ExceptionEXE01", u"");
        key.WriteString("ExceptionEXE1", u"");
        QVERIFY(RunStart("4321"));
        std::u16string text;
        QVERIFY(key.ReadString("ExceptionEXE01", &text));
        QVERIFY(text == u"Dawnbell.exe");
        QVERIFY(key.ReadString("ExceptionEXE1", &text));
        QVERIFY(text.empty());
        QVERIFY(m_started.isEmpty()); // no refresh program anywhere
    }

private:
    // Runs the start-up steps as a first instance with `line`; true when the main
    // window would follow.
    bool RunStart(const QString& line)
    {
        CAlarmApp app;
        app.programDir = QStringLiteral(DAWNBELL_PROGRAM_DIR);
        const bool goOn = app.Initialise(CommandLine::Classify(line));
        m_lastBg = app.bgColor;
        m_lastText = app.textColor;
        SetTextProvider(nullptr);
        return goOn;
    }
    QStringList Boxes() const
    {
        QFile f(m_home.path() + "/boxes.txt");
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
    int m_restarts = 0;
    QStringList m_started;
    uint32_t m_lastBg = 0;
    uint32_t m_lastText = 0;
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
