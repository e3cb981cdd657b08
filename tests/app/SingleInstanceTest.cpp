// A second process hands its command line to the running instance: two real
// processes of this executable, one serving the command channel (CommandServer,
// as the main window does) and printing what it receives, the other forwarding.
#include "CommandServer.h"
#include "InstanceLock.h"
#include "IpcClient.h"
#include "SingleInstance.h"

#include "DevicePaths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace dawnbell;

namespace {

// The serving side: `--serve [lock] [socket] [slowMs]`. Prints "ready" once
// listening, then one line per message; a copy-data handler takes `slowMs` of
// nested event loop before it answers code * 100.
int Serve(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool lock = argc > 2 && std::strcmp(argv[2], "lock") == 0;
    const bool socket = argc > 3 && std::strcmp(argv[3], "socket") == 0;
    const int slowMs = argc > 4 ? std::atoi(argv[4]) : 0;
    ipc::InstanceLock instance;
    if (lock && instance.Acquire(ProgramPath()) != ipc::InstanceLock::Acquired)
        return 3;
    const auto say = [](const QString& s) {
        std::printf("%s\n", qPrintable(s));
        std::fflush(stdout);
    };
    CommandServer::Handlers h;
    h.copyData = [&](int code, const QString& key) {
        if (slowMs > 0) {
            QEventLoop loop;
            QTimer::singleShot(slowMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        say(QStringLiteral("copydata %1 [%2]").arg(code).arg(key));
        return code * 100;
    };
    h.reinit = [&] { say(QStringLiteral("reinit")); };
    h.foreground = [&] { say(QStringLiteral("foreground")); };
    CommandServer server(h);
    if (socket && !server.Listen())
        return 4;
    say(QStringLiteral("ready"));
    return app.exec();
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        qputenv("DAWNBELL_HOME", m_dir->path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    }
    void cleanup()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(2000);
        }
    }

    void forwardsByVerb_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("received");
        QTest::newRow("alarm key") << "3456031" << QStringList{"foreground", "copydata 1 [3456031]"};
        QTest::newRow("edit") << "edit A4500020080101" << QStringList{"foreground", "copydata 2 [A4500020080101]"};
        QTest::newRow("edit without key") << "edit " << QStringList{"foreground", "copydata 2 []"};
        QTest::newRow("Edit is a key") << "Edit 42" << QStringList{"foreground", "copydata 1 [Edit 42]"};
        QTest::newRow("autoclose is a key") << "autoclose" << QStringList{"foreground", "copydata 1 [autoclose]"};
        QTest::newRow("reset is a key") << "reset" << QStringList{"foreground", "copydata 1 [reset]"};
        QTest::newRow("empty") << "" << QStringList{"foreground"};
        QTest::newRow("reinit") << "reinit" << QStringList{"reinit"};
    }
    void forwardsByVerb()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, received);
        StartServer({"lock", "socket"});
        ipc::InstanceLock lock;
        QCOMPARE(SingleInstance::Enter(line, &lock, 3, 50), SingleInstance::Forwarded);
        QVERIFY(!lock.IsHeld());
        QCOMPARE(ReadLines(received.size()), received);
    }

    void sendWaitsForTheHandling()
    {
        StartServer({"lock", "socket", "600"});
        QElapsedTimer t;
        t.start();
        QCOMPARE(SingleInstance::Forward("3456031", ipc::SocketPath(), ProgramPath()), ipc::SendOk);
        QVERIFY2(t.elapsed() >= 550, qPrintable(QString::number(t.elapsed())));
        // While a ringing (the slow handler) runs, the window still takes messages.
        ipc::IpcClient busy;
        QCOMPARE(busy.Connect(ipc::SocketPath(), ProgramPath()), ipc::SendOk);
        int32_t answer = 0;
        std::thread ring([&] { busy.SendCopyData(1, u"1", 5000, &answer); });
        QTest::qWait(100);
        QCOMPARE(SingleInstance::Forward("", ipc::SocketPath(), ProgramPath()), ipc::SendOk);
        ring.join();
        QCOMPARE(answer, 100);
        QCOMPARE(ReadLines(4), QStringList({"foreground", "copydata 1 [3456031]", "foreground", "copydata 1 [1]"}));
    }

    void windowOfAnotherProgramIsIgnored()
    {
        StartServer({"nolock", "socket"});
        QCOMPARE(SingleInstance::Forward("3456031", ipc::SocketPath(), "/usr/bin/another-program"),
                 ipc::SendNoWindow);
        QVERIFY(!m_server.waitForReadyRead(300));
    }

    void noWindowMeansAFurtherInstance()
    {
        // The lock is held, but nobody answers on the channel.
        StartServer({"lock", "nosocket"});
        ipc::InstanceLock lock;
        QElapsedTimer t;
        t.start();
        QCOMPARE(SingleInstance::Enter("3456031", &lock, 4, 50), SingleInstance::Further);
        QVERIFY(t.elapsed() >= 150); // three pauses between four attempts
        QVERIFY(!lock.IsHeld());
    }

    void firstInstanceTakesTheLock()
    {
        ipc::InstanceLock lock;
        QCOMPARE(SingleInstance::Enter("3456031", &lock, 2, 10), SingleInstance::First);
        QVERIFY(lock.IsHeld());
    }

private:
    void StartServer(const QStringList& args)
    {
        m_server.setProgram(QCoreApplication::applicationFilePath());
        m_server.setArguments(QStringList{"--serve"} + args);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start();
        QVERIFY(m_server.waitForStarted(5000));
        QCOMPARE(ReadLines(1), QStringList{"ready"});
    }
    QStringList ReadLines(int count)
    {
        QStringList lines;
        QElapsedTimer t;
        t.start();
        while (lines.size() < count && t.elapsed() < 5000) {
            if (!m_server.canReadLine() && !m_server.waitForReadyRead(100))
                continue;
            while (m_server.canReadLine() && lines.size() < count)
                lines << QString::fromUtf8(m_server.readLine()).trimmed();
        }
        return lines;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_server;
};

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--serve") == 0)
        return Serve(argc, argv);
    QCoreApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceTest.moc"
