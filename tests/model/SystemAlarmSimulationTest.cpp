// The dummy system alarm in the shell's alarm state and the clock's first slot.
#include "Alarm.h"
#include "TempHome.h"
#include "Clock.h"
#include "Notify.h"
#include "Registry.h"
#include "SystemAlarmSimulation.h"

#include <QtTest>

#include <csignal>

using namespace dawnbell;

namespace {

const char* const kShell = "System\\State\\Shell\\Alarms";
const char* const kSlot = "SOFTWARE\\Microsoft\\Clock\\0";

QByteArray Value(Hive hive, const char* path, const char* name, RegType* type = nullptr)
{
    RegKey key;
    std::vector<uint8_t> data;
    if (RegKey::Open(hive, path, &key) != RegOk || key.QueryValue(name, type, &data) != RegOk)
        return QByteArray("<missing>");
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()));
}

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

uint32_t SetRecord(int hour)
{
    notify::NotifyTrigger t;
    t.application = "/usr/bin/clock";
    t.start = clock::ToLocal(clock::MakeLocal(2099, 1, 1, hour, 0, 0));
    t.end = t.start;
    return notify::NotifySetTime(t);
}

} // namespace

class SystemAlarmSimulationTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        // Saturday 2 January 2027, 09:00.
        clock::SetNowForTesting(clock::MakeLocal(2027, 1, 2, 9, 0, 0));
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, kShell, &key), RegOk);
        QCOMPARE(key.WriteBinary("Next", {1, 2, 3}), RegOk);
        QCOMPARE(RegKey::Create(Hive::LocalMachine, kSlot, &key), RegOk);
    }
    void cleanup()
    {
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        clock::SetNowForTesting(std::nullopt);
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void fileTime_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<quint64>("fileTime");
        QTest::newRow("Unix epoch") << QDateTime(QDate(1970, 1, 1), QTime(0, 0)) << quint64(116444736000000000ull);
        QTest::newRow("leap day, last millisecond") << QDateTime(QDate(2008, 2, 29), QTime(23, 59, 59, 999))
                                                    << quint64(128488031999990000ull);
        QTest::newRow("first day") << QDateTime(QDate(1601, 1, 1), QTime(0, 0)) << quint64(0);
    }
    void fileTime()
    {
        QFETCH(QDateTime, when);
        QFETCH(quint64, fileTime);
        const QDate d = when.date();
        const QTime t = when.time();
        QCOMPARE(SystemAlarmSimulation::LocalFileTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(),
                                                      t.msec()),
                 fileTime);
    }

    void alarm_data()
    {
        QTest::addColumn<int>("repeatDays");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QByteArray>("days");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("next");
        // One-time 06:45: tomorrow morning, every day in the clock's terms.
        QTest::newRow("one-time 06:45") << 0 << 6 << 45 << Hex("7f") << Hex("9501")
                                        << Hex("00fe08f44d9bdd01"); // 2027-01-03 06:45
        // Monday to Friday 07:00 on a Saturday: Monday.
        QTest::newRow("weekdays 07:00") << 31 << 7 << 0 << Hex("1f") << Hex("a401")
                                        << Hex("00d8e336199cdd01"); // 2027-01-04 07:00
        QTest::newRow("23:59 later today") << 127 << 23 << 59 << Hex("7f") << Hex("9f05")
                                           << Hex("00fa573c159bdd01"); // 2027-01-02 23:59
    }
    void alarm()
    {
        QFETCH(int, repeatDays);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QByteArray, days);
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, next);
        Alarm a;
        a.type = AlarmCompact;
        a.repeatDays = repeatDays;
        a.alarmTime = clock::MakeLocal(2027, 1, 2, hour, minute, 0);
        SystemAlarmSimulation::Refresh(&a);

        QCOMPARE(Value(Hive::CurrentUser, kShell, "Next").toHex(), next.toHex());
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmDays"), days);
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmFlags"), Hex("01"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmTime"), time);
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmText"),
                 QByteArray(reinterpret_cast<const char*>(u"Don't touch! Next Dawnbell"), 52) + Hex("0000"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "Len_AlarmText"), Hex("1c000000"));
        CheckCommonValues();
    }

    void noneRemoves()
    {
        Alarm a;
        a.alarmTime = clock::MakeLocal(2027, 1, 2, 6, 45, 0);
        SystemAlarmSimulation::Refresh(&a);
        SystemAlarmSimulation::Refresh(nullptr);
        QCOMPARE(Value(Hive::CurrentUser, kShell, "Next"), QByteArray("<missing>"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmDays"), Hex("00"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmFlags"), Hex("00"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmTime"), Hex("0000"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmText"), Hex("0000"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "Len_AlarmText"), Hex("00000000"));
        CheckCommonValues();
    }

    void valuesInOrder()
    {
        SystemAlarmSimulation::Refresh(nullptr);
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::LocalMachine, kSlot, &key), RegOk);
        QStringList names;
        RegValue v;
        for (uint32_t i = 0; key.EnumValue(i, &v) == RegOk; ++i)
            names << QString::fromStdString(v.name);
        QCOMPARE(names, QStringList({"AlarmDays", "AlarmFlags", "AlarmHandle", "AlarmNotFlags", "AlarmOneTime",
                                     "AlarmTime", "AlarmSnd", "AlarmText", "Len_AlarmSND", "Len_AlarmText"}));
    }

    void clockNotificationsCleared_data()
    {
        QTest::addColumn<bool>("withAlarm");
        QTest::newRow("refresh") << true;
        QTest::newRow("remove") << false;
    }
    void clockNotificationsCleared()
    {
        QFETCH(bool, withAlarm);
        const uint32_t mine = SetRecord(7);
        const uint32_t other = SetRecord(8);
        QVERIFY(mine && other);
        std::vector<uint8_t> handles(28, 0);
        for (int i = 0; i < 4; ++i)
            handles[8 + i] = static_cast<uint8_t>(mine >> (8 * i)); // Wednesday's slot
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::LocalMachine, kSlot, &key), RegOk);
        QCOMPARE(key.WriteBinary("AlarmHandle", handles), RegOk);

        Alarm a;
        SystemAlarmSimulation::Refresh(withAlarm ? &a : nullptr);
        notify::NotifyRecord r;
        QCOMPARE(notify::NotifyGetRecord(mine, &r), notify::NotifyNotFound);
        QCOMPARE(notify::NotifyGetRecord(other, &r), notify::NotifyOk);
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmHandle"), QByteArray(28, '\0'));
    }

    void missingKeysAreNotCreated_data()
    {
        QTest::addColumn<bool>("shell");
        QTest::addColumn<bool>("slot");
        QTest::newRow("no shell state") << false << true;
        QTest::newRow("no clock slot") << true << false;
        QTest::newRow("neither") << false << false;
    }
    void missingKeysAreNotCreated()
    {
        QFETCH(bool, shell);
        QFETCH(bool, slot);
        if (!shell)
            QCOMPARE(RegDeleteTree(Hive::CurrentUser, kShell), RegOk);
        if (!slot)
            QCOMPARE(RegDeleteTree(Hive::LocalMachine, kSlot), RegOk);
        Alarm a;
        SystemAlarmSimulation::Refresh(&a);
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, kShell, &key) == RegOk, shell);
        QCOMPARE(RegKey::Open(Hive::LocalMachine, kSlot, &key) == RegOk, slot);
        if (shell)
            QCOMPARE(Value(Hive::CurrentUser, kShell, "Next").size(), 8);
        if (slot)
            QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmFlags"), Hex("01"));
    }

private:
    void CheckCommonValues()
    {
        RegType type = RegType::None;
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmHandle", &type), QByteArray(28, '\0'));
        QCOMPARE(type, RegType::Binary);
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmNotFlags"), Hex("1c000000"));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmOneTime"), QByteArray(8, '\0'));
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "AlarmSnd", &type), Hex("0000"));
        QCOMPARE(type, RegType::Sz);
        QCOMPARE(Value(Hive::LocalMachine, kSlot, "Len_AlarmSND", &type), Hex("00000000"));
        QCOMPARE(type, RegType::Dword);
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
};

QTEST_GUILESS_MAIN(SystemAlarmSimulationTest)
#include "SystemAlarmSimulationTest.moc"
