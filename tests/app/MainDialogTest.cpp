// The main window and its alarm list over a real registry and notification store
// in a temporary home, at a fixed moment: list order, selection, finger
// scrolling, keys, buttons, the commands and the copy-data codes.
#include "Alarm.h"
#include "TempHome.h"
#include "AlarmStore.h"
#include "CAlarmListCtrl.h"
#include "CMainDialog.h"
#include "EditBackup.h"
#include "Notify.h"
#include "NotifyStore.h"
#include "PaintLog.h"
#include "Profile.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "ScreenLockWatch.h"
#include "StandInLogind.h"
#include "TestServers.h"
#include "../model/TestEnv.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace dawnbell;
using dawnbell::test::At;

namespace {

const QString kProgram = QStringLiteral("/opt/dawnbell/bin/dawnbell");
// Saturday 8 March 2031, 09:00; far ahead of the real clock, so the started
// notification service never fires during a test.
const char kNow[] = "2031-03-08 09:00:00";

// A stored alarm: kind, time of day, repeat days, activation, title; an
// appointment's date is the 10th of March 2031.
struct Stored {
    int type = AlarmCompact;
    int hour = 7;
    int minute = 0;
    int days = 0;
    bool active = true;
    QString title;
};

} // namespace
Q_DECLARE_METATYPE(Stored)
namespace {

Alarm MakeAlarm(const Stored& s)
{
    Alarm a;
    a.type = s.type;
    a.repeatDays = s.days;
    a.activated = s.active ? 1 : 0;
    a.title = s.title;
    a.alarmTime = clock::MakeLocal(2031, 3, 10, s.hour, s.minute, 0);
    a.dateYear = 2031;
    a.dateMonth = 3;
    a.dateDay = 10;
    return a;
}

QString Store(const Stored& s)
{
    Alarm a = MakeAlarm(s);
    a.Save();
    return a.GetKey();
}

// The titles of the list's rows, top to bottom.
QStringList Titles(const CAlarmListCtrl* list)
{
    QStringList out;
    for (int i = 0; i < list->Count(); ++i)
        out << list->AlarmAt(i)->title;
    return out;
}

// The notification records' arguments and start times.
QStringList Records()
{
    std::vector<notify::NotifyRecord> list;
    notify::NotifyList(&list);
    QStringList out;
    for (const notify::NotifyRecord& r : list)
        out << QString::fromStdString(r.trigger.arguments) + "@" + test::Format(r.trigger.start);
    return out;
}

// The intervals (ms) of every timer running for `root` and the objects it owns,
// however deep: what wakes the process while the window sits idle.
QList<int> RunningTimers(QObject* root)
{
    QList<int> out;
    QList<QObject*> objects = root->findChildren<QObject*>();
    objects.prepend(root);
    for (QObject* o : objects) {
        for (const QAbstractEventDispatcher::TimerInfo& t : QAbstractEventDispatcher::instance()->registeredTimers(o))
            out << t.interval;
    }
    return out;
}

} // namespace

class MainDialogTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
    QTemporaryDir m_busDir;
    test::PrivateBus m_bus;
    QString m_busError; // why the test's session bus could not start
    test::StandInLogind m_logind; // logind on the test's bus, which stands in for the system bus too
    int m_rings = 0;
    MainWindowServices m_services; // the windows the next Open() gets
    // Windows a test gives the main window.
    enum Window { WindowCompact = 1, WindowWizard = 2, WindowSelection = 4, WindowOptions = 8 };

    std::unique_ptr<CMainDialog> Open()
    {
        auto w = std::make_unique<CMainDialog>(m_services);
        w->resize(240, 320);
        w->show();
        return w;
    }

private slots:
    void initTestCase()
    {
        test::UseFixedZoneAndLocale();
        // A session bus of the test's own, on which it plays the screensaver.
        m_busError = m_bus.Start(m_busDir.path());
        if (!m_busError.isEmpty())
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        // The same bus stands in for the system bus, where it plays logind.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
        qputenv("XDG_SESSION_ID", test::StandInLogind::kSessionId);
        const QString logind = m_logind.Start(m_bus.address());
        QVERIFY2(logind.isEmpty(), qPrintable(logind));
    }

    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        Scheduler::SetProgramPathForTesting(kProgram);
        clock::SetNowForTesting(At(kNow));
        m_rings = 0;
        // The ringing window ends at once; no editor exists.
        m_services = MainWindowServices{};
        m_services.ring = [this](Alarm*, QWidget*) { ++m_rings; };
    }
    void cleanup()
    {
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
        clock::SetNowForTesting(std::nullopt);
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
        Scheduler::SetProgramPathForTesting(QString());
    }

    void emptyList()
    {
        auto w = Open();
        CAlarmListCtrl* list = w->list();
        QCOMPARE(list->Count(), 0);
        for (int id : {CMainDialog::IdEdit, CMainDialog::IdRemove, CMainDialog::IdTest, CMainDialog::IdActivate})
            QVERIFY2(!w->button(id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE(w->button(CMainDialog::IdActivate)->text(), QStringLiteral("Activate"));
        QCOMPARE(w->statusText(), QStringLiteral("No active alarm."));
        QVERIFY(w->NextAlarm() == nullptr);

        w->show();
        QSignalSpy spy(list, &CAlarmListCtrl::notify);
        QTest::mouseDClick(list, Qt::LeftButton, {}, QPoint(list->width() / 2, list->height() / 2));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(list->SelectedIndex(), -1);
        // Keys on an empty list select nothing either.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->SelectedIndex(), -1);
    }

    void sortedInsertion_data()
    {
        QTest::addColumn<QList<Stored>>("rows");
        QTest::addColumn<Stored>("added");
        QTest::addColumn<int>("index");
        // Now is Saturday 09:00: 10:00 once is due in 1 h, 08:00 once tomorrow.
        const Stored at10{AlarmCompact, 10, 0, 0, true, "10"};
        const Stored at08{AlarmCompact, 8, 0, 0, true, "08"};
        const Stored off10{AlarmCompact, 10, 0, 0, false, "off10"};
        QTest::newRow("into an empty list") << QList<Stored>{} << at10 << 0;
        QTest::newRow("sooner goes before later") << QList<Stored>{at08} << at10 << 0;
        QTest::newRow("later goes after sooner") << QList<Stored>{at10} << at08 << 1;
        QTest::newRow("same moment goes after the existing row")
            << QList<Stored>{at10} << Stored{AlarmCompact, 10, 0, 32, true, "Saturday 10"} << 1;
        QTest::newRow("active goes before inactive, even when later")
            << QList<Stored>{off10} << at08 << 0;
        QTest::newRow("inactive goes after every active row")
            << QList<Stored>{at10, at08} << Stored{AlarmCompact, 9, 30, 0, false, "off"} << 2;
        QTest::newRow("inactive rows are ordered by time too")
            << QList<Stored>{at10, Stored{AlarmCompact, 8, 0, 0, false, "off08"}} << off10 << 1;
        // Monday 07:00 rings in 46 hours.
        const Stored monday7{AlarmCompact, 7, 0, 1, true, "Monday 7"};
        QTest::newRow("a Saturday alarm already passed today rings in a week, after Monday")
            << QList<Stored>{at10, monday7} << Stored{AlarmCompact, 8, 0, 32, true, "Saturday 8"} << 2;
        QTest::newRow("Friday to Monday, passed today: rings tomorrow, before Monday")
            << QList<Stored>{at10, monday7} << Stored{AlarmWizard, 8, 0, 16 | 32 | 64 | 1, true, "fr-mo"} << 1;
        QTest::newRow("an appointment sorts by its date (Monday 11:00), not by its time of day")
            << QList<Stored>{at10, monday7} << Stored{AlarmAppointment, 11, 0, 0, true, "dentist"} << 2;
        QTest::newRow("three at the same moment: the new one goes after both")
            << QList<Stored>{at10, Stored{AlarmCompact, 10, 0, 32, true, "Saturday 10"}}
            << Stored{AlarmWizard, 10, 0, 32 | 64, true, "weekend 10"} << 2;
    }
    void sortedInsertion()
    {
        QFETCH(QList<Stored>, rows);
        QFETCH(Stored, added);
        QFETCH(int, index);
        std::vector<std::unique_ptr<Alarm>> alarms;
        CAlarmListCtrl list;
        list.resize(200, 150);
        for (const Stored& s : rows) {
            alarms.push_back(std::make_unique<Alarm>(MakeAlarm(s)));
            list.InsertSorted(alarms.back().get());
        }
        list.Select(0);
        alarms.push_back(std::make_unique<Alarm>(MakeAlarm(added)));
        QCOMPARE(list.InsertSorted(alarms.back().get()), index);
        QCOMPARE(list.AlarmAt(index), alarms.back().get());
        QCOMPARE(list.SelectedIndex(), -1); // insertion clears the selection
        // Loading them all at once (the window's load) gives the same rows.
        std::vector<Alarm*> all;
        for (const auto& a : alarms)
            all.push_back(a.get());
        CAlarmListCtrl loaded;
        loaded.InsertAllSorted(all);
        QCOMPARE(Titles(&loaded), Titles(&list));
    }

    void tiesKeepLoadOrderAndStatusCountsToTheFirst()
    {
        // Both ring at 10:00 today; sections load in key order ("4608000" before "4608032").
        Store({AlarmCompact, 10, 0, 0, true, "once"});
        Store({AlarmCompact, 10, 0, 32, true, "Saturdays"});
        Store({AlarmCompact, 9, 30, 0, false, "inactive, sooner"});
        auto w = Open();
        QCOMPARE(Titles(w->list()), (QStringList{"once", "Saturdays", "inactive, sooner"}));
        QCOMPARE(w->NextAlarm(), w->list()->AlarmAt(0));
        QCOMPARE(w->statusText(), QStringLiteral("Next alarm: 1:00:00"));
        QCOMPARE(w->list()->SelectedIndex(), 0); // the first row is selected after loading
        QCOMPARE(w->button(CMainDialog::IdActivate)->text(), QStringLiteral("Deactivate"));
    }

    void missedAlarmsShowInTheStatusLineUntilTapped()
    {
        Store({AlarmCompact, 10, 0, 0, true, "once"});
        // Two alarms of this morning that did not ring, as a rebuild or a late
        // start records them.
        auto missed = [](const char* key, const char* title, int hour, int minute) {
            notify::MissedAlarm m;
            m.application = "/opt/dawnbell/dawnbell";
            m.arguments = key;
            m.title = title;
            m.due = clock::ToLocal(clock::MakeLocal(2031, 3, 8, hour, minute, 0));
            m.noticed = At(kNow);
            m.reason = "the service was stopped";
            return notify::NotifyRecordMissed(m, nullptr);
        };
        QCOMPARE(missed("3456031", "Swim", 7, 15), notify::NotifyOk);
        QCOMPARE(missed("3840127", "Bus", 8, 20), notify::NotifyOk);
        auto w = Open();
        QCOMPARE(w->statusText(), QStringLiteral("Missed: Bus at 08:20 (and 1 more)"));

        // A tap beside the status line leaves it; a tap on it marks both seen.
        auto* status = w->findChild<QLabel*>(QString::number(CMainDialog::IdStatus));
        QVERIFY(status);
        QTest::mouseClick(w.get(), Qt::LeftButton, {}, status->geometry().topLeft() - QPoint(0, 4));
        QCOMPARE(w->statusText(), QStringLiteral("Missed: Bus at 08:20 (and 1 more)"));
        QTest::mouseClick(w.get(), Qt::LeftButton, {}, status->geometry().center());
        QCOMPARE(w->statusText(), QStringLiteral("Next alarm: 1:00:00"));
        std::vector<notify::MissedAlarm> unseen;
        QCOMPARE(notify::NotifyMissedAlarms(&unseen, true), notify::NotifyOk);
        QVERIFY(unseen.empty());

        // One missed later shows alone, from yesterday with its date.
        QCOMPARE(missed("3456127", "Tram", 7, 15), notify::NotifyOk); // same time as Swim, another alarm
        w->UpdateClockAndStatus();
        QCOMPARE(w->statusText(), QStringLiteral("Missed: Tram at 07:15"));
        notify::MissedAlarm yesterday;
        yesterday.application = "/opt/dawnbell/dawnbell";
        yesterday.arguments = "A2700020310307";
        yesterday.due = clock::ToLocal(clock::MakeLocal(2031, 3, 7, 7, 30, 0));
        yesterday.noticed = At(kNow);
        QCOMPARE(notify::NotifyRecordMissed(yesterday, nullptr), notify::NotifyOk);
        w->UpdateClockAndStatus();
        QCOMPARE(w->statusText(), QStringLiteral("Missed: A2700020310307 at 2031-03-07 07:30 (and 1 more)"));
    }

    void remainingTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0:00:00";
        QTest::newRow("under a minute") << qint64(59) << "0:00:59";
        QTest::newRow("31 hours 5 minutes 9 seconds") << qint64(31 * 3600 + 5 * 60 + 9) << "31:05:09";
        QTest::newRow("50 hours are not wrapped into days") << qint64(50 * 3600) << "50:00:00";
        QTest::newRow("over 100 hours") << qint64(123 * 3600 + 59 * 60 + 59) << "123:59:59";
        QTest::newRow("negative counts as nothing left") << qint64(-5) << "0:00:00";
    }
    void remainingTime()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(CMainDialog::FormatRemaining(seconds), text);
    }

    void appointmentFiftyHoursAhead()
    {
        // Monday 10 March 11:00 is 50 hours after Saturday 09:00.
        Store({AlarmAppointment, 11, 0, 0, true, "dentist"});
        auto w = Open();
        QCOMPARE(w->statusText(), QStringLiteral("Next alarm: 50:00:00"));
        QVERIFY(!w->list()->RowLine2(0).isEmpty()); // the date line
    }

    void arrowKeys_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("listKeepsFocus");
        QTest::newRow("Down moves to the next row") << 0 << int(Qt::Key_Down) << 1 << true;
        QTest::newRow("Up moves to the previous row") << 2 << int(Qt::Key_Up) << 1 << true;
        QTest::newRow("Down without a selection: first row") << -1 << int(Qt::Key_Down) << 0 << true;
        QTest::newRow("Up without a selection: last row") << -1 << int(Qt::Key_Up) << 2 << true;
        QTest::newRow("Up on the first row leaves the list") << 0 << int(Qt::Key_Up) << 0 << false;
        QTest::newRow("Down on the last row leaves the list") << 2 << int(Qt::Key_Down) << 2 << false;
        QTest::newRow("Left leaves the list") << 1 << int(Qt::Key_Left) << 1 << false;
        QTest::newRow("Right leaves the list") << 1 << int(Qt::Key_Right) << 1 << false;
        QTest::newRow("Tab leaves the list") << 1 << int(Qt::Key_Tab) << 1 << false;
    }
    void arrowKeys()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, selected);
        QFETCH(bool, listKeepsFocus);
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        Store({AlarmCompact, 11, 0, 0, true, "b"});
        Store({AlarmCompact, 12, 0, 0, true, "c"});
        auto w = Open();
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        CAlarmListCtrl* list = w->list();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        list->Select(start);
        QTest::keyClick(list, Qt::Key(key));
        QCOMPARE(list->SelectedIndex(), selected);
        QCOMPARE(list->hasFocus(), listKeepsFocus);
    }

    void enterActivatesTheRowByTheDoubleClickSetting()
    {
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        Profile::WriteInt("settings", "doubleClick", 1); // 1 = activate/deactivate
        auto w = Open();
        QTest::keyClick(w->list(), Qt::Key_Return);
        QCOMPARE(w->list()->AlarmAt(0)->activated, 0);
        QCOMPARE(w->button(CMainDialog::IdActivate)->text(), QStringLiteral("Activate"));
    }

    void snapBack_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QList<int>>("steps");
        // At 96 dpi the step is 10 pixels; the maximum is set by the test to 100.
        QTest::newRow("above the top") << -25 << QList<int>{-15, -5, 0};
        QTest::newRow("exactly one step above") << -10 << QList<int>{0};
        QTest::newRow("below the bottom") << 123 << QList<int>{113, 103, 100};
        QTest::newRow("already in range stops at once") << 40 << QList<int>{40};
    }
    void snapBack()
    {
        QFETCH(int, offset);
        QFETCH(QList<int>, steps);
        std::vector<std::unique_ptr<Alarm>> alarms;
        CAlarmListCtrl list;
        list.resize(200, 100);
        for (int i = 0; i < 40 && list.contentHeight() < 200; ++i) {
            alarms.push_back(std::make_unique<Alarm>(MakeAlarm({AlarmCompact, 10, i, 0, true, "x"})));
            list.InsertSorted(alarms.back().get());
        }
        list.resize(200, list.contentHeight() - 100); // maximum offset: 100
        QCOMPARE(list.maxScrollOffset(), 100);
        list.SetScrollOffset(offset);
        for (int expected : steps) {
            list.SnapBackTick();
            QCOMPARE(list.scrollOffset(), expected);
        }
        QVERIFY(!list.snapBackRunning());
    }

    void removingRowsKeepsTheOffsetInRange()
    {
        std::vector<std::unique_ptr<Alarm>> alarms;
        CAlarmListCtrl list;
        list.resize(200, 100);
        for (int i = 0; i < 10; ++i) {
            alarms.push_back(std::make_unique<Alarm>(MakeAlarm({AlarmCompact, 10, i, 0, true, "x"})));
            list.InsertSorted(alarms.back().get());
        }
        list.SetScrollOffset(list.maxScrollOffset());
        QVERIFY(list.scrollOffset() > 0);
        while (list.Count() > 2)
            list.RemoveAt(list.Count() - 1);
        // The rows now fit: without the clamp every tap would be ignored as over-scrolled.
        QCOMPARE(list.scrollOffset(), 0);
        list.show();
        QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(50, 10));
        QCOMPARE(list.SelectedIndex(), 0);
    }

    void dragOverTheTopThenSnapBack()
    {
        for (int i = 0; i < 12; ++i)
            Store({AlarmCompact, 10, i, 0, true, QString::number(i)});
        auto w = Open();
        w->show();
        CAlarmListCtrl* list = w->list();
        QVERIFY(list->contentHeight() > list->height());
        QSignalSpy spy(list, &CAlarmListCtrl::notify);
        const int x = list->width() / 2;
        // A small movement stays a tap candidate; beyond 5 pixels it drags.
        QTest::mousePress(list, Qt::LeftButton, {}, QPoint(x, 20));
        QTest::mouseMove(list, QPoint(x, 24));
        QCOMPARE(list->scrollOffset(), 0);
        QTest::mouseMove(list, QPoint(x, 30));
        QTest::mouseMove(list, QPoint(x, 60));
        QCOMPARE(list->scrollOffset(), -40);
        QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(x, 60));
        QVERIFY(list->snapBackRunning());
        QCOMPARE(spy.count(), 0); // a drag selects nothing

        // A tap while over-scrolled selects nothing.
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(x, list->height() - 10));
        QCOMPARE(list->SelectedIndex(), 0);
        QCOMPARE(spy.count(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(list->scrollOffset(), 0, 2000);
        QVERIFY(!list->snapBackRunning());
        // Back in range, a tap selects the row under it.
        const int row = list->RowAt(list->height() - 10);
        QVERIFY(row > 0);
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(x, list->height() - 10));
        QCOMPARE(list->SelectedIndex(), row);
        QCOMPARE(spy.count(), 1);
    }

    void tapBelowTheRowsClearsTheSelection()
    {
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        auto w = Open();
        w->show();
        CAlarmListCtrl* list = w->list();
        QCOMPARE(list->SelectedIndex(), 0);
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, list->height() - 5));
        QCOMPARE(list->SelectedIndex(), -1);
        QVERIFY(!w->button(CMainDialog::IdRemove)->isEnabled());
        // A double tap on a row selects it and activates it once; its button-up
        // does not select again.
        QSignalSpy spy(list, &CAlarmListCtrl::notify);
        QTest::mouseDClick(list, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(list->SelectedIndex(), 0);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), int(CAlarmListCtrl::NotifyRowActivated));
    }

    void removeSelectsTheNeighbour_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("a middle row: the next takes its place") << 3 << 1 << 1;
        QTest::newRow("the first row") << 3 << 0 << 0;
        QTest::newRow("the last row: the new last row") << 3 << 2 << 1;
        QTest::newRow("the only row: nothing left") << 1 << 0 << -1;
    }
    void removeSelectsTheNeighbour()
    {
        QFETCH(int, count);
        QFETCH(int, removed);
        QFETCH(int, selectedAfter);
        for (int i = 0; i < count; ++i)
            Store({AlarmCompact, 10 + i, 0, 0, true, QString::number(i)});
        auto w = Open();
        w->list()->Select(removed);
        const QString key = w->list()->AlarmAt(removed)->GetKey();
        w->OnCommand(CMainDialog::IdRemove);
        QCOMPARE(w->list()->Count(), count - 1);
        QCOMPARE(w->list()->SelectedIndex(), selectedAfter);
        QVERIFY(!AlarmStore::LoadSection(key));
        QVERIFY(!Records().join(' ').contains(key + "@"));
        const bool any = selectedAfter >= 0;
        for (int id : {CMainDialog::IdRemove, CMainDialog::IdTest, CMainDialog::IdActivate})
            QCOMPARE(w->button(id)->isEnabled(), any);
        if (!any)
            QCOMPARE(w->statusText(), QStringLiteral("No active alarm."));
    }

    void removeAnsweredNoKeepsTheAlarm()
    {
        const QString key = Store({AlarmCompact, 10, 0, 0, true, "kept"});
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        auto w = Open();
        w->OnCommand(CMainDialog::IdRemove);
        QCOMPARE(w->list()->Count(), 1);
        QVERIFY(AlarmStore::LoadSection(key));
    }

    void ringThroughCopyData_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("autoExit");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("row");
        QTest::addColumn<QString>("scheduled"); // next registration, "" = none
        // Rung at its time: Saturday 10:00.
        QTest::newRow("repeating: active again for next Saturday")
            << int(AlarmCompact) << 32 << true << true << true << true << "2031-03-15 10:00:00";
        QTest::newRow("repeating every day: tomorrow")
            << int(AlarmWizard) << 127 << false << true << true << true << "2031-03-09 10:00:00";
        QTest::newRow("one-time: stays inactive") << int(AlarmCompact) << 0 << true << false << true << true << "";
        QTest::newRow("appointment with autoExit: section and row gone")
            << int(AlarmAppointment) << 0 << true << false << false << false << "";
        QTest::newRow("appointment without autoExit: section gone, row stays")
            << int(AlarmAppointment) << 0 << false << false << false << true << "";
    }
    void ringThroughCopyData()
    {
        QFETCH(int, type);
        QFETCH(int, days);
        QFETCH(bool, autoExit);
        QFETCH(bool, active);
        QFETCH(bool, stored);
        QFETCH(bool, row);
        QFETCH(QString, scheduled);
        Profile::WriteInt("settings", "autoExit", autoExit ? 1 : 0);
        Alarm stub = MakeAlarm({type, 10, 0, days, true, "ring"});
        if (type == AlarmAppointment) { // today at 10:00
            stub.dateDay = 8;
            stub.alarmTime = clock::MakeLocal(2031, 3, 8, 10, 0, 0);
        }
        stub.Save();
        const QString key = stub.GetKey();
        Store({AlarmCompact, 12, 0, 0, true, "other"});
        auto w = Open();
        w->show();
        clock::SetNowForTesting(At("2031-03-08 10:00:00"));
        QCOMPARE(w->OnCopyData(CMainDialog::CopyRing, key), 1);
        QCOMPARE(m_rings, 1);
        QCOMPARE(w->isVisible(), !autoExit); // autoExit ends the program
        std::unique_ptr<Alarm> loaded = AlarmStore::LoadSection(key);
        QCOMPARE(bool(loaded), stored);
        if (loaded)
            QCOMPARE(loaded->activated, active ? 1 : 0);
        Alarm* inList = nullptr;
        for (int i = 0; i < w->list()->Count(); ++i) {
            if (w->list()->AlarmAt(i)->GetKey() == key)
                inList = w->list()->AlarmAt(i);
        }
        QCOMPARE(inList != nullptr, row);
        if (inList)
            QCOMPARE(w->list()->SelectedAlarm(), inList);
        QStringList expected;
        if (!scheduled.isEmpty())
            expected << key + "@" + scheduled;
        expected << MakeAlarm({AlarmCompact, 12, 0, 0, true, "other"}).GetKey() + "@2031-03-08 12:00:00";
        expected.sort();
        QStringList records = Records();
        records.sort();
        QCOMPARE(records, expected);
    }

    void alarmsDueTogetherRingInTurn()
    {
        // Two alarms a minute apart; the second start's key arrives while the
        // first rings. Two ringing windows would fight over the front for ever:
        // the second rings once the first has ended, then the window ends.
        Profile::WriteInt("settings", "autoExit", 1);
        const QString first = Store({AlarmCompact, 10, 0, 127, true, "first"});
        const QString second = Store({AlarmCompact, 10, 1, 127, true, "second"});
        QStringList rung;
        int depth = 0;
        int deepest = 0;
        CMainDialog* window = nullptr;
        m_services.ring = [&](Alarm* alarm, QWidget*) {
            deepest = std::max(deepest, ++depth);
            rung << alarm->title;
            if (alarm->title == "first")
                window->OnCopyData(CMainDialog::CopyRing, second);
            --depth;
        };
        auto w = Open();
        window = w.get();
        clock::SetNowForTesting(At("2031-03-08 10:01:00"));
        QCOMPARE(w->OnCopyData(CMainDialog::CopyRing, first), 1);
        QCOMPARE(rung, (QStringList{"first", "second"}));
        QCOMPARE(deepest, 1);
        QVERIFY(!w->isVisible());
        QStringList records = Records();
        records.sort();
        QCOMPARE(records, (QStringList{first + "@2031-03-09 10:00:00", second + "@2031-03-09 10:01:00"}));
    }

    void ringUnknownKeyDoesNothing()
    {
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        auto w = Open();
        w->show();
        QCOMPARE(w->OnCopyData(CMainDialog::CopyRing, "4608001"), 1);
        QCOMPARE(m_rings, 0);
        QVERIFY(w->isVisible());
        QCOMPARE(w->OnCopyData(CMainDialog::CopyRefresh, QString()), 0);
    }

    void copyDataActivationReinserts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("startActive");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("activated");
        QTest::newRow("3 activates and moves the row up")
            << int(CMainDialog::CopyActivate) << false << QStringList{"target", "noon"} << 1;
        QTest::newRow("4 deactivates and moves the row down")
            << int(CMainDialog::CopyDeactivate) << true << QStringList{"noon", "target"} << 0;
    }
    void copyDataActivationReinserts()
    {
        QFETCH(int, code);
        QFETCH(bool, startActive);
        QFETCH(QStringList, order);
        QFETCH(int, activated);
        Store({AlarmCompact, 12, 0, 0, true, "noon"});
        const QString key = Store({AlarmCompact, 10, 0, 0, startActive, "target"});
        auto w = Open();
        QCOMPARE(w->OnCopyData(code, key), 1);
        QCOMPARE(Titles(w->list()), order);
        QCOMPARE(w->list()->SelectedAlarm()->title, QStringLiteral("target"));
        QCOMPARE(AlarmStore::LoadSection(key)->activated, activated);
        QCOMPARE(Records().join(' ').contains(key + "@"), activated == 1);
        QCOMPARE(w->button(CMainDialog::IdActivate)->text(),
                 activated ? QStringLiteral("Deactivate") : QStringLiteral("Activate"));
    }

    void activateAndDeactivateAll()
    {
        QTemporaryDir boxes;
        const QString record = boxes.filePath("boxes.txt");
        qputenv("DAWNBELL_MSGBOX_RECORD", record.toUtf8());
        Store({AlarmCompact, 10, 0, 0, false, "a"});
        Store({AlarmCompact, 11, 0, 0, true, "b"});
        // An appointment in the past cannot be activated.
        Alarm past = MakeAlarm({AlarmAppointment, 8, 0, 0, false, "past"});
        past.dateDay = 1;
        past.alarmTime = clock::MakeLocal(2031, 3, 1, 8, 0, 0);
        past.Save();
        auto w = Open();
        w->OnCommand(CMainDialog::CmdActivateAll);
        QCOMPARE(Titles(w->list()), (QStringList{"a", "b", "past"}));
        QCOMPARE(w->list()->AlarmAt(2)->activated, 0);
        QCOMPARE(Records().size(), 2);
        QFile shown(record);
        QVERIFY(shown.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(shown.readAll()), QStringLiteral("Fehler\tThe time of the alarm is in the past!\n"));
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        w->OnCommand(CMainDialog::CmdDeactivateAll);
        for (int i = 0; i < w->list()->Count(); ++i)
            QCOMPARE(w->list()->AlarmAt(i)->activated, 0);
        QCOMPARE(Records().size(), 0);
        QCOMPARE(w->statusText(), QStringLiteral("No active alarm."));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("rings");
        QTest::addColumn<int>("edits");
        QTest::addColumn<int>("activeAfter");
        QTest::newRow("empty") << "" << 0 << 0 << 1;
        QTest::newRow("reinit") << "reinit" << 0 << 0 << 1;
        QTest::newRow("reset, handled by start-up, is no key") << "reset" << 0 << 0 << 1;
        QTest::newRow("a key rings, and the one-time alarm is then off") << "KEY" << 1 << 0 << 0;
        QTest::newRow("edit and a key edits") << "edit KEY" << 0 << 1 << 1;
        QTest::newRow("edit without the blank is a key") << "editKEY" << 0 << 0 << 1;
        QTest::newRow("an unknown key does nothing") << "4608001" << 0 << 0 << 1;
        QTest::newRow("test and a key rings, the alarm stays on") << "test KEY" << 1 << 0 << 1;
    }
    void commandLine()
    {
        QFETCH(QString, line);
        QFETCH(int, rings);
        QFETCH(int, edits);
        QFETCH(int, activeAfter);
        const QString key = Store({AlarmCompact, 10, 0, 0, true, "a"});
        line.replace("KEY", key);
        Profile::WriteInt("settings", "autoExit", 0);
        int editorRuns = 0;
        m_services.compactEditor = [&](Alarm* a, CMainDialog*) {
            ++editorRuns;
            return a->GetKey() == key;
        };
        auto w = Open();
        w->ExecuteCommandLine(CommandLine::Classify(line));
        QCOMPARE(m_rings, rings);
        QCOMPARE(editorRuns, edits);
        // Edited and accepted alarms are active and stored again.
        QVERIFY(AlarmStore::LoadSection(key));
        QCOMPARE(AlarmStore::LoadSection(key)->activated, activeAfter);
        QVERIFY(w->isVisible()); // autoExit is off
    }

    void refreshReloadsTheStoreOnceNoWindowIsOverIt()
    {
        const QString gone = Store({AlarmCompact, 10, 0, 0, true, "removed elsewhere"});
        const QString kept = Store({AlarmCompact, 11, 0, 0, true, "switched off elsewhere"});
        auto w = Open();
        w->list()->Select(1);
        QCOMPARE(w->list()->SelectedAlarm()->title, QStringLiteral("switched off elsewhere"));

        // Another program changes the store while an editor is open over the window.
        QDialog editor(w.get());
        QTimer::singleShot(0, &editor, [&] {
            Alarm off = *AlarmStore::LoadSection(kept);
            off.activated = 0;
            off.Save();
            AlarmStore::DeleteSection(*AlarmStore::LoadSection(gone));
            Store({AlarmCompact, 8, 0, 0, true, "added elsewhere"});
            QCOMPARE(w->OnCopyData(CMainDialog::CopyRefresh, QString()), 0);
            // The alarm under the editor stays until the editor is closed.
            QCOMPARE(Titles(w->list()), (QStringList{"removed elsewhere", "switched off elsewhere"}));
            QTimer::singleShot(300, &editor, &QDialog::accept);
        });
        editor.exec();
        QTRY_COMPARE(Titles(w->list()), (QStringList{"added elsewhere", "switched off elsewhere"}));
        QCOMPARE(w->list()->SelectedAlarm()->title, QStringLiteral("switched off elsewhere"));
        QCOMPARE(w->list()->SelectedAlarm()->activated, 0);
        QVERIFY(w->statusText().startsWith(QStringLiteral("Next alarm: ")));
        QCOMPARE(Records().size(), 1);
    }

    void editCancelRestoresActivation()
    {
        const QString key = Store({AlarmCompact, 10, 0, 0, true, "a"});
        QStringList keptWhileOpen;
        m_services.compactEditor = [&keptWhileOpen, key](Alarm* a, CMainDialog*) {
            // Out of the store; a copy is kept in case the program dies now.
            if (!AlarmStore::LoadSection(key))
                keptWhileOpen = EditBackup::PendingKeys();
            a->title = QStringLiteral("changed");
            return false; // cancelled
        };
        auto w = Open();
        QVERIFY(w->button(CMainDialog::IdEdit)->isEnabled());
        QVERIFY(w->menuFor(CMainDialog::IdEdit));
        w->OnCommand(CMainDialog::IdEdit);
        const auto loaded = AlarmStore::LoadSection(key);
        QVERIFY(loaded);
        QCOMPARE(loaded->activated, 1);
        QCOMPARE(Records(), QStringList{key + "@2031-03-08 10:00:00"});
        QCOMPARE(keptWhileOpen, QStringList{key});
        QVERIFY(EditBackup::PendingKeys().isEmpty());
    }

    void windowsNotBuiltYetAreHidden_data()
    {
        QTest::addColumn<int>("windows"); // WindowCompact | WindowWizard | WindowSelection | WindowOptions
        QTest::addColumn<QStringList>("addMenu"); // empty: no Add button
        QTest::addColumn<QStringList>("editMenu");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("options");
        const QStringList kinds{"New wizard alarm", "New compact alarm", "New appointment alarm", "New command alarm"};
        QTest::newRow("none") << 0 << QStringList{} << QStringList{} << false << false;
        QTest::newRow("compact editor: the wizard's template and kinds are left out")
            << int(WindowCompact) << QStringList{"New compact alarm"} << QStringList{"Edit as compact alarm"} << true
            << false;
        QTest::newRow("both editors: the kinds, then the templates")
            << int(WindowCompact | WindowWizard) << (kinds + QStringList{"Morning"})
            << QStringList{"Edit as wizard alarm", "Edit as compact alarm"} << true << false;
        QTest::newRow("with the template selection the hold menu lists the templates")
            << int(WindowCompact | WindowWizard | WindowSelection) << QStringList{"Morning"}
            << QStringList{"Edit as wizard alarm", "Edit as compact alarm"} << true << false;
        QTest::newRow("options") << int(WindowCompact | WindowOptions) << QStringList{"New compact alarm"}
                                 << QStringList{"Edit as compact alarm"} << true << true;
    }
    void windowsNotBuiltYetAreHidden()
    {
        QFETCH(int, windows);
        QFETCH(QStringList, addMenu);
        QFETCH(QStringList, editMenu);
        QFETCH(bool, edit);
        QFETCH(bool, options);
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        AlarmTemplate morning;
        morning.type = AlarmWizard;
        morning.name = QStringLiteral("Morning");
        morning.Save();
        auto never = [](Alarm*, CMainDialog*) { return false; };
        if (windows & WindowCompact)
            m_services.compactEditor = never;
        if (windows & WindowWizard)
            m_services.wizard = never;
        if (windows & WindowSelection)
            m_services.templateSelection = never;
        if (windows & WindowOptions)
            m_services.options = [](CMainDialog*) { return false; };
        auto w = Open();
        // The entries of a menu; one shown disabled would read "(disabled) ...".
        auto entries = [](QMenu* menu) {
            QStringList out;
            for (QAction* a : menu ? menu->actions() : QList<QAction*>{}) {
                if (!a->isSeparator())
                    out << (a->isEnabled() ? a->text() : "(disabled) " + a->text());
            }
            return out;
        };
        QCOMPARE(entries(w->menuFor(CMainDialog::IdAdd)), addMenu);
        QCOMPARE(w->button(CMainDialog::IdAdd)->isVisible(), !addMenu.isEmpty());
        QCOMPARE(entries(w->menuFor(CMainDialog::IdEdit)), editMenu);
        QCOMPARE(w->button(CMainDialog::IdEdit)->isVisible(), edit);
        QCOMPARE(w->button(CMainDialog::IdOptions)->isVisible(), options);
        QCOMPARE(entries(w->menuFor(CMainDialog::IdActivate)), (QStringList{"Activate all", "Deactivate all"}));
        // Double-click action 0 (edit) without an editor leaves the alarm alone.
        QTest::keyClick(w->list(), Qt::Key_Return);
        QCOMPARE(w->list()->Count(), 1);
        QCOMPARE(w->list()->AlarmAt(0)->activated, 1);
    }

    void newAlarmsRefreshTheSimulationOnceListed_data()
    {
        QTest::addColumn<int>("how"); // 0 New compact alarm, 1 a template item, 2 Add (template selection)
        QTest::newRow("new compact alarm") << 0;
        QTest::newRow("template item") << 1;
        QTest::newRow("template selection") << 2;
    }
    void newAlarmsRefreshTheSimulationOnceListed()
    {
        QFETCH(int, how);
        Profile::WriteInt("settings", "simulateSystemAlarm", 1);
        Store({AlarmCompact, 12, 0, 0, true, "noon"});
        if (how == 1) {
            AlarmTemplate early;
            early.type = AlarmCompact;
            early.name = QStringLiteral("Early");
            early.Save();
        }
        QStringList refreshed; // the next alarm at each refresh
        m_services.simulation = [&](Alarm* next) { refreshed << (next ? next->title : QStringLiteral("none")); };
        // The editor makes it due at 09:30 today, before "noon".
        auto accept = [](Alarm* a, CMainDialog*) {
            a->type = AlarmCompact;
            a->title = QStringLiteral("early");
            a->alarmTime = clock::MakeLocal(2031, 3, 8, 9, 30, 0);
            return true;
        };
        m_services.compactEditor = accept;
        if (how == 2)
            m_services.templateSelection = accept;
        auto w = Open();
        const int commands[] = {CMainDialog::CmdNewCompact, CMainDialog::CmdTemplateFirst, CMainDialog::IdAdd};
        w->OnCommand(commands[how]);
        QCOMPARE(w->list()->Count(), 2);
        QVERIFY(!refreshed.isEmpty());
        QCOMPARE(refreshed.last(), QStringLiteral("early"));
    }

    void placement_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QRect>("kept"); // remembered geometry in the settings; empty: none
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("desktop");
        // Handhelds fill the display, whatever was remembered.
        QTest::newRow("handheld 480x800 at 192 dpi")
            << "480x800@192" << QRect(5, 6, 300, 300) << QRect(0, 0, 240, 400) << false;
        QTest::newRow("handheld 240x320") << "240x320@96" << QRect() << QRect(0, 0, 240, 320) << false;
        QTest::newRow("handheld 800x480") << "800x480@96" << QRect() << QRect(0, 0, 800, 480) << false;
        // Desktops: 400 x 600 (scaled) in the middle, or where the window was left.
        QTest::newRow("desktop 1280x800") << "1280x800@96" << QRect() << QRect(440, 100, 400, 600) << true;
        QTest::newRow("desktop at 192 dpi (1280 x 720 logical)")
            << "2560x1440@192" << QRect() << QRect(440, 60, 400, 600) << true;
        QTest::newRow("desktop, remembered")
            << "1280x800@96" << QRect(100, 50, 500, 700) << QRect(100, 50, 500, 700) << true;
        QTest::newRow("desktop, remembered off the screen")
            << "1280x800@96" << QRect(5000, 50, 500, 700) << QRect(440, 100, 400, 600) << true;
        QTest::newRow("desktop, remembered too narrow")
            << "1280x800@96" << QRect(100, 50, 20, 700) << QRect(440, 100, 400, 600) << true;
    }
    void placement()
    {
        QFETCH(QString, screen);
        QFETCH(QRect, kept);
        QFETCH(QRect, geometry);
        QFETCH(bool, desktop);
        qputenv("DAWNBELL_SCREEN", screen.toUtf8());
        ResetDpiCacheForTesting();
        if (!kept.isNull()) {
            Profile::WriteInt("settings", "windowLeft", kept.x());
            Profile::WriteInt("settings", "windowTop", kept.y());
            Profile::WriteInt("settings", "windowWidth", kept.width());
            Profile::WriteInt("settings", "windowHeight", kept.height());
        }
        auto w = std::make_unique<CMainDialog>(m_services);
        w->show();
        // (A handheld's window system places the full-screen window itself.)
        QCOMPARE(w->size(), geometry.size());
        if (desktop)
            QCOMPARE(w->geometry().topLeft(), geometry.topLeft());
        // A desktop window's place and size are kept when it closes.
        w->setGeometry(30, 40, 410, 610);
        w->OnCommand(CMainDialog::IdOk);
        QCOMPARE(Profile::ReadInt("settings", "windowLeft", -1), desktop ? 30 : kept.isNull() ? -1 : kept.x());
        QCOMPARE(Profile::ReadInt("settings", "windowHeight", -1),
                 desktop ? 610 : kept.isNull() ? -1 : kept.height());
    }

    void longPressOpensTheMenuInsteadOfTheCommand()
    {
        Store({AlarmCompact, 10, 0, 0, true, "a"});
        auto w = Open();
        QPushButton* activate = w->button(CMainDialog::IdActivate);
        QWidget* popup = nullptr;
        QTimer::singleShot(900, [&] {
            popup = QApplication::activePopupWidget();
            if (popup)
                popup->close();
        });
        QTest::mousePress(activate, Qt::LeftButton, {}, activate->rect().center());
        QTest::qWait(1200);
        QTest::mouseRelease(activate, Qt::LeftButton, {}, activate->rect().center());
        QCOMPARE(popup, static_cast<QWidget*>(w->menuFor(CMainDialog::IdActivate)));
        QCOMPARE(w->list()->AlarmAt(0)->activated, 1); // the release after the menu is no tap
        QTest::mouseClick(activate, Qt::LeftButton, {}, activate->rect().center());
        QCOMPARE(w->list()->AlarmAt(0)->activated, 0); // a plain tap toggles
    }

    void editMenuOnlyForCompactAndWizardAlarms_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("menu");
        QTest::newRow("compact") << int(AlarmCompact) << true;
        QTest::newRow("wizard") << int(AlarmWizard) << true;
        QTest::newRow("appointment") << int(AlarmAppointment) << false;
        QTest::newRow("command") << int(AlarmCommand) << false;
    }
    void editMenuOnlyForCompactAndWizardAlarms()
    {
        QFETCH(int, type);
        QFETCH(bool, menu);
        Store({type, 10, 0, 0, true, "a"});
        m_services.compactEditor = m_services.wizard = [](Alarm*, CMainDialog*) { return false; };
        auto w = Open();
        QCOMPARE(w->menuFor(CMainDialog::IdEdit) != nullptr, menu);
        w->list()->Select(-1);
        QVERIFY(!w->menuFor(CMainDialog::IdEdit));
    }

    void listStretchesWithTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("listRect");
        // At a layout's own size nothing stretches; the list takes the space
        // left below the status line (margin 5) and right of the rightmost
        // control (margin 13).
        QTest::newRow("portrait design size") << QSize(240, 268) << QRect(10, 44, 219, 138);
        QTest::newRow("portrait, taller") << QSize(240, 320) << QRect(10, 44, 219, 190);
        QTest::newRow("portrait, wider") << QSize(480, 640) << QRect(10, 44, 457, 510);
        QTest::newRow("landscape design size") << QSize(320, 188) << QRect(10, 50, 209, 110);
        QTest::newRow("landscape, wider") << QSize(400, 188) << QRect(10, 50, 289, 110);
        QTest::newRow("landscape, taller") << QSize(320, 240) << QRect(10, 50, 209, 162);
        QTest::newRow("square") << QSize(240, 240) << QRect(10, 42, 219, 127);
    }
    void listStretchesWithTheWindow()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, listRect);
        auto w = Open();
        w->resize(size);
        QCOMPARE(w->list()->geometry(), listRect);
        // The buttons stay inside the window and apart from the list.
        for (int id : {CMainDialog::IdAdd, CMainDialog::IdOptions}) {
            QVERIFY(w->rect().contains(w->button(id)->geometry()));
            QVERIFY(!w->button(id)->geometry().intersects(listRect));
        }
    }

    // A tick repaints the clock line and the status line, each only when its
    // text changed and only its own area: never the list, the buttons or the
    // rest of the window. What changed between two ticks without a word to the
    // window shows at the next one: a missed alarm another program recorded in
    // the notification store, a new time zone.
    void tickRepaintsOnlyWhatChanged_data()
    {
        QTest::addColumn<bool>("active");  // the stored alarm is active (the status counts down)
        QTest::addColumn<int>("seconds");  // how far the clock moved since the last tick
        QTest::addColumn<QString>("meanwhile"); // "missed": another connection records a missed alarm;
                                                // a TZ value: the zone changes; "": nothing
        QTest::addColumn<QStringList>("repainted"); // what is repainted: clock, status, list
        QTest::addColumn<QString>("clockShows");    // part of the clock line after the tick
        QTest::addColumn<QString>("statusShows");   // the status line after the tick
        QTest::newRow("a second on, counting down")
            << true << 1 << QString() << QStringList{"clock", "status"} << "09:00:01" << "Next alarm: 21:59:59";
        QTest::newRow("a second on, no active alarm")
            << false << 1 << QString() << QStringList{"clock"} << "09:00:01" << "No active alarm.";
        QTest::newRow("the same second again")
            << true << 0 << QString() << QStringList{} << "09:00:00" << "Next alarm: 22:00:00";
        QTest::newRow("the same second, another program records a missed alarm")
            << true << 0 << "missed" << QStringList{"status"} << "09:00:00" << "Missed: Stand-up at 08:30";
        QTest::newRow("the same moment in a zone an hour behind")
            << true << 0 << "GMT0" << QStringList{"clock", "status", "list"} << "08:00:00" << "Next alarm: 23:00:00";
    }
    void tickRepaintsOnlyWhatChanged()
    {
        QFETCH(bool, active);
        QFETCH(int, seconds);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, repainted);
        QFETCH(QString, clockShows);
        QFETCH(QString, statusShows);
        const QByteArray zone = qgetenv("TZ");
        const auto restoreZone = qScopeGuard([zone] {
            qputenv("TZ", zone);
            tzset();
        });
        Stored alarm;
        alarm.active = active;
        alarm.title = QStringLiteral("Bakery");
        Store(alarm);
        auto w = Open();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect clock = w->findChild<QLabel*>(QStringLiteral("1021"))->geometry();
        const QRect status = w->findChild<QLabel*>(QStringLiteral("1020"))->geometry();
        QVERIFY(!clock.intersects(status));
        QCOMPARE(w->statusText().startsWith(QLatin1String("Next alarm: ")), active);
        test::PaintLog log;
        log.Watch(w.get());
        log.Watch(w->list());
        const QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
        for (QPushButton* b : buttons)
            log.Watch(b);
        test::RunQueuedEvents();
        log.Clear();

        const int64_t then = At(kNow) + seconds; // read in the zone of the test
        if (meanwhile == QLatin1String("missed")) {
            // The service's own connection, as the daemon records a start it gave up on.
            notify::NotifyStore daemon;
            QCOMPARE(daemon.Open(m_home.filePath(QStringLiteral("notifications.db")).toStdString()), notify::NotifyOk);
            notify::MissedAlarm m;
            m.application = kProgram.toStdString();
            m.arguments = "3456000";
            m.due = clock::ToLocal(At("2031-03-08 08:30:00"));
            m.noticed = At(kNow);
            m.title = "Stand-up";
            m.reason = "the program did not start";
            bool added = false;
            QCOMPARE(daemon.AddMissed(m, &added), notify::NotifyOk);
            QVERIFY(added);
        } else if (!meanwhile.isEmpty()) {
            qputenv("TZ", meanwhile.toUtf8()); // as a user picks another zone; the window is not told
        }
        clock::SetNowForTesting(then);
        w->UpdateClockAndStatus(); // what each tick of the clock does
        test::RunQueuedEvents();

        QVERIFY2(w->clockText().contains(clockShows), qPrintable(w->clockText()));
        QCOMPARE(w->statusText(), statusShows);
        QRegion expected;
        if (repainted.contains(QLatin1String("clock")))
            expected += clock;
        if (repainted.contains(QLatin1String("status")))
            expected += status;
        const QRegion painted = log.Painted(w.get());
        QVERIFY2((QRegion(expected) - painted).isEmpty(), "a changed line was not repainted");
        QVERIFY2((painted - expected).isEmpty(), "more than the changed lines was repainted");
        QCOMPARE(log.Count(w.get()), repainted.isEmpty() ? 0 : 1);
        QCOMPARE(log.Count(w->list()) > 0, repainted.contains(QLatin1String("list")));
        for (QPushButton* b : buttons)
            QCOMPARE(log.Count(b), 0);
    }

    // logind's object of a session (whose LockedHint the clock follows), as
    // logind names them: /org/freedesktop/login1/session/_32 for session "2".
    void screenLockFindsTheSession_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("path");
        const QString prefix = QStringLiteral("/org/freedesktop/login1/session/");
        QTest::newRow("a number") << "2" << prefix + "_32";
        QTest::newRow("two digits") << "12" << prefix + "_312";
        QTest::newRow("a letter first") << "c7" << prefix + "c7";
        QTest::newRow("other characters") << "a-b.c" << prefix + "a_2db_2ec";
        QTest::newRow("none") << "" << "";
        QTest::newRow("too long") << QString(65, QLatin1Char('a')) << "";
    }
    void screenLockFindsTheSession()
    {
        QFETCH(QString, id);
        QFETCH(QString, path);
        QCOMPARE(ScreenLockWatch::SessionPathFor(id), path);
    }

    // The clock line keeps the time while the window can be seen, whichever
    // window is active, and rests only while the window is minimized, hidden,
    // covered whole by a modal window (the ringing window) or the screen is
    // locked (the screensaver's signal on the session bus, logind's LockedHint);
    // back in view it shows the time at once.
    void clockRunsWhileTheWindowIsSeen_data()
    {
        QTest::addColumn<QString>("cover");
        QTest::addColumn<bool>("runs");
        QTest::newRow("another window is active") << "other window" << true;
        QTest::newRow("minimized") << "minimized" << false;
        QTest::newRow("hidden") << "hidden" << false;
        QTest::newRow("screen locked") << "locked" << false;
        QTest::newRow("GNOME screen locked") << "gnome locked" << false;
        QTest::newRow("session locked (logind)") << "logind locked" << false;
        QTest::newRow("a modal window over all of it") << "modal over all" << false;
        QTest::newRow("a modal window over part of it") << "modal over part" << true;
    }
    void clockRunsWhileTheWindowIsSeen()
    {
        QFETCH(QString, cover);
        QFETCH(bool, runs);
        if (cover.endsWith(QLatin1String("locked")) && !m_busError.isEmpty())
            QSKIP(qPrintable(m_busError));
        const QString iface = cover.startsWith(QLatin1String("gnome")) ? QStringLiteral("org.gnome.ScreenSaver")
                                                                        : QStringLiteral("org.freedesktop.ScreenSaver");
        auto lock = [&](bool on) {
            if (cover.startsWith(QLatin1String("logind"))) {
                QVERIFY(m_logind.SetLocked(on));
            } else {
                QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/ScreenSaver"), iface,
                                                            QStringLiteral("ActiveChanged"));
                m << on;
                QVERIFY(QDBusConnection::sessionBus().send(m));
            }
            QTest::qWait(300); // the bus hands the signal back
        };
        auto w = Open();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY2(w->clockText().contains(QLatin1String("09:00:00")), qPrintable(w->clockText()));
        QWidget other;
        QDialog modal; // a ringing window, an editor filling the screen, or a smaller one
        if (cover.startsWith(QLatin1String("modal"))) {
            modal.setWindowModality(Qt::ApplicationModal);
            const QRect g = w->frameGeometry();
            modal.setGeometry(cover.endsWith(QLatin1String("all")) ? g.adjusted(-10, -10, 10, 10)
                                                                    : g.adjusted(20, 20, -20, -20));
            modal.show();
            QVERIFY(QTest::qWaitForWindowExposed(&modal));
        } else if (cover == QLatin1String("other window")) {
            other.resize(100, 100);
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            QVERIFY(!w->isActiveWindow());
        } else if (cover == QLatin1String("minimized")) {
            w->showMinimized();
        } else if (cover == QLatin1String("hidden")) {
            w->hide();
        } else {
            lock(true);
        }
        clock::SetNowForTesting(At("2031-03-08 09:00:07"));
        if (runs) {
            QTRY_VERIFY_WITH_TIMEOUT(w->clockText().contains(QLatin1String("09:00:07")), 3000);
            // Idle, the one-second tick is all that runs: no poll, no
            // gesture timer, no animation of the window or its controls.
            QCOMPARE(RunningTimers(w.get()), QList<int>{CMainDialog::kClockPeriodMs});
            return;
        }
        QTest::qWait(1500);
        QVERIFY2(w->clockText().contains(QLatin1String("09:00:00")), qPrintable(w->clockText()));
        // Nothing at all runs while nobody can see the window.
        QCOMPARE(RunningTimers(w.get()), QList<int>());
        // Back in view: the time shows at once, and the clock runs on.
        if (cover.endsWith(QLatin1String("locked")))
            lock(false);
        else if (cover.startsWith(QLatin1String("modal")))
            modal.hide();
        else
            w->showNormal();
        QTRY_VERIFY_WITH_TIMEOUT(w->clockText().contains(QLatin1String("09:00:07")), 500);
        clock::SetNowForTesting(At("2031-03-08 09:00:09"));
        QTRY_VERIFY_WITH_TIMEOUT(w->clockText().contains(QLatin1String("09:00:09")), 3000);
    }
};

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
