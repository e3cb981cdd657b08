// The today screen with the real Dawnbell item library of the build: which
// registered items it loads, how it reports the ones it cannot, how new
// settings reach the item (the options dialog, the settings-change broadcast),
// and a double tap on an alarm as a person meets it: the question on screen,
// answered with a key, and a change made by another program shown.
//
// The question rows need a window system that shows windows: run under Xvfb
// with -platform xcb (test_today_host_xvfb); on the offscreen platform boxes
// are answered without showing, so those rows skip.
#include "Broadcast.h"
#include "NamedEvent.h"
#include "Notify.h"
#include "Registry.h"
#include "RegistryText.h"
#include "StandInLogind.h"
#include "TempHome.h"
#include "TestServers.h"
#include "TodayHost.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>

using namespace dawnbell;
using namespace dawnbell::today;

namespace {

const QString kLibrary = QStringLiteral(DAWNBELL_PROGRAM_DIR "/libdawnbell-today.so");

void Register(const QString& name, const QString& library, uint32_t enabled, uint32_t order)
{
    RegKey key;
    RegKey::Create(Hive::LocalMachine, std::string(kItemsKey) + "\\" + name.toStdString(), &key);
    key.WriteString("DLL", library.toStdU16String());
    key.WriteDword("Enabled", enabled);
    key.WriteDword("Options", 1);
    key.WriteDword("Order", order);
    key.WriteDword("Type", kTodayItemCustom);
}

void WriteLines(uint32_t lines)
{
    RegKey key;
    RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &key);
    key.WriteDword("todayLines", lines);
}

// Runs dawnbell-alarm with `arguments`; its standard output, or "exit N: stderr"
// when it fails.
QString RunAlarmTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-alarm"), arguments);
    if (!tool.waitForFinished(30000))
        return QStringLiteral("did not end");
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QStringLiteral("exit %1: %2").arg(tool.exitCode()).arg(QString::fromLocal8Bit(tool.readAllStandardError()));
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

} // namespace

class TodayHostTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A bus of the test's own plays the session bus (the screen saver) and
        // the system bus (logind), so nothing reaches the user's session.
        m_busError = m_bus.Start(m_busDir.path());
        if (!m_busError.isEmpty())
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
        qputenv("XDG_SESSION_ID", test::StandInLogind::kSessionId);
        m_busError = m_logind.Start(m_bus.address());
    }
    void init()
    {
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("DAWNBELL_LANGID", "9"); // English template names
    }
    void cleanup()
    {
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        qunsetenv("DAWNBELL_NOW");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        m_home.Close();
    }

    void loadsRegisteredItems_data()
    {
        QTest::addColumn<QStringList>("registered"); // "name:library:enabled:order"
        QTest::addColumn<QStringList>("loaded");      // names, in screen order
        QTest::addColumn<int>("problems");
        QTest::addColumn<bool>("setUp"); // Dawnbell's item wrote the first-launch defaults
        QTest::newRow("enabled items in their order; the item sets up a new store")
            << QStringList{"Second::1:2", "First::1:1"} << QStringList{"First", "Second"} << 0 << true;
        QTest::newRow("a disabled item is not shown") << QStringList{"Off::0:0", "On::1:1"} << QStringList{"On"} << 0
                                                      << true;
        QTest::newRow("a library that does not load is reported, the rest shown")
            << QStringList{"Broken:/nowhere/libitem.so:1:0", "Good::1:1"} << QStringList{"Good"} << 1 << true;
        QTest::newRow("a library without the entry point is reported")
            << QStringList{"Foreign:libm.so.6:1:0"} << QStringList() << 1 << false;
    }
    void loadsRegisteredItems()
    {
        QFETCH(QStringList, registered);
        QFETCH(QStringList, loaded);
        QFETCH(int, problems);
        QFETCH(bool, setUp);
        for (const QString& r : registered) {
            const QStringList f = r.split(QLatin1Char(':'));
            Register(f[0], f[1].isEmpty() ? kLibrary : f[1], f[2].toUInt(), f[3].toUInt());
        }
        TodayHost host;
        QStringList names;
        for (int i = 0; i < host.ItemCount(); ++i)
            names << QString::fromLatin1(host.Item(i)->name);
        QCOMPARE(names, loaded);
        QCOMPARE(host.Problems().size(), problems);
        // The host is ready while it runs, and says so no longer afterwards.
        EventRecord ready;
        NamedEvent event;
        QCOMPARE(NamedEvent::Open(kShellReadyEvent, &event), EventOk);
        QCOMPARE(event.Query(&ready), EventOk);
        QVERIFY(ready.signaled);
        for (int i = 0; i < host.ItemCount(); ++i)
            QCOMPARE(int(host.Item(i)->height), 60);
        // The built-in templates, with the sounds of the program folder the
        // item's library lives in (not the host's).
        const std::string program = "Software\\Torvane\\Dawnbell";
        QCOMPARE(test::RegistryText(Hive::CurrentUser, program + "\\settings", "firstLaunch"),
                 setUp ? QStringLiteral("0") : QStringLiteral("-"));
        QCOMPARE(test::RegistryText(Hive::CurrentUser, program + "\\TMorning Mist", "playlist0"),
                 setUp ? QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/morningMist.mp3") : QStringLiteral("-"));
    }

    void newSettingsTakeEffect()
    {
        Register(QStringLiteral("Dawnbell"), kLibrary, 1, 0);
        WriteLines(3);
        TodayHost host;
        host.resize(240, 400);
        host.show();
        QCOMPARE(host.ItemCount(), 1);
        QCOMPARE(host.Item(0)->window->height(), 90);
        // Its parts reach a screen reader through the factory the item's
        // library installs: this host has none of its own.
        QCOMPARE(QAccessible::queryAccessibleInterface(host.Item(0)->window)->role(), QAccessible::Grouping);

        // The settings-change broadcast for the today screen reloads the items.
        WriteLines(1);
        QVERIFY(SendBroadcast({kMsgSettingChange, kSettingChangeToday}) >= 1);
        QTRY_COMPARE(host.Item(0)->window->height(), 30);

        // Without a pointer: Tab reaches the button below the items, Enter presses it:
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        host.setFocus();
        QTest::keyClick(&host, Qt::Key_Tab);
        auto* options = host.findChild<QPushButton*>(QStringLiteral("options"));
        QCOMPARE(QApplication::focusWidget(), options);
        // it runs the item's dialog, whose OK saves and reloads.
        QTimer::singleShot(0, this, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("1008"));
            QVERIFY(edit);
            edit->setText(QStringLiteral("4"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
        QTest::keyClick(options, Qt::Key_Return);
        QCOMPARE(host.ItemCount(), 1);
        QCOMPARE(host.Item(0)->window->height(), 120);
        // The reloaded library installed its factory again.
        QCOMPARE(QAccessible::queryAccessibleInterface(host.Item(0)->window)->role(), QAccessible::Grouping);
    }

    // The screen rests while it cannot be seen: no refresh timer at all hidden,
    // minimized or with the session's screen locked (logind's LockedHint, the
    // screen saver's signal), and back in sight it asks its items at once, so a
    // change made meanwhile shows before any timer. Shown, a refresh with
    // nothing changed asks for no repaint.
    void restsWhileHidden_data()
    {
        QTest::addColumn<QString>("away"); // how the screen goes out of sight
        QTest::newRow("hidden") << "hidden";
        QTest::newRow("minimized") << "minimized";
        QTest::newRow("the session locked (logind)") << "logind";
        QTest::newRow("the screen saver active") << "screen saver";
    }
    void restsWhileHidden()
    {
        QFETCH(QString, away);
        const bool lock = away == QLatin1String("logind") || away == QLatin1String("screen saver");
        if (lock && !m_busError.isEmpty())
            QSKIP(qPrintable(m_busError));
        const auto goAway = [&](bool on) {
            if (away == QLatin1String("logind")) {
                QVERIFY(m_logind.SetLocked(on));
            } else if (away == QLatin1String("screen saver")) {
                QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/ScreenSaver"),
                                                            QStringLiteral("org.freedesktop.ScreenSaver"),
                                                            QStringLiteral("ActiveChanged"));
                m << on;
                QVERIFY(QDBusConnection::sessionBus().send(m));
            }
        };
        qputenv("DAWNBELL_NOW", "2037-03-16T07:00:00");
        Register(QStringLiteral("Dawnbell"), kLibrary, 1, 0);
        const std::string alarm = "Software\\Torvane\\Dawnbell\\" + std::to_string((7 * 3600 + 30 * 60) * 128);
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, alarm, &key), RegOk);
        QCOMPARE(key.WriteDword("activated", 1), RegOk);
        QCOMPARE(key.WriteString("title", u"Wake"), RegOk);

        TodayHost host;
        host.resize(240, 400);
        QVERIFY(!host.RefreshTimerActive()); // never shown yet
        host.show();
        QVERIFY(host.RefreshTimerActive());
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const int repaints = host.RefreshRepaints();
        host.RefreshItems();
        QCOMPARE(host.RefreshRepaints(), repaints);

        if (away == QLatin1String("hidden"))
            host.hide();
        else if (away == QLatin1String("minimized"))
            host.showMinimized();
        else
            goAway(true);
        QTRY_VERIFY(!host.RefreshTimerActive()); // a bus signal takes a moment
        // Renamed by another program meanwhile: the item shows it the moment the
        // screen is back, before any timer.
        QCOMPARE(key.WriteString("title", u"Rise"), RegOk);
        QTest::qWait(lock ? 100 : 0);
        QCOMPARE(host.RefreshRepaints(), repaints);
        if (away == QLatin1String("hidden"))
            host.show();
        else if (away == QLatin1String("minimized"))
            host.showNormal();
        else
            goAway(false);
        QTRY_VERIFY(host.RefreshTimerActive());
        QCOMPARE(host.RefreshRepaints(), repaints + 1);
    }

    void doubleTapOnAnAlarm_data()
    {
        QTest::addColumn<QString>("behind"); // dawnbell-alarm's command before the tap, "" for none
        QTest::addColumn<int>("key");        // the key that answers the question; 0: none expected
        QTest::addColumn<QString>("after");  // the alarm's "active" in dawnbell-alarm show --json
        QTest::newRow("switching off asks on screen; Enter (Yes) switches it off")
            << QString() << int(Qt::Key_Return) << QStringLiteral("false");
        QTest::newRow("switching off asks on screen; Escape keeps it on")
            << QString() << int(Qt::Key_Escape) << QStringLiteral("true");
        QTest::newRow("switched off by dawnbell-alarm behind the screen: shown off, the tap switches it on unasked")
            << QStringLiteral("disable") << 0 << QStringLiteral("true");
    }
    void doubleTapOnAnAlarm()
    {
        QFETCH(QString, behind);
        QFETCH(int, key);
        QFETCH(QString, after);
        if (key != 0 && QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("the question is shown only on a window system (run under Xvfb with -platform xcb)");
        qputenv("DAWNBELL_NOW", "2037-03-16T07:00:00"); // a Monday, ahead of the real clock
        qputenv("DAWNBELL_MSGBOX_RECORD", m_home.filePath("boxes.txt").toUtf8());
        Register(QStringLiteral("Dawnbell"), kLibrary, 1, 0);
        const QString alarm = RunAlarmTool({"add", "--time", "07:30", "--title", "Wake"});
        QVERIFY2(!alarm.isEmpty() && alarm[0].isDigit(), qPrintable(alarm));
        // The buttons as a German program left them for the item.
        RegKey settings;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &settings), RegOk);
        QCOMPARE(settings.WriteString("todayString5", u"Ja"), RegOk);
        QCOMPARE(settings.WriteString("todayString6", u"Nein"), RegOk);

        TodayHost host;
        host.resize(240, 400);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(host.ItemCount(), 1);
        QWidget* window = host.Item(0)->window;
        if (!behind.isEmpty()) {
            QCOMPARE(RunAlarmTool({behind, alarm}), QString());
            host.RefreshItems(); // the host's next refresh
        }

        // The real box, answered with a key as a person would.
        QString asked;
        QTimer answer;
        answer.setInterval(50);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            answer.stop();
            asked = box->windowTitle() + ": " + box->text();
            for (QAbstractButton* button : box->buttons())
                asked += " [" + button->text() + "]";
            QTest::keyClick(box, Qt::Key(key));
            // A key the box does not take fails the row instead of hanging it.
            QTimer::singleShot(5000, box, [box] { box->reject(); });
        });
        answer.start();
        // A double tap on the first row (the alarm's switch and text).
        QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(window->width() / 3, window->height() / 4));
        answer.stop();

        QCOMPARE(asked, key ? QStringLiteral("Deactivate?: Really deactivate the alarm? [Ja] [Nein]") : QString());
        QFile record(m_home.filePath("boxes.txt"));
        QCOMPARE(record.exists(), key != 0);
        const QString shown = RunAlarmTool({"show", alarm, "--json"});
        QVERIFY2(shown.contains(QStringLiteral("\"active\": ") + after), qPrintable(shown));
    }

private:
    test::TempHome m_home;
    QTemporaryDir m_busDir;
    test::PrivateBus m_bus;
    QString m_busError; // why the test's bus or logind could not start
    test::StandInLogind m_logind;
};

QTEST_MAIN(TodayHostTest)
#include "TodayHostTest.moc"
