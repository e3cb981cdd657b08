// The registry shared by several processes: a writer killed at random moments
// never leaves a damaged store or loses a flushed write (its own or a second
// writer's), a connection kept open beside short-lived writers keeps its writes,
// and processes writing the same keys at once see no failures.
//
// The test binary doubles as the child processes: run with --crash-writer or
// --contender it does that job instead of running the tests.
#include "Registry.h"
#include "StoreDamage.h"
#include "TempHome.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace dawnbell;

namespace {

constexpr char kCounterKey[] = "Software\\Torvane\\Dawnbell\\settings";

// Writes counters 1, 2, ... forever, each in one batch: the counter into two
// keys, a text that grows with it, and a subkey made and removed, then flushes
// and reports the counter on stdout. Every other round writes without a batch.
int RunCrashWriter()
{
    RegKey a;
    RegKey b;
    if (RegKey::Create(Hive::CurrentUser, kCounterKey, &a) != RegOk
        || RegKey::Create(Hive::LocalMachine, "System\\Mirror", &b) != RegOk)
        return 10;
    uint32_t counter = 0;
    a.ReadDword("counter", &counter);
    for (;;) {
        ++counter;
        const std::u16string text(counter % 300, u'x');
        const std::string sub = "Alarms\\" + std::to_string(counter);
        {
            RegWriteBatch batch;
            if (a.WriteDword("counter", counter) != RegOk || b.WriteDword("counter", counter) != RegOk
                || a.WriteString("text", text) != RegOk)
                return 11;
            RegKey s;
            if (RegKey::Create(Hive::CurrentUser, sub, &s) != RegOk || s.WriteDword("v", counter) != RegOk)
                return 12;
            if (counter > 3 && RegDeleteTree(Hive::CurrentUser, "Alarms\\" + std::to_string(counter - 3)) != RegOk)
                return 13;
            if (batch.Commit() != RegOk)
                return 14;
        }
        if (counter % 2 == 0 && a.WriteDword("plain", counter) != RegOk)
            return 15;
        if (RegFlush(Hive::CurrentUser) != RegOk)
            return 16;
        const std::string line = std::to_string(counter) + "\n";
        if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return 17;
    }
}

// Writes `name` = `value` under "Shots" in one short-lived connection, as a shell
// tool does, and closes it (as the tool's store check does): 0 when written and
// flushed. Closing what it takes for the last connection checkpoints and removes
// the WAL.
int RunOneShot(const char* name, uint32_t value)
{
    RegKey shots;
    if (RegKey::Create(Hive::CurrentUser, "Shots", &shots) != RegOk || shots.WriteDword(name, value) != RegOk)
        return 20;
    const bool flushed = RegFlush(Hive::CurrentUser) == RegOk;
    shots.Close();
    RegCloseStore();
    return flushed ? 0 : 21;
}

// Keeps one connection open for `rounds` rounds, as an open window does: each
// round writes its number, flushes and reads every earlier round back. Prints
// "ok" or the first failure.
int RunHolder(int rounds)
{
    RegKey held;
    if (RegKey::Create(Hive::CurrentUser, "Held", &held) != RegOk)
        return 30;
    for (int round = 1; round <= rounds; ++round) {
        if (held.WriteDword("r" + std::to_string(round), uint32_t(round)) != RegOk
            || RegFlush(Hive::CurrentUser) != RegOk) {
            std::printf("fail write %d\n", round);
            return 31;
        }
        for (int back = 1; back <= round; ++back) {
            uint32_t v = 0;
            if (!held.ReadDword("r" + std::to_string(back), &v) || v != uint32_t(back)) {
                std::printf("fail read %d in round %d\n", back, round);
                return 32;
            }
        }
        ::usleep(5000);
    }
    std::printf("ok\n");
    return 0;
}

// Reads and writes the shared keys for `seconds`; prints "ok ROUNDS" or the
// first failure.
int RunContender(int id, int seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const std::string own = "Contention\\P" + std::to_string(id);
    uint32_t rounds = 0;
    auto fail = [&](const char* what, int r) {
        std::printf("fail %s %d after %u rounds\n", what, r, rounds);
        return 1;
    };
    while (std::chrono::steady_clock::now() < end) {
        ++rounds;
        RegKey shared;
        RegResult r = RegKey::Create(Hive::CurrentUser, "Contention\\Shared", &shared);
        if (r != RegOk)
            return fail("create", r);
        if ((r = shared.WriteDword("last", static_cast<uint32_t>(id))) != RegOk)
            return fail("write", r);
        if ((r = shared.WriteDword("P" + std::to_string(id), rounds)) != RegOk)
            return fail("write own value", r);
        uint32_t v;
        if (!shared.ReadDword("last", &v) || v > 3)
            return fail("read", 0);
        {
            RegWriteBatch batch;
            RegKey mine;
            if ((r = RegKey::Create(Hive::CurrentUser, own + "\\Sub", &mine)) != RegOk)
                return fail("batch create", r);
            for (int i = 0; i < 10; ++i) {
                if ((r = mine.WriteDword("v" + std::to_string(i), rounds)) != RegOk)
                    return fail("batch write", r);
            }
            if ((r = batch.Commit()) != RegOk)
                return fail("batch commit", r);
        }
        {
            RegReadScope snapshot;
            RegKey parent;
            if ((r = RegKey::Open(Hive::CurrentUser, "Contention", &parent)) != RegOk)
                return fail("open", r);
            std::string name;
            for (uint32_t i = 0; (r = parent.EnumKey(i, &name)) == RegOk; ++i) {
            }
            if (r != RegNoMoreItems)
                return fail("enumerate", r);
        }
        if (rounds % 5 == 0 && (r = RegDeleteTree(Hive::CurrentUser, own)) != RegOk)
            return fail("delete", r);
        if (rounds % 10 == 0 && (r = RegFlush(Hive::CurrentUser)) != RegOk)
            return fail("flush", r);
    }
    RegKey shared;
    uint32_t v = 0;
    if (RegKey::Open(Hive::CurrentUser, "Contention\\Shared", &shared) != RegOk
        || !shared.ReadDword("P" + std::to_string(id), &v) || v != rounds)
        return fail("final read", 0);
    std::printf("ok %u\n", rounds);
    return 0;
}

} // namespace

class RegistryProcessTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
    }
    void cleanup() { m_home.Close(); }

    void killedWriterLosesNothingFlushed()
    {
        const QString db = m_home.path() + "/registry.db";
        QRandomGenerator rng(20261208);
        uint32_t flushed = 0;
        QList<int> secondFlushed; // rounds whose second writer flushed its value
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {"--crash-writer"});
            QVERIFY(writer.waitForStarted(10000));
            // Mostly let the writer get going and kill it in the middle of whatever
            // it does; every fifth round kill it while it is still starting up
            // (possibly recovering the store the last one left).
            if (round % 5 != 4)
                QVERIFY(writer.waitForReadyRead(20000));
            // A second writer, as a shell tool beside the program: it comes and
            // goes while the first one writes, and what it flushed stays too.
            QProcess second;
            second.start(QCoreApplication::applicationFilePath(),
                         {"--one-shot", "round" + QString::number(round), QString::number(round + 1000)});
            QTest::qWait(int(rng.bounded(round % 5 != 4 ? 150 : 30)));
            writer.kill();
            QVERIFY(second.state() == QProcess::NotRunning || second.waitForFinished(20000));
            if (second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0)
                secondFlushed << round;
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
            for (const QByteArray& line : lines) {
                if (!line.isEmpty())
                    flushed = line.toUInt(); // a partial last line reads low, never high
            }

            QCOMPARE(test::StoreIntegrity(db), QString("ok"));
            RegCloseStore();
            RegKey a;
            RegKey b;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, kCounterKey, &a), RegOk);
            QCOMPARE(RegKey::Open(Hive::LocalMachine, "System\\Mirror", &b), RegOk);
            uint32_t ca = 0;
            uint32_t cb = 0;
            QVERIFY(a.ReadDword("counter", &ca));
            QVERIFY(b.ReadDword("counter", &cb));
            QVERIFY2(ca >= flushed, qPrintable(QString("round %1: %2 < %3").arg(round).arg(ca).arg(flushed)));
            QCOMPARE(ca, cb); // one batch: both or neither
            std::u16string text;
            QVERIFY(a.ReadString("text", &text));
            QCOMPARE(text.size(), size_t(ca % 300));
            RegKey alarms;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, "Alarms", &alarms), RegOk);
            uint32_t subkeys = 0;
            QCOMPARE(alarms.QueryInfo(&subkeys, nullptr), RegOk);
            QCOMPARE(subkeys, std::min<uint32_t>(ca, 3));
            RegKey shots;
            for (int done : secondFlushed) {
                uint32_t v = 0;
                QVERIFY2(RegKey::Open(Hive::CurrentUser, "Shots", &shots) == RegOk
                             && shots.ReadDword("round" + std::to_string(done), &v) && v == uint32_t(done + 1000),
                         qPrintable(QString("round %1: the second writer's value of round %2 is lost").arg(round).arg(done)));
            }
            RegCloseStore();
            flushed = ca; // the next writer continues from the stored counter
        }
        QVERIFY2(flushed >= 24, "the writer hardly wrote anything");
    }

    void shortLivedWritersBesideAnOpenStore()
    {
        // An open window flushes after each write while shell tools open, write
        // and close the store: a tool that closes the last connection it can see
        // checkpoints and removes the WAL, so the window's connection must still
        // be seen by then (its locks held) or its later writes go astray.
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--holder", "120"});
        QVERIFY(holder.waitForStarted(10000));
        int written = 0;
        for (int shot = 0; shot < 24 && holder.state() != QProcess::NotRunning; ++shot) {
            QProcess one;
            one.start(QCoreApplication::applicationFilePath(), {"--one-shot", "s" + QString::number(shot), QString::number(shot + 100)});
            QVERIFY(one.waitForFinished(20000));
            QCOMPARE(one.exitCode(), 0);
            ++written;
        }
        QVERIFY(holder.waitForFinished(60000));
        const QString out = QString::fromUtf8(holder.readAllStandardOutput()).trimmed();
        QVERIFY2(holder.exitCode() == 0 && out == "ok", qPrintable(out));
        QVERIFY2(written >= 4, "the holder ended before the shell writers ran");

        QCOMPARE(test::StoreIntegrity(m_home.path() + "/registry.db"), QString("ok"));
        RegCloseStore();
        RegKey held;
        RegKey shots;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Held", &held), RegOk);
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Shots", &shots), RegOk);
        uint32_t v = 0;
        QVERIFY(held.ReadDword("r120", &v));
        QCOMPARE(v, 120u);
        for (int shot = 0; shot < written; ++shot) {
            QVERIFY2(shots.ReadDword("s" + std::to_string(shot), &v), qPrintable(QString("shot %1 lost").arg(shot)));
            QCOMPARE(v, uint32_t(shot + 100));
        }
    }

    void concurrentProcessesSeeNoErrors()
    {
        QList<QProcess*> procs;
        for (int id = 0; id < 4; ++id) {
            auto* p = new QProcess(this);
            p->start(QCoreApplication::applicationFilePath(), {"--contender", QString::number(id), "2"});
            procs << p;
        }
        for (int id = 0; id < 4; ++id) {
            QProcess* p = procs[id];
            QVERIFY(p->waitForFinished(60000));
            const QString out = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     qPrintable(QString("process %1: %2 %3").arg(id).arg(out, QString::fromUtf8(p->readAllStandardError()))));
            QVERIFY2(out.startsWith("ok "), qPrintable(out));
            QVERIFY2(out.mid(3).toInt() > 5, qPrintable(out));
        }
        QCOMPARE(test::StoreIntegrity(m_home.path() + "/registry.db"), QString("ok"));
        qDeleteAll(procs);
    }

private:
    test::TempHome m_home;
};

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--crash-writer") == 0)
        return RunCrashWriter();
    if (argc >= 4 && std::strcmp(argv[1], "--one-shot") == 0)
        return RunOneShot(argv[2], uint32_t(std::strtoul(argv[3], nullptr, 10)));
    if (argc >= 3 && std::strcmp(argv[1], "--holder") == 0)
        return RunHolder(std::atoi(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "--contender") == 0)
        return RunContender(std::atoi(argv[2]), std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    RegistryProcessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RegistryProcessTest.moc"
