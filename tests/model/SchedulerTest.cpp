// Rebuilding the program's notifications from the real registry into the real
// notification store, the time-clash check, and the changes that reach the
// schedule through AlarmChanges (activation, after a ringing, a kill between).
#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmStore.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"
#include "StandInService.h"
#include "TempHome.h"
#include "TestEnv.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace dawnbell;
using dawnbell::test::At;
using dawnbell::test::Format;

namespace {

const QString kProgram = QStringLiteral("/opt/dawnbell/bin/dawnbell");

// A stored alarm section: its name and the raw `activated` value ("" = missing,
// "sz" = a text instead of a number).
struct StoredSection {
    QString name;
    QString activated;
};

void Store(const StoredSection& s)
{
    RegKey key;
    const std::string path = (Profile::RootPath() + QLatin1Char('\\') + s.name).toStdString();
    QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &key), RegOk);
    key.WriteString("title", u"x");
    if (s.activated == "sz")
        key.WriteString("activated", u"1");
    else if (!s.activated.isEmpty())
        key.WriteDword("activated", s.activated.toUInt());
}

// The records of the store as "APPLICATION|ARGUMENTS|YYYY-MM-DD HH:MM:SS", in
// start order.
QStringList Records()
{
    std::vector<notify::NotifyRecord> list;
    notify::NotifyList(&list);
    QStringList out;
    for (const notify::NotifyRecord& r : list)
        out << QString::fromStdString(r.trigger.application) + "|" + QString::fromStdString(r.trigger.arguments) +
                   "|" + Format(r.trigger.start);
    return out;
}

uint32_t AddRecord(const QString& app, const QString& args, const QString& at)
{
    notify::NotifyTrigger t;
    t.application = app.toStdString();
    t.arguments = args.toStdString();
    t.start = clock::ToLocal(At(at));
    t.end = t.start;
    return notify::NotifySetTime(t);
}

// The sections below the root.
QStringList SectionNames()
{
    QStringList names;
    RegKey root;
    if (RegKey::Open(Hive::CurrentUser, Profile::RootPath().toStdString(), &root) != RegOk)
        return names;
    std::string name;
    for (uint32_t i = 0; root.EnumKey(i, &name) == RegOk; ++i)
        names << QString::fromStdString(name);
    return names;
}

QString Expect(const QString& args, const QString& at)
{
    return kProgram + "|" + args + "|" + at;
}

// Key of a plain alarm.
QString Key(int h, int m, int s, int days)
{
    return QString::number((h * 3600 + m * 60 + s) * 128 + days);
}

Alarm* MakeAlarm(int type, int h, int m, int days, int y = 2031, int mo = 3, int d = 8)
{
    auto* a = new Alarm;
    a->type = type;
    a->alarmTime = clock::MakeLocal(2031, 3, 8, h, m, 0);
    a->repeatDays = days;
    a->dateYear = y;
    a->dateMonth = mo;
    a->dateDay = d;
    return a;
}

} // namespace

Q_DECLARE_METATYPE(StoredSection)

class SchedulerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::UseFixedZoneAndLocale(); }

    void init()
    {
        notify::NotifyCloseStore();
        home_.Renew();
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        Scheduler::SetProgramPathForTesting(kProgram);
    }
    void cleanup()
    {
        test::StopStandInService(standIn_);
        standIn_ = -1;
        clock::SetNowForTesting(std::nullopt);
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
        Scheduler::SetProgramPathForTesting(QString());
    }

    // All dates lie in the future of the real clock, so the service started by
    // the first registration never fires during the test.
    void rebuildSchedulesEachActiveAlarm_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QList<StoredSection>>("sections");
        QTest::addColumn<QStringList>("expected");

        const QString mondayToFriday7 = Key(7, 0, 0, 31);
        const QString once8 = Key(8, 0, 0, 0);
        QTest::newRow("Saturday 09:00: weekdays 07:00 and once 08:00")
            << "2031-03-08 09:00:00" << QList<StoredSection>{{mondayToFriday7, "1"}, {once8, "1"}}
            << QStringList{Expect(once8, "2031-03-09 08:00:00"), Expect(mondayToFriday7, "2031-03-10 07:00:00")};
        QTest::newRow("inactive, missing or text activated, template, settings, not alarms")
            << "2031-03-08 09:00:00"
            << QList<StoredSection>{{once8, "0"},          {Key(9, 0, 0, 0), ""},  {Key(10, 0, 0, 0), "sz"},
                                    {"TMorning Mist", "1"}, {"settings", "1"},     {"ab", "1"},
                                    {"A", "1"},            {"A123", "1"}}
            << QStringList{};
        QTest::newRow("Wednesday only, after its time on a Wednesday: next week")
            << "2031-03-05 10:00:00" << QList<StoredSection>{{Key(9, 30, 0, 4), "1"}}
            << QStringList{Expect(Key(9, 30, 0, 4), "2031-03-12 09:30:00")};
        QTest::newRow("Wednesday only, before its time on a Wednesday: today")
            << "2031-03-05 09:00:00" << QList<StoredSection>{{Key(9, 30, 0, 4), "1"}}
            << QStringList{Expect(Key(9, 30, 0, 4), "2031-03-05 09:30:00")};
        QTest::newRow("repeating, at exactly its second: next occurrence")
            << "2031-03-05 09:30:00" << QList<StoredSection>{{Key(9, 30, 0, 127), "1"}}
            << QStringList{Expect(Key(9, 30, 0, 127), "2031-03-06 09:30:00")};
        QTest::newRow("once, at exactly its second: today")
            << "2031-03-05 09:30:00" << QList<StoredSection>{{Key(9, 30, 0, 0), "1"}}
            << QStringList{Expect(Key(9, 30, 0, 0), "2031-03-05 09:30:00")};
        QTest::newRow("once, passed: tomorrow, across the month end")
            << "2031-01-31 23:00:00" << QList<StoredSection>{{Key(6, 15, 30, 0), "1"}}
            << QStringList{Expect(Key(6, 15, 30, 0), "2031-02-01 06:15:30")};
        QTest::newRow("Sunday only from a Saturday: i = 1")
            << "2031-03-08 09:00:00" << QList<StoredSection>{{Key(9, 0, 0, 64), "1"}}
            << QStringList{Expect(Key(9, 0, 0, 64), "2031-03-09 09:00:00")};
        QTest::newRow("appointments keep their stored date, even a past one")
            << "2031-03-08 09:00:00"
            << QList<StoredSection>{{"A2700020310401", "1"}, {"A3600020300101", "1"}, {"A2700020310231", "1"}}
            << QStringList{Expect("A3600020300101", "2030-01-01 10:00:00"),
                           Expect("A2700020310401", "2031-04-01 07:30:00")};
        QTest::newRow("one-character key: 00:00:00 on Monday and Wednesday")
            << "2031-03-08 09:00:00" << QList<StoredSection>{{"5", "1"}}
            << QStringList{Expect("5", "2031-03-10 00:00:00")};
        QTest::newRow("trailing text after the number (Wed+Thu): the section name is the argument")
            << "2031-03-08 09:00:00" << QList<StoredSection>{{"12x", "1"}}
            << QStringList{Expect("12x", "2031-03-12 00:00:00")};
        QTest::newRow("clock time kept on the daylight-saving day")
            << "2031-03-29 09:00:00" << QList<StoredSection>{{Key(2, 30, 0, 0), "1"}}
            << QStringList{Expect(Key(2, 30, 0, 0), "2031-03-30 02:30:00")};
    }
    void rebuildSchedulesEachActiveAlarm()
    {
        QFETCH(QString, now);
        QFETCH(QList<StoredSection>, sections);
        QFETCH(QStringList, expected);
        clock::SetNowForTesting(At(now));
        for (const StoredSection& s : sections)
            Store(s);
        Scheduler::ReRegisterAll();
        QCOMPARE(Records(), expected);
        // A second rebuild replaces, never duplicates.
        Scheduler::ReRegisterAll();
        QCOMPARE(Records(), expected);
    }

    void rebuildClearsOnlyTheProgramsOwn_data()
    {
        QTest::addColumn<QString>("application");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("the program") << kProgram << true;
        QTest::newRow("lower-case path of the program") << "/usr/lib/dawnbell/dawnbell" << true;
        QTest::newRow("mixed case anywhere in the path") << "/home/u/DawnBell-old/run" << true;
        QTest::newRow("another program") << "/usr/bin/calendar-reminder" << false;
        QTest::newRow("a near miss") << "/opt/dawn-bell/dawn" << false;
    }
    void rebuildClearsOnlyTheProgramsOwn()
    {
        QFETCH(QString, application);
        QFETCH(bool, cleared);
        clock::SetNowForTesting(At("2031-03-08 09:00:00"));
        QVERIFY(AddRecord(application, "3225631", "2031-03-10 07:00:00") != 0);
        QVERIFY(AddRecord(application, "", "2031-03-11 07:00:00") != 0);
        Scheduler::ReRegisterAll(); // the registry holds no alarms
        QCOMPARE(Records().size(), cleared ? 0 : 2);
    }

    void missingRootLeavesNothingOfTheProgram()
    {
        QVERIFY(AddRecord(kProgram, Key(7, 0, 0, 0), "2031-03-10 07:00:00") != 0);
        int idleResets = 0;
        QObject listener;
        connect(&AlarmChanges::Instance(), &AlarmChanges::scheduleRebuilt, &listener, [&] { ++idleResets; });
        Scheduler::ReRegisterAll();
        QCOMPARE(Records(), QStringList{});
        Store({Key(7, 0, 0, 0), "1"});
        clock::SetNowForTesting(At("2031-03-08 09:00:00"));
        Scheduler::ReRegisterAll();
        QCOMPARE(Records().size(), 1);
        QCOMPARE(idleResets, 1); // only a rebuild that read the root resets the idle timer
    }

    // The service was stopped (or the device off) over an alarm's time: a rebuild
    // finds the program's record still waiting. Times are real, as the service
    // fires on the real clock; a stand-in service keeps every record as stored.
    void rebuildAfterTheServiceWasStopped_data()
    {
        QTest::addColumn<QString>("kind");       // daily, once, appointment, snooze, resume, other program
        QTest::addColumn<int>("overdueSeconds"); // how long the record waits past its time
        QTest::addColumn<int>("activated");      // the alarm's switch at the rebuild
        QTest::addColumn<bool>("missed");
        QTest::addColumn<int>("activatedAfter");
        QTest::addColumn<QList<int>>("recordsAfter"); // their times, in days after the missed one
        QTest::newRow("daily, 2 h overdue: missed, its next occurrence stays")
            << "daily" << 7200 << 1 << true << 1 << QList<int>{1};
        QTest::newRow("once, 2 h overdue: missed and switched off, not moved to tomorrow")
            << "once" << 7200 << 1 << true << 0 << QList<int>{};
        QTest::newRow("appointment, 2 h overdue: missed and switched off")
            << "appointment" << 7200 << 1 << true << 0 << QList<int>{};
        QTest::newRow("once, 31 min overdue: missed") << "once" << 31 * 60 << 1 << true << 0 << QList<int>{};
        QTest::newRow("once, just under 30 min overdue: the service still starts it, late")
            << "once" << 30 * 60 - 5 << 1 << false << 1 << QList<int>{0, 1};
        QTest::newRow("daily, 10 min overdue: the service still starts it, late")
            << "daily" << 600 << 1 << false << 1 << QList<int>{0, 1};
        QTest::newRow("once, 2 h overdue, switched off since: it never rang, missed")
            << "once" << 7200 << 0 << true << 0 << QList<int>{};
        QTest::newRow("once, 10 min overdue, switched off since: not started")
            << "once" << 600 << 0 << false << 0 << QList<int>{};
        QTest::newRow("a snooze wake-up 2 h overdue: cleared, not an alarm")
            << "snooze" << 7200 << 1 << false << 1 << QList<int>{};
        // A ringing window counts a snooze down while an alarm is changed.
        QTest::newRow("a ringing window's snooze wake-up in 3 min: kept")
            << "snooze" << -180 << 1 << false << 1 << QList<int>{0};
        // A daily alarm snoozed without a display: the program ended and left a
        // start of the key for the snooze's end. A rebuild meanwhile keeps it.
        QTest::newRow("a snoozed ringing's resume in 5 min: kept beside the alarm's own")
            << "resume" << -300 << 1 << false << 1 << QList<int>{0, 0};
        QTest::newRow("another program's record 2 h overdue: left alone")
            << "other program" << 7200 << 1 << false << 1 << QList<int>{0};
    }
    void rebuildAfterTheServiceWasStopped()
    {
        QFETCH(QString, kind);
        QFETCH(int, overdueSeconds);
        QFETCH(int, activated);
        QFETCH(bool, missed);
        QFETCH(int, activatedAfter);
        QFETCH(QList<int>, recordsAfter);
        standIn_ = test::StartStandInService(notify::CurrentDaemonPaths());
        QVERIFY(standIn_ > 0);

        const int64_t due = clock::RealNow() - overdueSeconds;
        const clock::LocalTime t = clock::ToLocal(due);
        const int secondsOfDay = t.hour * 3600 + t.minute * 60 + t.second;
        QString key = QString::number(secondsOfDay * 128 + (kind == "daily" || kind == "resume" ? 127 : 0));
        if (kind == "appointment")
            key = QString::asprintf("A%d%04d%02d%02d", secondsOfDay, t.year, t.month, t.day);
        const QString program = kind == "other program" ? QStringLiteral("/usr/bin/calendar-reminder") : kProgram;
        if (kind != "snooze" && kind != "other program") {
            RegKey section;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, (Profile::RootPath() + "\\" + key).toStdString(), &section),
                     RegOk);
            QCOMPARE(section.WriteString("title", u"Gym"), RegOk);
            QCOMPARE(section.WriteDword("activated", uint32_t(activated)), RegOk);
        }
        notify::NotifyTrigger waiting;
        waiting.application = program.toStdString();
        waiting.arguments = kind == "snooze" ? std::string() : key.toStdString();
        if (kind == "resume" || kind == "snooze")
            waiting.event = notify::kNotifyEventResume;
        waiting.start = waiting.end = t;
        QVERIFY(notify::NotifySetTime(waiting) != 0);

        int told = 0;
        QObject listener;
        connect(&AlarmChanges::Instance(), &AlarmChanges::missedRecorded, &listener, [&told] { ++told; });
        Scheduler::ReRegisterAll();
        Scheduler::ReRegisterAll(); // finds nothing more
        const int64_t after = clock::RealNow();

        QStringList expected;
        for (int days : recordsAfter)
            expected << program + "|" + QString::fromStdString(waiting.arguments) + "|" +
                            Format(clock::AddDays(due, days));
        QCOMPARE(Records(), expected);
        std::vector<notify::MissedAlarm> found;
        QCOMPARE(notify::NotifyMissedAlarms(&found), notify::NotifyOk);
        QCOMPARE(int(found.size()), missed ? 1 : 0);
        QCOMPARE(told, missed ? 1 : 0);
        if (missed) {
            QCOMPARE(QString::fromStdString(found[0].arguments), key);
            QCOMPARE(QString::fromStdString(found[0].application), kProgram);
            QCOMPARE(QString::fromStdString(found[0].title), QStringLiteral("Gym"));
            QCOMPARE(clock::FromLocal(found[0].due), due);
            QVERIFY(found[0].noticed >= due + overdueSeconds && found[0].noticed <= after);
            QVERIFY(!found[0].seen && !found[0].told);
        }
        if (kind != "snooze" && kind != "other program")
            QCOMPARE(Profile::ReadInt(key, "activated", -1), activatedAfter);
    }

    void timeClash_data()
    {
        QTest::addColumn<int>("aType");
        QTest::addColumn<int>("aHour");
        QTest::addColumn<int>("aDays");
        QTest::addColumn<int>("aDay");
        QTest::addColumn<int>("bType");
        QTest::addColumn<int>("bHour");
        QTest::addColumn<int>("bDays");
        QTest::addColumn<int>("bDay");
        QTest::addColumn<bool>("clash");
        const int plain = AlarmWizard, appt = AlarmAppointment;
        QTest::newRow("Monday vs Tuesday") << plain << 7 << 1 << 8 << plain << 7 << 2 << 8 << false;
        QTest::newRow("Monday vs no repeat") << plain << 7 << 1 << 8 << plain << 7 << 0 << 8 << true;
        QTest::newRow("no repeat vs Monday") << plain << 7 << 0 << 8 << int(AlarmCompact) << 7 << 1 << 8 << true;
        QTest::newRow("shared Friday") << plain << 7 << 31 << 8 << int(AlarmCommand) << 7 << 96 + 16 << 8 << true;
        QTest::newRow("other time") << plain << 7 << 0 << 8 << plain << 8 << 0 << 8 << false;
        QTest::newRow("appointments, other dates") << appt << 7 << 0 << 8 << appt << 7 << 0 << 9 << false;
        QTest::newRow("appointments, same date") << appt << 7 << 0 << 8 << appt << 7 << 0 << 8 << true;
        QTest::newRow("new appointment vs daily") << appt << 7 << 0 << 8 << plain << 7 << 127 << 8 << false;
        QTest::newRow("new daily vs appointment") << plain << 7 << 127 << 8 << appt << 7 << 0 << 20 << true;
    }
    void timeClash()
    {
        QFETCH(int, aType);
        QFETCH(int, aHour);
        QFETCH(int, aDays);
        QFETCH(int, aDay);
        QFETCH(int, bType);
        QFETCH(int, bHour);
        QFETCH(int, bDays);
        QFETCH(int, bDay);
        QFETCH(bool, clash);
        std::unique_ptr<Alarm> a(MakeAlarm(aType, aHour, 0, aDays, 2031, 3, aDay));
        std::unique_ptr<Alarm> b(MakeAlarm(bType, bHour, 0, bDays, 2031, 3, bDay));
        std::unique_ptr<Alarm> other(MakeAlarm(AlarmWizard, 23, 0, 0));
        const std::vector<Alarm*> list{other.get(), b.get()};
        QCOMPARE(Scheduler::TimeClash(*a, nullptr, list), clash);
        // The alarm being edited never clashes with itself...
        QCOMPARE(Scheduler::TimeClash(*b, b.get(), list), false);
        // ...and is passed over in the list.
        QCOMPARE(Scheduler::TimeClash(*a, b.get(), list), false);
        QCOMPARE(Scheduler::TimeClash(*a, nullptr, std::vector<Alarm*>{}), false);
    }

    // After a ringing the alarm is stored once and the schedule rebuilt once (an
    // appointment's section is deleted instead of saved): counted by the model.
    void afterRinging_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("wasActive"); // false: a manual start, or a notification left from before
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("stillStored");
        QTest::addColumn<int>("activated");
        QTest::addColumn<int>("saves");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("repeating: on again, next occurrence")
            << int(AlarmWizard) << 31 << true << int(AlarmChanges::RangKept) << true << 1 << 1
            << QStringList{Expect(Key(7, 0, 0, 31), "2031-03-10 07:00:00")};
        QTest::newRow("repeating, rung while off: stays off")
            << int(AlarmCompact) << 96 << false << int(AlarmChanges::RangKept) << true << 0 << 1 << QStringList{};
        QTest::newRow("once: stays off") << int(AlarmCompact) << 0 << true << int(AlarmChanges::RangKept) << true
                                         << 0 << 1 << QStringList{};
        QTest::newRow("command alarm repeating")
            << int(AlarmCommand) << 64 << true << int(AlarmChanges::RangKept) << true << 1 << 1
            << QStringList{Expect(Key(7, 0, 0, 64), "2031-03-09 07:00:00")};
        QTest::newRow("appointment: deleted") << int(AlarmAppointment) << 0 << true << int(AlarmChanges::RangDeleted)
                                              << false << 0 << 0 << QStringList{};
    }
    void afterRinging()
    {
        QFETCH(int, type);
        QFETCH(int, days);
        QFETCH(bool, wasActive);
        QFETCH(int, result);
        QFETCH(bool, stillStored);
        QFETCH(int, activated);
        QFETCH(int, saves);
        QFETCH(QStringList, records);
        // It rang at 07:00 on Saturday; the handling ends within the same second.
        clock::SetNowForTesting(At("2031-03-08 07:00:00"));
        std::unique_ptr<Alarm> alarm(MakeAlarm(type, 7, 0, days, 2031, 3, 8));
        alarm->activated = wasActive ? 1 : 0;
        alarm->Save();
        QStringList announced;
        QObject listener;
        connect(&AlarmChanges::Instance(), &AlarmChanges::changed, &listener,
                [&announced](const QStringList& keys) { announced << keys; });
        const AlarmChangeTrace before = AlarmChanges::Trace();
        QCOMPARE(int(AlarmChanges::Instance().AfterRinging(alarm.get(), wasActive)), result);
        QCOMPARE(AlarmChanges::Trace().saves - before.saves, uint64_t(saves));
        QCOMPARE(AlarmChanges::Trace().commits - before.commits, uint64_t(1));
        QCOMPARE(AlarmChanges::Trace().rebuilds - before.rebuilds, uint64_t(1));
        QCOMPARE(announced, QStringList{alarm->GetKey()});
        QCOMPARE(alarm->activated, activated);
        RegKey key;
        const std::string path = (Profile::RootPath() + "\\" + alarm->GetKey()).toStdString();
        QCOMPARE(RegKey::Open(Hive::CurrentUser, path, &key) == RegOk, stillStored);
        QCOMPARE(Records(), records);
    }

    // An alarm whose time of day falls into the hour that clocks skip or repeat
    // keeps its key through load, save, ringing, deactivation and removal, and
    // is registered for the clock time as set, which the service resolves to the
    // first moment it can (the skipped hour moves forward, the repeated hour
    // rings once, at its first pass). Moments are given in seconds since the
    // epoch, independent of the calendar code under test.
    void daylightSavingKeys_data()
    {
        QTest::addColumn<QString>("hm");
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("day");       // the changeover day; the alarm is loaded at 01:00
        QTest::addColumn<qint64>("moment");     // when it rings that day
        QTest::addColumn<QString>("nextRecord"); // after ringing ("" = stays off)
        const QString spring = "2027-03-28", autumn = "2027-10-31";
        const qint64 s0300 = 1806195600; // 03:00 CEST = 01:00 UTC
        for (int days : {127, 0}) {
            const QString kind = days ? "daily" : "once";
            const QString next = days ? "2027-03-29 " : "";
            QTest::addRow("spring 02:00, %s", qPrintable(kind)) << "02:00" << days << spring << s0300
                                                               << (days ? next + "02:00:00" : "");
            QTest::addRow("spring 02:30, %s", qPrintable(kind)) << "02:30" << days << spring << s0300 + 1800
                                                               << (days ? next + "02:30:00" : "");
            QTest::addRow("spring 02:59, %s", qPrintable(kind)) << "02:59" << days << spring << s0300 + 3540
                                                               << (days ? next + "02:59:00" : "");
            QTest::addRow("spring 03:00, %s", qPrintable(kind)) << "03:00" << days << spring << s0300
                                                               << (days ? next + "03:00:00" : "");
            QTest::addRow("autumn 02:30, %s", qPrintable(kind))
                << "02:30" << days << autumn << qint64(1824942600) // 02:30 CEST, the first pass
                << (days ? QString("2027-11-01 02:30:00") : QString());
        }
    }
    void daylightSavingKeys()
    {
        QFETCH(QString, hm);
        QFETCH(int, days);
        QFETCH(QString, day);
        QFETCH(qint64, moment);
        QFETCH(QString, nextRecord);
        const int h = hm.left(2).toInt(), m = hm.mid(3).toInt();
        const QString key = Key(h, m, 0, days);
        clock::SetNowForTesting(At(day + " 01:00:00"));
        Store({key, "1"});

        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QCOMPARE(alarms.size(), size_t(1));
        Alarm* alarm = alarms[0].get();
        QCOMPARE(alarm->GetKey(), key);
        QCOMPARE(alarm->GetTimeToNext(), moment - At(day + " 01:00:00"));
        alarm->Save();
        QCOMPARE(SectionNames(), QStringList{key});

        Scheduler::ReRegisterAll();
        QCOMPARE(Records(), QStringList{Expect(key, day + " " + hm + ":00")});
        std::vector<notify::NotifyRecord> list;
        QCOMPARE(notify::NotifyList(&list), notify::NotifyOk);
        QCOMPARE(clock::FromLocal(list[0].trigger.start), moment); // how the service arms it

        // It rang; the handling ends within five seconds.
        clock::SetNowForTesting(moment + 5);
        QCOMPARE(int(AlarmChanges::Instance().AfterRinging(alarm)), int(AlarmChanges::RangKept));
        QCOMPARE(alarm->GetKey(), key);
        QCOMPARE(Records(), nextRecord.isEmpty() ? QStringList{} : QStringList{Expect(key, nextRecord)});
        QCOMPARE(Profile::ReadInt(key, "activated", -1), days ? 1 : 0);
        AlarmChanges::Instance().Deactivate(alarm);
        QCOMPARE(Profile::ReadInt(key, "activated", -1), 0);
        QCOMPARE(Records(), QStringList{});
        QVERIFY(AlarmStore::DeleteSection(*alarm));
        QCOMPARE(SectionNames(), QStringList{});
    }

    // Switching on and off is one commit each, announced once when stored and
    // scheduled; an appointment in the past is refused with nothing written.
    void activationPaths()
    {
        clock::SetNowForTesting(At("2031-03-08 09:00:00"));
        QStringList announced;
        QObject listener;
        connect(&AlarmChanges::Instance(), &AlarmChanges::changed, &listener,
                [&announced](const QStringList& keys) { announced << keys; });
        std::unique_ptr<Alarm> alarm(MakeAlarm(AlarmWizard, 8, 0, 0));
        alarm->activated = 0;
        AlarmChangeTrace before = AlarmChanges::Trace();
        QVERIFY(AlarmChanges::Instance().Activate(alarm.get()));
        QCOMPARE(Records(), QStringList{Expect(Key(8, 0, 0, 0), "2031-03-09 08:00:00")});
        QCOMPARE(AlarmChanges::Trace().saves - before.saves, uint64_t(1));
        QCOMPARE(AlarmChanges::Trace().rebuilds - before.rebuilds, uint64_t(1));
        QCOMPARE(AlarmChanges::Trace().simulationRefreshes - before.simulationRefreshes, uint64_t(0));
        QCOMPARE(announced, QStringList{Key(8, 0, 0, 0)});
        QVERIFY(AlarmChanges::Instance().Deactivate(alarm.get()));
        QCOMPARE(Records(), QStringList{});
        QCOMPARE(Profile::ReadInt(alarm->GetKey(), "activated", -1), 0);
        QCOMPARE(announced.size(), 2);

        // An appointment in the past is refused: not saved, nothing registered.
        std::unique_ptr<Alarm> past(MakeAlarm(AlarmAppointment, 8, 0, 0, 2031, 3, 8));
        past->activated = 0;
        before = AlarmChanges::Trace();
        QVERIFY(!AlarmChanges::Instance().Activate(past.get())); // the caller tells the user
        QCOMPARE(past->activated, 0);
        QCOMPARE(Profile::ReadInt(past->GetKey(), "activated", -1), -1);
        QCOMPARE(Records(), QStringList{});
        QCOMPARE(announced.size(), 2);
        QCOMPARE(AlarmChanges::Trace().rebuilds - before.rebuilds, uint64_t(0));
        QCOMPARE(AlarmChanges::Check(*past, nullptr, std::vector<Alarm*>{alarm.get()}, true),
                 AlarmChanges::Verdict::PastAppointment);
        QCOMPARE(AlarmChanges::Check(*past, nullptr, std::vector<Alarm*>{alarm.get()}, false),
                 AlarmChanges::Verdict::Ok);
    }

    // A repeating alarm has rung and the program is killed (SIGKILL) at a step of
    // its after-ringing path: the alarm is still stored switched on, and the next
    // start's rebuild schedules its next occurrence. The path runs in a child
    // process that kills itself when the model announces the step.
    void afterRingingKilled_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("killed as the ringing ended, nothing written yet") << "ended";
        QTest::newRow("killed once the change is stored, before the rebuild") << "stored";
        QTest::newRow("killed once the change is stored and scheduled") << "changed";
        QTest::newRow("not killed") << "";
    }
    void afterRingingKilled()
    {
        QFETCH(QString, step);
        // It rang at 07:00 on Saturday; the service used up its record.
        clock::SetNowForTesting(At("2031-03-08 07:00:00"));
        std::unique_ptr<Alarm> alarm(MakeAlarm(AlarmCompact, 7, 0, 31, 2031, 3, 8));
        alarm->activated = 1;
        alarm->Save();
        const QString key = alarm->GetKey();
        RegCloseStore();
        notify::NotifyCloseStore();

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            AlarmChanges& changes = AlarmChanges::Instance();
            if (step == "ended")
                ::raise(SIGKILL);
            else if (step == "stored")
                connect(&changes, &AlarmChanges::stored, [] { ::raise(SIGKILL); });
            else if (step == "changed")
                connect(&changes, &AlarmChanges::changed, [] { ::raise(SIGKILL); });
            changes.AfterRinging(alarm.get(), true);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (step.isEmpty())
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        else
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        RegCloseStore();
        notify::NotifyCloseStore();
        QCOMPARE(Profile::ReadInt(key, "activated", -1), 1);
        Scheduler::ReRegisterAll(); // the next start
        QCOMPARE(Records(), QStringList{Expect(key, "2031-03-10 07:00:00")});
    }

private:
    test::TempHome home_;
    pid_t standIn_ = -1; // a stand-in service, for tests that keep due records
};

QTEST_GUILESS_MAIN(SchedulerTest)
#include "SchedulerTest.moc"
