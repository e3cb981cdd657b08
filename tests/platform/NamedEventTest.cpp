#include "NamedEvent.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace dawnbell;

class NamedEventTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        qputenv("DAWNBELL_HOME", m_dir->path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    }

    void openMissingEvent()
    {
        NamedEvent e;
        QCOMPARE(NamedEvent::Open("PowerManager/ReloadActivityTimeouts", &e), EventNotFound);
        QVERIFY(!e.IsOpen());
        QCOMPARE(NamedEvent::SetCount("PowerManager/ReloadActivityTimeouts"), uint64_t(0));
        QCOMPARE(NamedEvent::Remove("PowerManager/ReloadActivityTimeouts"), EventNotFound);
        NamedEvent closed;
        QCOMPARE(closed.Set(), EventInvalidHandle);
        QVERIFY(!closed.TryWait());
    }

    void waitSemantics_data()
    {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("firstWait");
        QTest::addColumn<bool>("secondWait");
        QTest::newRow("auto, reset") << false << false << false << false;
        QTest::newRow("auto, set: a wait consumes it") << false << true << true << false;
        QTest::newRow("manual, set: stays set") << true << true << true << true;
        QTest::newRow("manual, reset") << true << false << false << false;
    }
    void waitSemantics()
    {
        QFETCH(bool, manual);
        QFETCH(bool, initial);
        QFETCH(bool, firstWait);
        QFETCH(bool, secondWait);
        NamedEvent e;
        bool existed = true;
        QCOMPARE(NamedEvent::Create("Test/Wait", manual, initial, &e, &existed), EventOk);
        QVERIFY(!existed);
        QCOMPARE(e.TryWait(), firstWait);
        QCOMPARE(e.TryWait(), secondWait);
        QCOMPARE(e.Set(), EventOk);
        QVERIFY(e.TryWait());
        QCOMPARE(e.TryWait(), manual);
        QCOMPARE(e.Reset(), EventOk);
        QVERIFY(!e.TryWait());
    }

    // A second Create opens the existing event and keeps its state and kind.
    void createOpensExisting()
    {
        NamedEvent a, b;
        QCOMPARE(NamedEvent::Create("Shared", true, false, &a), EventOk);
        QCOMPARE(a.Set(), EventOk);
        bool existed = false;
        QCOMPARE(NamedEvent::Create("Shared", false, false, &b, &existed), EventOk);
        QVERIFY(existed);
        EventRecord r;
        QCOMPARE(b.Query(&r), EventOk);
        QVERIFY(r.manualReset);
        QVERIFY(r.signaled);
        QCOMPARE(r.setCount, uint64_t(1));
    }

    // Sets from other processes are all counted and seen.
    void setAcrossProcesses()
    {
        NamedEvent e;
        QCOMPARE(NamedEvent::Create("PowerManager/ReloadActivityTimeouts", false, false, &e), EventOk);
        constexpr int kChildren = 4;
        constexpr int kSetsEach = 25;
        pid_t pids[kChildren];
        for (int i = 0; i < kChildren; ++i) {
            pids[i] = fork();
            QVERIFY(pids[i] >= 0);
            if (pids[i] == 0) {
                NamedEvent child;
                if (NamedEvent::Open("PowerManager/ReloadActivityTimeouts", &child) != EventOk)
                    _exit(1);
                for (int k = 0; k < kSetsEach; ++k) {
                    if (child.Set() != EventOk)
                        _exit(2);
                }
                _exit(0);
            }
        }
        for (pid_t pid : pids) {
            int status = -1;
            QCOMPARE(waitpid(pid, &status, 0), pid);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        }
        QCOMPARE(NamedEvent::SetCount("PowerManager/ReloadActivityTimeouts"), uint64_t(kChildren * kSetsEach));
        QVERIFY(e.TryWait());
        QVERIFY(!e.TryWait());
    }

    void names_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("result");
        QTest::newRow("slash") << QByteArray("SYSTEM/ShellAPIReady") << int(EventOk);
        QTest::newRow("dots cannot climb") << QByteArray("../../escape") << int(EventOk);
        QTest::newRow("only a dot") << QByteArray(".") << int(EventOk);
        QTest::newRow("unicode") << QByteArray("Wecker \xc3\xa4") << int(EventOk);
        QTest::newRow("longest") << QByteArray(200, 'a') << int(EventOk);
        QTest::newRow("too long") << QByteArray(201, 'a') << int(EventInvalidName);
        QTest::newRow("empty") << QByteArray() << int(EventInvalidName);
        QTest::newRow("embedded zero") << QByteArray("a\0b", 3) << int(EventInvalidName);
    }
    void names()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, result);
        const std::string_view n(name.constData(), size_t(name.size()));
        NamedEvent e;
        QCOMPARE(int(NamedEvent::Create(n, false, false, &e)), result);
        if (result != EventOk)
            return;
        const QString path = QString::fromStdString(NamedEventPath(n));
        QVERIFY2(path.startsWith(m_dir->path() + QStringLiteral("/dawnbell/events/")), qPrintable(path));
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(QFileInfo(path).absolutePath(), m_dir->path() + QStringLiteral("/dawnbell/events"));
        QCOMPARE(e.Set(), EventOk);
        QCOMPARE(NamedEvent::SetCount(n), uint64_t(1));
        QCOMPARE(NamedEvent::Remove(n), EventOk);
        QCOMPARE(e.Set(), EventNotFound);
    }

    void records_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("signaled");
        QTest::addColumn<qulonglong>("sets");
        QTest::newRow("valid") << QByteArray("dawnbell-event 1 manual=0 signaled=1 sets=42\n") << true << true << 42ull;
        QTest::newRow("largest count") << QByteArray("dawnbell-event 1 manual=1 signaled=0 sets=9999999999999999999\n")
                                       << true << false << 9999999999999999999ull;
        QTest::newRow("count too long") << QByteArray("dawnbell-event 1 manual=1 signaled=0 sets=10000000000000000000\n")
                                        << false << false << 0ull;
        QTest::newRow("no newline") << QByteArray("dawnbell-event 1 manual=0 signaled=1 sets=4") << false << false << 0ull;
        QTest::newRow("bad flag") << QByteArray("dawnbell-event 1 manual=2 signaled=1 sets=4\n") << false << false << 0ull;
        QTest::newRow("trailing junk") << QByteArray("dawnbell-event 1 manual=0 signaled=1 sets=4\nx") << false << false << 0ull;
        QTest::newRow("truncated") << QByteArray("dawnbell-event 1 manual=0 sig") << false << false << 0ull;
        QTest::newRow("other magic") << QByteArray("dawnbell-event 2 manual=0 signaled=1 sets=4\n") << false << false << 0ull;
        QTest::newRow("empty") << QByteArray() << false << false << 0ull;
    }
    void records()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        EventRecord r;
        QCOMPARE(ParseEventRecord(text.constData(), size_t(text.size()), &r), ok);
        if (!ok)
            return;
        QFETCH(bool, signaled);
        QFETCH(qulonglong, sets);
        QCOMPARE(r.signaled, signaled);
        QCOMPARE(qulonglong(r.setCount), sets);
        QCOMPARE(QByteArray::fromStdString(FormatEventRecord(r)), text);
    }

    // A damaged event file reads as a reset event and is repaired by the next change.
    void damagedFileIsRepaired()
    {
        NamedEvent e;
        QCOMPARE(NamedEvent::Create("Damaged", true, true, &e), EventOk);
        QFile f(QString::fromStdString(NamedEventPath("Damaged")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(4096, '\xff'));
        f.close();
        QVERIFY(!e.TryWait());
        QCOMPARE(e.Set(), EventOk);
        QCOMPARE(NamedEvent::SetCount("Damaged"), uint64_t(1));
        QVERIFY(e.TryWait());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(NamedEventTest)
#include "NamedEventTest.moc"
