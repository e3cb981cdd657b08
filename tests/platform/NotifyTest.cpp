// The notification records, the tool's command line and the service's planning,
// without a running service.
#include "ArmPlan.h"
#include "DaemonLink.h"
#include "Notify.h"
#include "NotifyCommandLine.h"
#include "NotifyStore.h"
#include "StandInService.h"
#include "TempHome.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dawnbell;
using namespace dawnbell::notify;

namespace {

clock::LocalTime Lt(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    clock::LocalTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    t.milliseconds = ms;
    return t;
}

NotifyTrigger Trigger(const std::string& app, const std::string& args, const clock::LocalTime& at)
{
    NotifyTrigger t;
    t.application = app;
    t.arguments = args;
    t.start = at;
    t.end = at;
    return t;
}

// Runs raw SQL on the store file, as another (careless) program would.
bool RawSql(const std::string& dbPath, const char* sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(dbPath.c_str(), &db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db, 5000);
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

Q_DECLARE_METATYPE(dawnbell::clock::LocalTime)

class NotifyTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        NotifyCloseStore();
        m_home.Renew();
        // No real service starts, so records stay exactly as stored (none
        // fires, damaged ones are not cleaned away).
        m_standIn = test::StartStandInService(CurrentDaemonPaths());
        QVERIFY(m_standIn > 0);
        QCOMPARE(NotifyDaemonPid(), m_standIn);
    }
    void cleanup()
    {
        NotifyCloseStore();
        test::StopStandInService(m_standIn);
        m_standIn = -1;
    }

    void setTimeValidates_data()
    {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<int>("kind");
        QTest::addColumn<clock::LocalTime>("start");
        QTest::addColumn<bool>("accepted");
        const clock::LocalTime ok = Lt(2099, 3, 4, 7, 30, 0);
        QTest::newRow("plain") << "/usr/bin/true" << QByteArray("3456031") << 2 << ok << true;
        QTest::newRow("empty arguments") << "/usr/bin/true" << QByteArray() << 2 << ok << true;
        QTest::newRow("relative application") << "bin/true" << QByteArray("x") << 2 << ok << false;
        QTest::newRow("empty application") << "" << QByteArray("x") << 2 << ok << false;
        QTest::newRow("event kind refused") << "/usr/bin/true" << QByteArray() << 1 << ok << false;
        QTest::newRow("NUL inside arguments") << "/usr/bin/true" << QByteArray("a\0b", 3) << 2 << ok << false;
        QTest::newRow("arguments too long")
            << "/usr/bin/true" << QByteArray(int(kNotifyMaxArgumentsBytes) + 1, 'x') << 2 << ok << false;
        QTest::newRow("arguments at the limit")
            << "/usr/bin/true" << QByteArray(int(kNotifyMaxArgumentsBytes), 'x') << 2 << ok << true;
        QTest::newRow("29 February of a leap year") << "/a" << QByteArray() << 2 << Lt(2028, 2, 29, 0, 0, 0) << true;
        QTest::newRow("29 February otherwise") << "/a" << QByteArray() << 2 << Lt(2027, 2, 29, 0, 0, 0) << false;
        QTest::newRow("29 February 2000 (century, leap)") << "/a" << QByteArray() << 2 << Lt(2000, 2, 29, 0, 0, 0) << true;
        QTest::newRow("29 February 2100 (century, no leap)") << "/a" << QByteArray() << 2 << Lt(2100, 2, 29, 0, 0, 0) << false;
        QTest::newRow("31 April") << "/a" << QByteArray() << 2 << Lt(2030, 4, 31, 0, 0, 0) << false;
        QTest::newRow("month 13") << "/a" << QByteArray() << 2 << Lt(2030, 13, 1, 0, 0, 0) << false;
        QTest::newRow("hour 24") << "/a" << QByteArray() << 2 << Lt(2030, 1, 1, 24, 0, 0) << false;
        QTest::newRow("second 60") << "/a" << QByteArray() << 2 << Lt(2030, 1, 1, 0, 0, 60) << false;
        QTest::newRow("1000 ms") << "/a" << QByteArray() << 2 << Lt(2030, 1, 1, 0, 0, 0, 1000) << false;
        QTest::newRow("in the past is kept") << "/a" << QByteArray() << 2 << Lt(2001, 1, 1, 0, 0, 0) << true;
    }
    void setTimeValidates()
    {
        QFETCH(QString, application);
        QFETCH(QByteArray, arguments);
        QFETCH(int, kind);
        QFETCH(clock::LocalTime, start);
        QFETCH(bool, accepted);
        NotifyTrigger t = Trigger(application.toStdString(), arguments.toStdString(), start);
        t.kind = kind;
        const uint32_t handle = NotifySetTime(t);
        QCOMPARE(handle != 0, accepted);
        uint32_t count = 99;
        QCOMPARE(NotifyGetHandles(nullptr, 0, &count), accepted ? NotifyMoreData : NotifyOk);
        QCOMPARE(count, accepted ? 1u : 0u);
        if (accepted) {
            NotifyRecord r;
            QCOMPARE(NotifyGetRecord(handle, &r), NotifyOk);
            QCOMPARE(r.handle, handle);
            QCOMPARE(QString::fromStdString(r.trigger.application), application);
            QCOMPARE(QByteArray::fromStdString(r.trigger.arguments), arguments);
            QCOMPARE(r.trigger.start.year, start.year);
            QCOMPARE(r.trigger.start.second, start.second);
            QCOMPARE(r.trigger.end.day, start.day);
        }
    }

    void handlesAreCountedThenFetched()
    {
        std::vector<uint32_t> set;
        for (int i = 0; i < 5; ++i) {
            const uint32_t h = NotifySetTime(Trigger("/usr/bin/true", std::to_string(i), Lt(2099, 1, 1 + i, 0, 0, 0)));
            QVERIFY(h != 0);
            set.push_back(h);
        }
        // Handles are never reused, so a kept handle cannot come to name another record.
        QCOMPARE(NotifyClear(set[4]), NotifyOk);
        const uint32_t fresh = NotifySetTime(Trigger("/usr/bin/true", "x", Lt(2099, 2, 1, 0, 0, 0)));
        QVERIFY(fresh > set[4]);
        set[4] = fresh;

        uint32_t count = 0;
        QCOMPARE(NotifyGetHandles(nullptr, 0, &count), NotifyMoreData);
        QCOMPARE(count, 5u);
        std::vector<uint32_t> small(4);
        QCOMPARE(NotifyGetHandles(small.data(), 4, &count), NotifyMoreData);
        QCOMPARE(count, 5u);
        std::vector<uint32_t> room(count);
        QCOMPARE(NotifyGetHandles(room.data(), count, &count), NotifyOk);
        QCOMPARE(room, set);
    }

    void clearResults()
    {
        const uint32_t h = NotifySetTime(Trigger("/usr/bin/true", "", Lt(2099, 1, 1, 0, 0, 0)));
        QVERIFY(h != 0);
        QCOMPARE(NotifyClear(0), NotifyNotFound);
        QCOMPARE(NotifyClear(h + 1), NotifyNotFound);
        QCOMPARE(NotifyClear(h), NotifyOk);
        QCOMPARE(NotifyClear(h), NotifyNotFound);
        QCOMPARE(NotifyGetRecord(h, nullptr), NotifyNotFound);
    }

    // The service starts a record only when it is the one that removed it: not one
    // cleared (by the program, by another process) after the service read it,
    // nor one another service took first.
    void takeHandsOverOnce_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("result");
        QTest::newRow("nothing") << "" << int(NotifyOk);
        QTest::newRow("cleared after it was read") << "clear" << int(NotifyNotFound);
        QTest::newRow("taken by another process") << "take" << int(NotifyNotFound);
    }
    void takeHandsOverOnce()
    {
        QFETCH(QString, meanwhile);
        QFETCH(int, result);
        const uint32_t other = NotifySetTime(Trigger("/b", "other", Lt(2001, 1, 1, 0, 0, 1)));
        const uint32_t h = NotifySetTime(Trigger("/b", "due", Lt(2001, 1, 1, 0, 0, 0)));
        QVERIFY(h != 0 && other != 0);
        const std::string db = m_home.path().toStdString() + "/notifications.db";
        NotifyStore service, second;
        QCOMPARE(service.Open(db), NotifyOk);
        QCOMPARE(second.Open(db), NotifyOk);
        std::vector<StoredRecord> rows;
        QCOMPARE(service.All(&rows), NotifyOk); // the service sees it due
        QCOMPARE(rows.size(), size_t(2));
        if (meanwhile == "clear")
            QCOMPARE(NotifyClear(h), NotifyOk);
        else if (meanwhile == "take")
            QCOMPARE(second.Take(h, nullptr), NotifyOk);
        StoredRecord taken;
        QCOMPARE(int(service.Take(h, &taken)), result);
        if (result == NotifyOk) {
            QVERIFY(taken.valid);
            QCOMPARE(taken.record.handle, h);
            QCOMPARE(taken.record.trigger.arguments, std::string("due"));
        }
        QCOMPARE(NotifyGetRecord(h, nullptr), NotifyNotFound);
        QCOMPARE(NotifyGetRecord(other, nullptr), NotifyOk); // only that one went
    }

    void listOrdersByStartThenHandle()
    {
        const uint32_t late = NotifySetTime(Trigger("/b", "late", Lt(2099, 1, 2, 0, 0, 0)));
        const uint32_t sameA = NotifySetTime(Trigger("/b", "same-a", Lt(2099, 1, 1, 7, 0, 0)));
        const uint32_t early = NotifySetTime(Trigger("/b", "early", Lt(2098, 12, 31, 23, 59, 59)));
        const uint32_t sameB = NotifySetTime(Trigger("/b", "same-b", Lt(2099, 1, 1, 7, 0, 0)));
        const uint32_t ms = NotifySetTime(Trigger("/b", "ms", Lt(2099, 1, 1, 7, 0, 0, 1)));
        std::vector<NotifyRecord> list;
        QCOMPARE(NotifyList(&list), NotifyOk);
        std::vector<uint32_t> order;
        for (const NotifyRecord& r : list)
            order.push_back(r.handle);
        QCOMPARE(order, (std::vector<uint32_t>{early, sameA, sameB, ms, late}));
    }

    void missedAlarmsAreKeptOnceNewestFirst()
    {
        // The same alarm missed at the same time and noticed twice (a rebuild,
        // then the late start): one record, with what the first one said.
        MissedAlarm work;
        work.application = "/opt/dawnbell/dawnbell";
        work.arguments = "3456031";
        work.due = Lt(2031, 3, 20, 6, 45, 0);
        work.noticed = 1900000000;
        work.title = "Work";
        work.reason = "the service did not start it";
        bool added = false;
        QCOMPARE(NotifyRecordMissed(work, &added), NotifyOk);
        QVERIFY(added);
        MissedAlarm again = work;
        again.title = "Again";
        QCOMPARE(NotifyRecordMissed(again, &added), NotifyOk);
        QVERIFY(!added);
        MissedAlarm impossible = work;
        impossible.due = Lt(2031, 2, 29, 6, 45, 0);
        QCOMPARE(NotifyRecordMissed(impossible, &added), NotifyInvalidParameter);

        // 120 more: only the newest kNotifyMaxMissedAlarms stay, newest first.
        for (int i = 0; i < 120; ++i) {
            MissedAlarm m;
            m.application = "/usr/bin/dawnbell";
            m.arguments = std::to_string(5000 + i);
            m.due = Lt(2031, 3, 21, 7, i / 60, i % 60);
            m.noticed = 1900000600 + i;
            m.title = "Tea " + std::to_string(i);
            m.reason = "started 2 h late";
            QCOMPARE(NotifyRecordMissed(m, nullptr), NotifyOk);
        }
        std::vector<MissedAlarm> all;
        QCOMPARE(NotifyMissedAlarms(&all), NotifyOk);
        QCOMPARE(all.size(), kNotifyMaxMissedAlarms);
        QCOMPARE(all.front().arguments, std::string("5119"));
        QCOMPARE(all.back().arguments, std::string("5020"));
        const MissedAlarm& newest = all.front();
        QCOMPARE(newest.application, std::string("/usr/bin/dawnbell"));
        QCOMPARE(newest.title, std::string("Tea 119"));
        QCOMPARE(newest.reason, std::string("started 2 h late"));
        QCOMPARE(newest.noticed, int64_t(1900000719));
        QCOMPARE(std::vector<int>({newest.due.year, newest.due.month, newest.due.day, newest.due.hour,
                                   newest.due.minute, newest.due.second, newest.due.dayOfWeek}),
                 std::vector<int>({2031, 3, 21, 7, 1, 59, 5})); // a Friday
        QVERIFY(!newest.told && !newest.seen);

        // Seen: one alone, or one with every older one; told: one alone.
        QCOMPARE(NotifyMarkMissedSeen(all[0].id, false), NotifyOk);
        QCOMPARE(NotifyMarkMissedSeen(all[10].id, true), NotifyOk);
        QCOMPARE(NotifyMarkMissedTold(all[5].id), NotifyOk);
        std::vector<MissedAlarm> unseen;
        QCOMPARE(NotifyMissedAlarms(&unseen, true), NotifyOk);
        std::vector<std::string> keys;
        for (const MissedAlarm& m : unseen)
            keys.push_back(m.arguments);
        std::vector<std::string> expected;
        for (int i = 118; i >= 110; --i)
            expected.push_back(std::to_string(5000 + i));
        QCOMPARE(keys, expected);
        QVERIFY(unseen[4].told);
        QVERIFY(!unseen[3].told && !unseen[5].told);

        // A row damaged from outside is left out, not trusted.
        QVERIFY(RawSql(CurrentDaemonPaths().database, "UPDATE missed SET due_month = 13 WHERE arguments = '5118'"));
        QCOMPARE(NotifyMissedAlarms(&unseen, true), NotifyOk);
        QCOMPARE(unseen.size(), size_t(8));
        QCOMPARE(unseen.front().arguments, std::string("5117"));
    }

    void batchCommitsTogether()
    {
        {
            NotifyBatch batch;
            for (int i = 0; i < 50; ++i)
                QVERIFY(NotifySetTime(Trigger("/b", std::to_string(i), Lt(2099, 1, 1, 0, 0, i))) != 0);
            // Inside the batch this process sees its own writes...
            uint32_t count = 0;
            NotifyGetHandles(nullptr, 0, &count);
            QCOMPARE(count, 50u);
        }
        // ...and afterwards a fresh connection sees all of them.
        NotifyCloseStore();
        uint32_t count = 0;
        NotifyGetHandles(nullptr, 0, &count);
        QCOMPARE(count, 50u);
    }

    // A damaged store that cannot be renamed (here a mount point, which rename
    // refuses even to root) stays where it is, with its WAL beside it.
    void failedSetAsideKeepsStoreAndWal()
    {
        const QString db = m_home.path() + "/notifications.db";
        for (const QString& name : {db, db + "-wal"}) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(name.toUtf8()) > 0);
        }
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("needs root to make the store file a mount point");
        const QByteArray path = db.toLocal8Bit();
        QVERIFY(::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0);
        std::string copy, error;
        const bool moved = NotifyStore::SetAside(db.toStdString(), &copy, &error);
        QCOMPARE(::umount2(path.constData(), 0), 0);
        QVERIFY(!moved);
        QVERIFY(!error.empty());
        for (const QString& name : {db, db + "-wal"}) {
            QFile f(name);
            QVERIFY2(f.open(QIODevice::ReadOnly) && f.readAll() == name.toUtf8(), qPrintable(name));
        }
        QVERIFY(QDir(m_home.path()).entryList({"notifications.db.damaged-*"}).isEmpty());
    }

    // Rows written into the file by something else are not trusted.
    void damagedRowsAreReportedNotTrusted_data()
    {
        QTest::addColumn<QString>("values");
        QTest::newRow("text year") << "2, 0, '/b', 'x', 'soon', 1, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
        QTest::newRow("month 0") << "2, 0, '/b', 'x', 2099, 0, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
        QTest::newRow("null time") << "2, 0, '/b', 'x', NULL, 1, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
        QTest::newRow("blob application") << "2, 0, x'2f62', 'x', 2099, 1, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
        QTest::newRow("relative application") << "2, 0, 'b', 'x', 2099, 1, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
        QTest::newRow("huge kind") << "99999999999, 0, '/b', 'x', 2099, 1, 0, 1, 0, 0, 0, 0, 2099, 1, 0, 1, 0, 0, 0, 0";
    }
    void damagedRowsAreReportedNotTrusted()
    {
        QFETCH(QString, values);
        const uint32_t good = NotifySetTime(Trigger("/b", "good", Lt(2099, 1, 1, 0, 0, 0)));
        QVERIFY(good != 0);
        const std::string db = m_home.path().toStdString() + "/notifications.db";
        const std::string sql =
            "INSERT INTO notifications (kind, event, application, arguments,"
            " start_year, start_month, start_dow, start_day, start_hour, start_minute, start_second, start_ms,"
            " end_year, end_month, end_dow, end_day, end_hour, end_minute, end_second, end_ms) VALUES (" +
            values.toStdString() + ")";
        QVERIFY(RawSql(db, sql.c_str()));
        uint32_t count = 0;
        NotifyGetHandles(nullptr, 0, &count);
        QCOMPARE(count, 2u);
        std::vector<uint32_t> handles(count);
        QCOMPARE(NotifyGetHandles(handles.data(), count, &count), NotifyOk);
        QCOMPARE(NotifyGetRecord(handles[0], nullptr), NotifyOk);
        QCOMPARE(NotifyGetRecord(handles[1], nullptr), NotifyError);
        std::vector<NotifyRecord> list;
        QCOMPARE(NotifyList(&list), NotifyOk);
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(NotifyClear(handles[1]), NotifyOk);

        NotifyStore store;
        QCOMPARE(store.Open(db), NotifyOk);
        std::vector<StoredRecord> rows;
        QCOMPARE(store.All(&rows), NotifyOk);
        QCOMPARE(rows.size(), size_t(1));
        QVERIFY(rows[0].valid);
    }

    void unreadableStoreFails()
    {
        // The device directory is a file: nothing can be stored, and nothing crashes.
        QTemporaryDir dir;
        const QString file = dir.path() + "/home";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        qputenv("DAWNBELL_HOME", file.toUtf8());
        NotifyCloseStore();
        QCOMPARE(NotifySetTime(Trigger("/b", "", Lt(2099, 1, 1, 0, 0, 0))), 0u);
        uint32_t count = 7;
        QCOMPARE(NotifyGetHandles(nullptr, 0, &count), NotifyError);
        QCOMPARE(NotifyClear(1), NotifyError);
    }

    void parseTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("blank") << "2030-06-01 07:05:09" << true << "2030-06-01 07:05:09";
        QTest::newRow("T separator") << "2030-06-01T07:05:09" << true << "2030-06-01 07:05:09";
        QTest::newRow("leap day") << "2028-02-29 00:00:00" << true << "2028-02-29 00:00:00";
        QTest::newRow("no leap day") << "2029-02-29 00:00:00" << false << "";
        QTest::newRow("no seconds") << "2030-06-01 07:05" << false << "";
        QTest::newRow("sign") << "2030-06-01 07:05:+9" << false << "";
        QTest::newRow("trailing") << "2030-06-01 07:05:09Z" << false << "";
        QTest::newRow("hour 24") << "2030-06-01 24:00:00" << false << "";
        QTest::newRow("empty") << "" << false << "";
    }
    void parseTime()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, normalised);
        clock::LocalTime t;
        QCOMPARE(ParseNotifyTime(text.toStdString(), &t), ok);
        if (ok)
            QCOMPARE(QString::fromStdString(FormatNotifyLine(1, t, "", "")), "1\t" + normalised + "\t\t");
    }

    void parseCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("verb");
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<uint>("handle");
        const int invalid = NotifyCommand::Invalid;
        QTest::newRow("nothing") << QStringList{} << invalid << "" << "" << 0u;
        QTest::newRow("help") << QStringList{"--help"} << int(NotifyCommand::Help) << "" << "" << 0u;
        QTest::newRow("version") << QStringList{"--version"} << int(NotifyCommand::Version) << "" << "" << 0u;
        QTest::newRow("version extra") << QStringList{"--version", "x"} << invalid << "" << "" << 0u;
        QTest::newRow("list") << QStringList{"list"} << int(NotifyCommand::List) << "" << "" << 0u;
        QTest::newRow("list extra") << QStringList{"list", "x"} << invalid << "" << "" << 0u;
        QTest::newRow("add") << QStringList{"add", "--at", "2030-01-02 03:04:05", "/bin/x", "a b"}
                             << int(NotifyCommand::Add) << "/bin/x" << "a b" << 0u;
        QTest::newRow("add without arguments") << QStringList{"add", "--at", "2030-01-02 03:04:05", "/bin/x"}
                                               << int(NotifyCommand::Add) << "/bin/x" << "" << 0u;
        QTest::newRow("add two arguments")
            << QStringList{"add", "--at", "2030-01-02 03:04:05", "/bin/x", "a", "b"} << invalid << "" << "" << 0u;
        QTest::newRow("add relative") << QStringList{"add", "--at", "2030-01-02 03:04:05", "x"} << invalid << ""
                                      << "" << 0u;
        QTest::newRow("add bad time") << QStringList{"add", "--at", "tomorrow", "/bin/x"} << invalid << "" << ""
                                      << 0u;
        QTest::newRow("add no --at") << QStringList{"add", "2030-01-02 03:04:05", "/bin/x", "y"} << invalid << ""
                                     << "" << 0u;
        QTest::newRow("clear") << QStringList{"clear", "4294967295"} << int(NotifyCommand::Clear) << "" << ""
                               << 4294967295u;
        QTest::newRow("clear 0") << QStringList{"clear", "0"} << invalid << "" << "" << 0u;
        QTest::newRow("clear too big") << QStringList{"clear", "4294967296"} << invalid << "" << "" << 0u;
        QTest::newRow("clear negative") << QStringList{"clear", "-1"} << invalid << "" << "" << 0u;
        QTest::newRow("clear hex") << QStringList{"clear", "0x10"} << invalid << "" << "" << 0u;
        QTest::newRow("unknown") << QStringList{"remove", "1"} << invalid << "" << "" << 0u;
    }
    void parseCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(int, verb);
        QFETCH(QString, application);
        QFETCH(QString, arguments);
        QFETCH(uint, handle);
        std::vector<std::string> v;
        for (const QString& a : args)
            v.push_back(a.toStdString());
        const NotifyCommand cmd = ParseNotifyCommand(v);
        QCOMPARE(int(cmd.verb), verb);
        QCOMPARE(cmd.error.empty(), verb != invalid());
        QCOMPARE(QString::fromStdString(cmd.application), application);
        QCOMPARE(QString::fromStdString(cmd.arguments), arguments);
        QCOMPARE(uint(cmd.handle), handle);
    }

    void listLineEscapes_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("plain") << QByteArray("A2700020110305") << QByteArray("A2700020110305");
        QTest::newRow("blanks and quotes") << QByteArray("a \"b\" 'c'") << QByteArray("a \"b\" 'c'");
        QTest::newRow("tab and newline") << QByteArray("a\tb\nc") << QByteArray("a\\tb\\nc");
        QTest::newRow("escape sequence") << QByteArray("\x1b[2J") << QByteArray("\\x1b[2J");
        QTest::newRow("backslash") << QByteArray("C:\\x") << QByteArray("C:\\\\x");
        QTest::newRow("utf-8 kept") << QByteArray("Wecker \xc3\xa4") << QByteArray("Wecker \xc3\xa4");
    }
    void listLineEscapes()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(QByteArray, shown);
        const std::string line = FormatNotifyLine(42, Lt(2030, 1, 2, 3, 4, 5), "/p", arguments.toStdString());
        QCOMPARE(QByteArray::fromStdString(line), "42\t2030-01-02 03:04:05\t/p\t" + shown);
    }

    // --- the service's planning, with injected zones and clocks -------------

    void planSplitsDueAndNext_data()
    {
        QTest::addColumn<qint64>("nowMs");
        QTest::addColumn<QList<uint>>("due");
        QTest::addColumn<qint64>("nextMs"); // -1: sleep
        // Records (in UTC for this table): 1 at 10:00:00.000, 2 at 10:00:00.500,
        // 3 at 09:00:00, 4 at 12:00:00, 5 at 10:00:00.000 (same as 1).
        const qint64 ten = qint64(MomentUtc(Lt(2030, 1, 1, 10, 0, 0))) * 1000;
        QTest::newRow("before all") << ten - 3600 * 1000 - 1 << QList<uint>{} << ten - 3600 * 1000;
        QTest::newRow("exactly at 09:00") << ten - 3600 * 1000 << QList<uint>{3} << ten;
        QTest::newRow("at 10:00, same-time records by handle") << ten << QList<uint>{3, 1, 5} << ten + 500;
        QTest::newRow("one ms before the half second") << ten + 499 << QList<uint>{3, 1, 5} << ten + 500;
        QTest::newRow("overdue by days") << ten + 86400000ll * 3 << QList<uint>{3, 1, 5, 2, 4} << qint64(-1);
    }
    void planSplitsDueAndNext()
    {
        QFETCH(qint64, nowMs);
        QFETCH(QList<uint>, due);
        QFETCH(qint64, nextMs);
        std::vector<PlanInput> in = {
            {1, Lt(2030, 1, 1, 10, 0, 0), true},      {2, Lt(2030, 1, 1, 10, 0, 0, 500), true},
            {3, Lt(2030, 1, 1, 9, 0, 0), true},       {4, Lt(2030, 1, 1, 12, 0, 0), true},
            {5, Lt(2030, 1, 1, 10, 0, 0), true},
        };
        const ArmPlan plan = PlanArming(in, nowMs, MomentUtc);
        QCOMPARE(QList<uint>(plan.due.begin(), plan.due.end()), due);
        QCOMPARE(plan.nextMs ? *plan.nextMs : qint64(-1), nextMs);
        QVERIFY(plan.invalid.empty());
    }

    // After a clock or zone change the service simply plans again: the same
    // local 07:00 record then lies at another moment, or is due at once.
    void planAfterClockOrZoneChange_data()
    {
        QTest::addColumn<int>("offsetHours");   // zone in force when planning (UTC + h)
        QTest::addColumn<qint64>("nowShiftSec"); // the clock was set by this much
        QTest::addColumn<bool>("due");
        QTest::addColumn<qint64>("nextUtc");    // expected wake-up, seconds UTC; -1 none
        const qint64 seven = MomentUtc(Lt(2030, 1, 1, 7, 0, 0));
        QTest::newRow("unchanged") << 0 << qint64(0) << false << seven;
        QTest::newRow("zone moved east") << 2 << qint64(0) << false << seven - 7200;
        QTest::newRow("zone moved west") << -5 << qint64(0) << false << seven + 5 * 3600;
        QTest::newRow("clock set past the alarm") << 0 << qint64(3 * 3600) << true << qint64(-1);
        QTest::newRow("clock set back") << 0 << qint64(-86400) << false << seven;
        QTest::newRow("zone east makes it overdue") << 5 << qint64(0) << true << qint64(-1);
    }
    void planAfterClockOrZoneChange()
    {
        QFETCH(int, offsetHours);
        QFETCH(qint64, nowShiftSec);
        QFETCH(bool, due);
        QFETCH(qint64, nextUtc);
        // "Now" is 04:30 UTC on the record's day before any change.
        const int64_t nowMs = (MomentUtc(Lt(2030, 1, 1, 4, 30, 0)) + nowShiftSec) * 1000;
        const LocalToMoment zone = [offsetHours](const clock::LocalTime& t) {
            return MomentUtc(t) - int64_t(offsetHours) * 3600;
        };
        const ArmPlan plan = PlanArming({{7, Lt(2030, 1, 1, 7, 0, 0), true}}, nowMs, zone);
        QCOMPARE(!plan.due.empty(), due);
        QCOMPARE(plan.nextMs ? *plan.nextMs / 1000 : qint64(-1), nextUtc);
    }

    void planSetsInvalidAside()
    {
        const ArmPlan plan = PlanArming({{1, Lt(2030, 1, 1, 7, 0, 0), false}, {2, Lt(2030, 1, 1, 8, 0, 0), true}},
                                        0, MomentUtc);
        QCOMPARE(plan.invalid, std::vector<uint32_t>{1});
        QVERIFY(plan.due.empty());
        QCOMPARE(*plan.nextMs, MomentUtc(Lt(2030, 1, 1, 8, 0, 0)) * 1000);
    }

private:
    static int invalid() { return NotifyCommand::Invalid; }
    // Seconds since the epoch of a broken-down time read as UTC.
    static int64_t MomentUtc(const clock::LocalTime& t)
    {
        struct tm tm {};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        return int64_t(timegm(&tm));
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
    pid_t m_standIn = -1; // the stand-in service
};

QTEST_GUILESS_MAIN(NotifyTest)
#include "NotifyTest.moc"
