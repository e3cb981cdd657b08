// The today item's window, driven as the host and a person drive it: refresh
// queries over stored alarms, double taps that switch an alarm (with the
// question before switching one off), taps that start the program, keyboard
// navigation, and the options dialog.
#include "CTodayItem.h"
#include "NamedEvent.h"
#include "Locale.h"
#include "TempHome.h"
#include "TodayApi.h"
#include "TodayLibrary.h"
#include "TodayOptions.h"
#include "TodayTestEnv.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace dawnbell;
using namespace dawnbell::today;
using namespace dawnbell::test;

namespace {

// Monday, 16 March 2037 (in the future, so the real service never fires what the tests schedule).
const char kNow[] = "2037-03-16T07:00:00";

QString Key(const char* time, int days = 0)
{
    int h = 0, m = 0, s = 0;
    std::sscanf(time, "%d:%d:%d", &h, &m, &s);
    return KeyOf(h, m, s, days);
}

QString ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TodayItemTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        UseFixedZone();
        qputenv("LC_ALL", "de_DE.UTF-8"); // 24-hour "HH:mm", dates "dd.MM.yy"
        qputenv("LANG", "de_DE.UTF-8");
    }

    void init()
    {
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("DAWNBELL_MSGBOX_RECORD", m_home.filePath("boxes.txt").toUtf8());
        qputenv("NOTIFY_ARGV_FILE", m_home.filePath("starts.txt").toUtf8());
        clock::SetNowForTesting(At(kNow));
        // The program is a recorder of its command line.
        QDir().mkpath(m_home.filePath("program"));
        QVERIFY(QFile::link(QStringLiteral(ARGV_RECORDER), m_home.filePath("program/dawnbell")));
        RegKey install;
        QCOMPARE(RegKey::Create(Hive::LocalMachine, "SOFTWARE\\Torvane\\Dawnbell", &install), RegOk);
        install.WriteString("InstallDir", m_home.filePath("program").toStdU16String());
        LoadTodayLibrary();
        QCOMPARE(QString::fromStdString(TheTodayLibrary().programPath), m_home.filePath("program/dawnbell"));

        NamedEvent ready;
        QCOMPARE(NamedEvent::Create(kShellReadyEvent, true, true, &ready), EventOk);
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(240, 400);
    }
    void cleanup()
    {
        m_item.reset();
        m_parent.reset();
        clock::SetNowForTesting(std::nullopt);
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        m_home.Close();
    }

    // --- refresh queries -------------------------------------------------------

    void refresh_data()
    {
        QTest::addColumn<QStringList>("alarms"); // "KEY:activated[:type[:title]]"
        QTest::addColumn<int>("lines");          // todayLines; -1 = no settings key
        QTest::addColumn<int>("compact");
        QTest::addColumn<int>("height");
        QTest::addColumn<QStringList>("order");  // sections, soonest first
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<bool>("scrollUp");
        QTest::addColumn<bool>("scrollDown");

        QTest::newRow("no alarms: empty countdown, no scrolling")
            << QStringList() << -1 << 0 << 60 << QStringList() << 0 << QString() << false << false;
        const QStringList five = {Key("06:30:00"), Key("07:10:00"), Key("07:20:00"), Key("07:30:00"),
                                  Key("07:50:00")};
        QTest::newRow("five alarms, two rows, first active last: the last two are shown")
            << QStringList{five[1] + ":0", five[3] + ":0", five[4] + ":0", five[2] + ":0", five[0] + ":1"} << 2 << 0
            << 60 << QStringList{five[1], five[2], five[3], five[4], five[0]} << 3 << QStringLiteral("23:31") << true
            << false;
        QTest::newRow("59 seconds ahead counts as one minute")
            << QStringList{Key("07:00:59") + ":1"} << 2 << 1 << 40 << QStringList{Key("07:00:59")} << 0
            << QStringLiteral("0:01") << false << false;
        QTest::newRow("61 minutes ahead, one compact row")
            << QStringList{Key("08:01:00") + ":1"} << 1 << 1 << 20 << QStringList{Key("08:01:00")} << 0
            << QStringLiteral("1:02") << false << false;
        QTest::newRow("Monday-only alarm passed on a Monday: next week, hours not wrapped")
            << QStringList{Key("06:00:00", 1) + ":1", Key("09:00:00") + ":0"} << 99 << 1 << 300
            << QStringList{Key("09:00:00"), Key("06:00:00", 1)} << 0 << QStringLiteral("167:01") << false << false;
        QTest::newRow("an active appointment in the past is due now, never negative")
            << QStringList{QStringLiteral("A2520020370315:1:2:Dentist"), Key("07:30:00") + ":1"} << 3 << 0 << 90
            << QStringList{QStringLiteral("A2520020370315"), Key("07:30:00")} << 0 << QStringLiteral("0:01")
            << false << false;
        // 3 May and 10 April, both with a day that could be a month: read swapped,
        // 3 May would be 5 March (past, so first) and 10 April 4 October. 10 April
        // 08:00 is 600 hours ahead: 25 days and an hour on the clock, less the hour
        // summer time takes.
        QTest::newRow("appointments ordered by their dates, day and month as in the key")
            << QStringList{QStringLiteral("A2880020370503:1:2:May"), QStringLiteral("A2880020370410:1:2:April")} << 2
            << 0 << 60 << QStringList{QStringLiteral("A2880020370410"), QStringLiteral("A2880020370503")} << 0
            << QStringLiteral("600:01") << false << false;
        QTest::newRow("sections that are no alarms are left out")
            << QStringList{QStringLiteral("Tmorning:1"), QStringLiteral("ab:1"), QStringLiteral("x1:1"),
                           QStringLiteral("+5:1"), QStringLiteral("A1:1:2"), QStringLiteral("99999999999:1"),
                           QStringLiteral("A999990020370320:1:2"), QStringLiteral("A3600020371340:1:2"),
                           Key("07:05:00") + ":0"}
            << 0 << 0 << 30 << QStringList{Key("07:05:00")} << 0 << QString() << false << false;
        // "9": midnight on Monday and Thursday; Monday's has passed, so Thursday 19 March 00:00.
        QTest::newRow("a midnight key of one digit is an alarm like the program's")
            << QStringList{QStringLiteral("9:1"), Key("07:05:00") + ":0"} << 2 << 0 << 60
            << QStringList{Key("07:05:00"), QStringLiteral("9")} << 0 << QStringLiteral("65:01") << false << false;
    }
    void refresh()
    {
        QFETCH(QStringList, alarms);
        QFETCH(int, lines);
        QFETCH(int, compact);
        QFETCH(int, height);
        QFETCH(QStringList, order);
        QFETCH(int, firstRow);
        QFETCH(QString, countdown);
        QFETCH(bool, scrollUp);
        QFETCH(bool, scrollDown);

        for (const QString& a : alarms)
            WriteAlarm(a);
        if (lines >= 0) {
            WriteSetting("todayLines", uint32_t(lines));
            WriteSetting("todayCompact", uint32_t(compact));
        }
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        QCOMPARE(item->OnQueryRefresh(&record), 1);
        QCOMPARE(int(record.height), height);

        QStringList sections;
        for (const TodayAlarm& a : item->alarms())
            sections << QString::fromStdString(a.section);
        QCOMPARE(sections, order);
        QCOMPARE(item->firstRow(), firstRow);
        QCOMPARE(item->CountdownText(), countdown);
        QCOMPARE(item->ScrollUpEnabled(), scrollUp);
        QCOMPARE(item->ScrollDownEnabled(), scrollDown);
        // Focus grid: the switch column of row 0 only when that row shows an alarm;
        // the scroll buttons only while enabled.
        QCOMPARE(item->Focusable(CTodayItem::ColToggle, 0), !order.isEmpty());
        QCOMPARE(item->Focusable(CTodayItem::ColScrollUp, 0), scrollUp);
        QCOMPARE(item->Focusable(CTodayItem::ColProgram, 0), true);

        // Nothing changed: no redraw, the first row stays where the user left it.
        if (scrollUp) {
            item->ScrollUp();
            QCOMPARE(item->OnQueryRefresh(&record), 0);
            QCOMPARE(item->firstRow(), firstRow - 1);
        }
        // Not before the host is ready, and never while busy.
        QCOMPARE(NamedEvent::Open(kShellReadyEvent, &m_ready), EventOk);
        m_ready.Reset();
        QCOMPARE(item->OnQueryRefresh(&record), 0);
        m_ready.Set();
    }

    // The two-second refresh at its floor: the store is read only after another
    // program changed it (or the item wrote it), and a repaint is asked for
    // only when something shown differs.
    void refreshReadsOnlyChanges_data()
    {
        QTest::addColumn<QStringList>("reg");     // dawnbell-reg's arguments before the refresh; empty = none
        QTest::addColumn<bool>("switch0900");     // the item itself switches 09:00 on
        QTest::addColumn<int>("advance");         // seconds the clock moves on
        QTest::addColumn<int>("reads");           // store reads by that refresh
        QTest::addColumn<int>("answer");          // 1: redraw
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<QString>("row0");

        const QString section = QStringLiteral("HKCU\\Software\\Torvane\\Dawnbell\\");
        const QString wake = section + Key("07:30:30"), evening = section + Key("18:00:00");
        QTest::newRow("nothing changed: nothing read, nothing to redraw")
            << QStringList() << false << 0 << 0 << 0 << QStringLiteral("0:31") << QStringLiteral("07:30 - Wake");
        QTest::newRow("seconds pass within the minute: nothing read, nothing to redraw")
            << QStringList() << false << 20 << 0 << 0 << QStringLiteral("0:31") << QStringLiteral("07:30 - Wake");
        QTest::newRow("a minute passes: nothing read, the countdown redrawn")
            << QStringList() << false << 60 << 0 << 1 << QStringLiteral("0:30") << QStringLiteral("07:30 - Wake");
        QTest::newRow("the first alarm's moment passes: nothing read, ordered anew from the next active")
            << QStringList() << false << 1860 << 0 << 1 << QStringLiteral("10:30")
            << QStringLiteral("18:00 - Evening");
        QTest::newRow("another program renames a shown alarm: read and redrawn")
            << QStringList{"add", wake, "title", "sz", "Rise"} << false << 0 << 1 << 1 << QStringLiteral("0:31")
            << QStringLiteral("07:30 - Rise");
        QTest::newRow("another program renames an alarm below the shown rows: read, nothing to redraw")
            << QStringList{"add", evening, "title", "sz", "Night"} << false << 0 << 1 << 0
            << QStringLiteral("0:31") << QStringLiteral("07:30 - Wake");
        QTest::newRow("another program changes a value the item does not show: read, nothing to redraw")
            << QStringList{"add", wake, "snooze", "dword", "9"} << false << 0 << 1 << 0 << QStringLiteral("0:31")
            << QStringLiteral("07:30 - Wake");
        QTest::newRow("the item's own switch, which the store's count never tells: read and redrawn")
            << QStringList() << true << 0 << 1 << 1 << QStringLiteral("0:31") << QStringLiteral("07:30 - Wake");
    }
    void refreshReadsOnlyChanges()
    {
        QFETCH(QStringList, reg);
        QFETCH(bool, switch0900);
        QFETCH(int, advance);
        QFETCH(int, reads);
        QFETCH(int, answer);
        QFETCH(QString, countdown);
        QFETCH(QString, row0);
        WriteAlarm(Key("07:30:30") + ":1:0:Wake");
        WriteAlarm(Key("09:00:00") + ":0:0:Later");
        WriteAlarm(Key("18:00:00") + ":1:0:Evening");
        TodayListItem record;
        CTodayItem* item = MakeItem(&record); // two rows: Wake and Later
        QCOMPARE(item->OnQueryRefresh(&record), 1);
        QCOMPARE(item->storeReads(), 1);
        QCOMPARE(item->CountdownText(), QStringLiteral("0:31"));

        if (!reg.isEmpty()) {
            QProcess tool;
            tool.start(QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-reg"), reg);
            QVERIFY(tool.waitForFinished(30000));
            QCOMPARE(tool.exitCode(), 0);
        }
        if (switch0900) {
            QCOMPARE(QString::fromStdString(item->alarms().at(1).section), Key("09:00:00"));
            item->Toggle(1);
        }
        clock::SetNowForTesting(At(kNow) + advance);
        QCOMPARE(item->OnQueryRefresh(&record), answer);
        QCOMPARE(item->storeReads(), 1 + reads);
        QCOMPARE(item->CountdownText(), countdown);
        QCOMPARE(item->RowText(0), row0);
        if (switch0900)
            QCOMPARE(item->alarms().at(1).activated, 1u);
        // And the refresh after it has nothing left to do.
        QCOMPARE(item->OnQueryRefresh(&record), 0);
        QCOMPARE(item->storeReads(), 1 + reads);
    }

    void rowTexts()
    {
        WriteAlarm(QStringLiteral("A3240020370320:1:2:Dentist"));
        WriteAlarm(Key("07:45:00") + ":1:1:Line one\r\nline two");
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        item->OnQueryRefresh(&record);
        QCOMPARE(item->RowText(0), QStringLiteral("07:45 - Line one line two"));
        const QString date = FormatShortDate(At("2037-03-20T09:00:00"));
        QCOMPARE(item->RowText(1), QStringLiteral("09:00 (%1) - Dentist").arg(date));
        QCOMPARE(item->RowText(2), QString());
    }

    // --- switching -------------------------------------------------------------

    void doubleTapToggles_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("scheduled"); // the program's notifications: arguments and times
        QTest::addColumn<QStringList>("others");    // more stored alarms, "KEY:activated[:type]"

        const QString daily = Key("06:30:00", 127) + "|2037-03-17 06:30:00";
        const QString target = Key("07:30:00") + "|2037-03-16 07:30:00";
        QTest::newRow("switching off asks; yes switches it off and rebuilds the schedule")
            << 1 << QByteArray("yes") << 0 << true << QStringList{daily} << QStringList();
        QTest::newRow("switching off asks; no changes nothing")
            << 1 << QByteArray("no") << 1 << true << QStringList() << QStringList();
        QTest::newRow("switching on does not ask and schedules it")
            << 0 << QByteArray("no") << 1 << false << QStringList{target, daily} << QStringList();
        // "5": midnight on Monday and Wednesday; Monday's has passed, so Wednesday 18 March.
        QTest::newRow("switching with the program closed keeps every active alarm, a midnight key 5 too")
            << 0 << QByteArray("no") << 1 << false
            << QStringList{target, daily, QStringLiteral("5|2037-03-18 00:00:00")}
            << QStringList{QStringLiteral("5:1:1")};
    }
    void doubleTapToggles()
    {
        QFETCH(int, before);
        QFETCH(QByteArray, answer);
        QFETCH(int, after);
        QFETCH(bool, asked);
        QFETCH(QStringList, scheduled);
        QFETCH(QStringList, others);
        qputenv("DAWNBELL_AUTO_ANSWER", answer);

        const QString target = Key("07:30:00");
        WriteAlarm(target + ":" + QString::number(before) + ":1:Wake");
        WriteAlarm(Key("06:30:00", 127) + ":1:1"); // every day: next tomorrow 06:30
        WriteAlarm(Key("05:00:00") + ":0");
        for (const QString& a : others)
            WriteAlarm(a);
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        item->OnQueryRefresh(&record);
        QCOMPARE(QString::fromStdString(item->alarms().at(0).section), target);
        // The list starts at the first active alarm: scroll up to the target, as a person would.
        while (item->ScrollUpEnabled())
            QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, item->ScrollUpRect().center());
        QCOMPARE(item->firstRow(), 0);
        // Another program's notification is left alone by the rebuild.
        notify::NotifyTrigger other;
        other.application = "/usr/bin/othertool";
        other.start = other.end = clock::ToLocal(At(kNow) + 3600);
        QVERIFY(notify::NotifySetTime(other) != 0);

        const QRect list = item->ListRect();
        QTest::mouseDClick(item, Qt::LeftButton, Qt::NoModifier, QPoint(list.center().x(), list.top() + 5));

        QCOMPARE(ReadDword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + target.toStdString(), "activated"),
                 uint32_t(after));
        QCOMPARE(ReadFile(m_home.filePath("boxes.txt")),
                 asked ? QStringLiteral("Deactivate?\tReally deactivate the alarm?\n") : QString());
        const QString program = m_home.filePath("program/dawnbell") + "|";
        QStringList mine;
        bool otherKept = false;
        for (const QString& n : Notifications()) {
            if (n.startsWith(program))
                mine << n.mid(program.size());
            otherKept = otherKept || n.startsWith(QLatin1String("/usr/bin/othertool|"));
        }
        QCOMPARE(mine, scheduled);
        QVERIFY(otherKept);
    }

    // --- taps and keys ---------------------------------------------------------

    void taps_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("started"); // recorder line; empty = nothing started
        QTest::newRow("program button starts the program without a command line")
            << "program" << QStringLiteral("0\n");
        QTest::newRow("edit button of a row opens that alarm's editor")
            << "edit0" << QStringLiteral("1;12:edit ") + Key("07:30:00", 31) + "\n";
        QTest::newRow("edit button of an empty row does nothing") << "edit1" << QString();
        QTest::newRow("a single tap on a row switches nothing") << "row0" << QString();
    }
    void taps()
    {
        QFETCH(QString, where);
        QFETCH(QString, started);
        WriteAlarm(Key("07:30:00", 31) + ":1");
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        item->OnQueryRefresh(&record);
        QRect r = where == "program" ? item->ProgramTapRect()
                : where == "edit0"   ? item->EditRect(0)
                : where == "edit1"   ? item->EditRect(1)
                                     : item->ListRect();
        QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, r.topLeft() + QPoint(2, 2));
        if (started.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(ReadFile(m_home.filePath("starts.txt")), QString());
        } else {
            QTRY_COMPARE(ReadFile(m_home.filePath("starts.txt")), started);
        }
        QCOMPARE(ReadDword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + Key("07:30:00", 31).toStdString(),
                           "activated"),
                 1u);
    }

    void navigation_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<bool>("lastUsed");
        // Three alarms, two rows: scrolling down is possible, up is not.
        QTest::newRow("right: the switch of row 0") << QList<int>{VK_RIGHT} << 1 << 0 << 0 << true;
        QTest::newRow("right past the disabled scroll-up button to scroll down")
            << QList<int>{VK_RIGHT, VK_RIGHT, VK_RIGHT} << 4 << 0 << 0 << true;
        QTest::newRow("left from the program button wraps to scroll down") << QList<int>{VK_LEFT} << 4 << 0 << 0 << true;
        QTest::newRow("down in the switch column moves a row") << QList<int>{VK_RIGHT, VK_DOWN} << 1 << 1 << 0 << true;
        QTest::newRow("down in the last row scrolls")
            << QList<int>{VK_RIGHT, VK_DOWN, VK_DOWN} << 1 << 1 << 1 << true;
        QTest::newRow("up in row 0 scrolls back up")
            << QList<int>{VK_RIGHT, VK_DOWN, VK_DOWN, VK_UP, VK_UP} << 1 << 0 << 0 << true;
        QTest::newRow("up and down outside the list columns are not used")
            << QList<int>{VK_DOWN} << 0 << 0 << 0 << false;
        QTest::newRow("right from row 1's edit climbs to row 0 and on to scroll down")
            << QList<int>{VK_RIGHT, VK_DOWN, VK_RIGHT, VK_RIGHT} << 4 << 0 << 0 << true;
    }
    void navigation()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(int, firstRow);
        QFETCH(bool, lastUsed);
        for (const char* t : {"06:00:00", "07:10:00", "07:20:00"}) // 06:00 is tomorrow: last
            WriteAlarm(Key(t) + ":1");
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        item->OnQueryRefresh(&record);
        QCOMPARE(item->focusRow(), int(CTodayItem::kNoFocus));
        QCOMPARE(Send(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_RIGHT), 0); // no focus: not used
        Send(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN);
        QCOMPARE(item->focusColumn(), 0);
        QCOMPARE(item->focusRow(), 0);
        intptr_t used = 0;
        for (int k : keys)
            used = Send(item, WM_TODAYCUSTOM_USERNAVIGATION, uintptr_t(k));
        QCOMPARE(item->focusColumn(), column);
        QCOMPARE(item->focusRow(), row);
        QCOMPARE(item->firstRow(), firstRow);
        QCOMPARE(used != 0, lastUsed);
        Send(item, WM_TODAYCUSTOM_LOSTSELECTION);
        QCOMPARE(item->focusRow(), int(CTodayItem::kNoFocus));
    }

    void actionKeyOnSwitchAndEdit()
    {
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        WriteAlarm(Key("07:10:00") + ":1");
        WriteAlarm(Key("07:20:00") + ":0");
        TodayListItem record;
        CTodayItem* item = MakeItem(&record);
        item->OnQueryRefresh(&record);
        Send(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN);
        Send(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_RIGHT);
        Send(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN); // switch of row 1: 07:20
        Send(item, WM_TODAYCUSTOM_ACTION);
        QCOMPARE(ReadDword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + Key("07:20:00").toStdString(),
                           "activated"),
                 1u);
        Send(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_RIGHT); // its edit button
        Send(item, WM_TODAYCUSTOM_ACTION);
        QTRY_COMPARE(ReadFile(m_home.filePath("starts.txt")), QStringLiteral("1;12:edit ") + Key("07:20:00") + "\n");
    }

    // --- options ---------------------------------------------------------------

    void options_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("small");
        QTest::addColumn<int>("lines");
        QTest::newRow("0 becomes 1") << "0" << false << 1;
        QTest::newRow("99 becomes 15") << "99" << true << 15;
        QTest::newRow("-3 becomes 15") << "-3" << false << 15;
        QTest::newRow("not a number becomes 1") << "ab" << true << 1;
        QTest::newRow("7 stays") << "7" << false << 7;
    }
    void options()
    {
        QFETCH(QString, typed);
        QFETCH(bool, small);
        QFETCH(int, lines);
        WriteSetting("todayLines", 4);
        WriteSetting("todayCompact", small ? 0 : 1);

        QDialog dialog;
        dialog.show();
        QCOMPARE(OptionsDialogProc(&dialog, WM_INITDIALOG, 0, 0), intptr_t(1));
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1008"));
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("1011"));
        QVERIFY(edit && box);
        QCOMPARE(edit->text(), QStringLiteral("4"));
        QCOMPARE(box->isChecked(), !small);
        QCOMPARE(dialog.findChild<QWidget*>(QStringLiteral("1007"))->property("text").toString(),
                 QStringLiteral("Rows to display (1-15):"));
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ReadDword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", "todayLines"), uint32_t(lines));
        QCOMPARE(ReadDword(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", "todayCompact"),
                 uint32_t(small ? 1 : 0));
    }

private:
    CTodayItem* MakeItem(TodayListItem* record)
    {
        m_item = std::make_unique<CTodayItem>(record, m_parent.get());
        m_item->resize(240, 60);
        return m_item.get();
    }
    static intptr_t Send(QWidget* item, uint32_t message, uintptr_t wparam = 0)
    {
        TodayEvent e(message, wparam);
        QCoreApplication::sendEvent(item, &e);
        return e.result;
    }

    TempHome m_home;
    NamedEvent m_ready;
    std::unique_ptr<QWidget> m_parent;
    std::unique_ptr<CTodayItem> m_item;
};

QTEST_MAIN(TodayItemTest)
#include "TodayItemTest.moc"
