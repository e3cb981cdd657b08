// A second process hands its command line to the running instance: two real
// processes of this executable, one serving the command channel (CommandServer,
// as the main window does) and printing what it receives, the other forwarding.
#include "CommandServer.h"
#include "InstanceLock.h"
#include "IpcClient.h"
#include "IpcFrame.h"
#include "IpcServer.h"
#include "SingleInstance.h"

#include "DevicePaths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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

int RawConnect(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A window of this program that takes connections but never acknowledges a
// message: it closes each one at once, or after reading what was sent.
class RudeWindow {
public:
    RudeWindow(const std::string& path, bool readFirst)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        ::unlink(path.c_str());
        if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 16) != 0)
            return;
        m_thread = std::thread([this, readFirst] {
            while (!m_stop) {
                pollfd p{m_fd, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const int c = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (c < 0)
                    continue;
                ++m_connections;
                if (readFirst) {
                    char buf[1024];
                    pollfd q{c, POLLIN, 0};
                    while (::poll(&q, 1, 100) > 0 && ::recv(c, buf, sizeof buf, MSG_DONTWAIT) > 0) {
                    }
                }
                ::close(c);
            }
        });
    }
    ~RudeWindow()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }
    int Connections() const { return m_connections; }

private:
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

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
        QTest::newRow("reinit with more is a key") << "reinit now"
                                                   << QStringList{"foreground", "copydata 1 [reinit now]"};
        QTest::newRow("test") << "test 3456032" << QStringList{"foreground", "copydata 5 [3456032]"};
    }
    void forwardsByVerb()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, received);
        StartServer({"lock", "socket"});
        ipc::InstanceLock lock;
        QCOMPARE(SingleInstance::Enter(CommandLine::Classify(line), &lock, 3, 50), SingleInstance::Forwarded);
        QVERIFY(!lock.IsHeld());
        QCOMPARE(ReadLines(received.size()), received);
    }

    void sendWaitsForTheHandling()
    {
        StartServer({"lock", "socket", "600"});
        QElapsedTimer t;
        t.start();
        QCOMPARE(SingleInstance::Forward(CommandLine::Classify("3456031"), ipc::SocketPath(), ProgramPath()),
                 ipc::SendOk);
        QVERIFY2(t.elapsed() >= 550, qPrintable(QString::number(t.elapsed())));
        // While a ringing (the slow handler) runs, the window still takes messages.
        ipc::IpcClient busy;
        QCOMPARE(busy.Connect(ipc::SocketPath(), ProgramPath()), ipc::SendOk);
        int32_t answer = 0;
        std::thread ring([&] { busy.SendCopyData(1, u"1", 5000, &answer); });
        QTest::qWait(100);
        QCOMPARE(SingleInstance::Forward(CommandLine::Classify(""), ipc::SocketPath(), ProgramPath()), ipc::SendOk);
        ring.join();
        QCOMPARE(answer, 100);
        QCOMPARE(ReadLines(4), QStringList({"foreground", "copydata 1 [3456031]", "foreground", "copydata 1 [1]"}));
    }

    // A line counts as forwarded only once the window has acknowledged it: a window
    // that drops the connection (too busy, or ending) is tried again, and when the
    // running instance ends meanwhile this process takes over as the first one.
    void unacknowledgedLineIsKept_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("outcome");
        QTest::newRow("closes each connection at once") << "close" << int(SingleInstance::Further);
        QTest::newRow("reads the key, closes without an answer") << "read" << int(SingleInstance::Further);
        QTest::newRow("running instance ends meanwhile") << "ends" << int(SingleInstance::First);
    }
    void unacknowledgedLineIsKept()
    {
        QFETCH(QString, window);
        QFETCH(int, outcome);
        StartServer({"lock", "nosocket"});
        std::unique_ptr<RudeWindow> rude;
        if (window != "ends")
            rude = std::make_unique<RudeWindow>(ipc::SocketPath(), window == "read");
        const pid_t running = static_cast<pid_t>(m_server.processId());
        std::thread ender([&] {
            if (window == "ends") {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                ::kill(running, SIGKILL);
            }
        });
        ipc::InstanceLock lock;
        const SingleInstance::Outcome got =
            SingleInstance::Enter(CommandLine::Classify("3456031"), &lock, window == "ends" ? 60 : 3, 50);
        ender.join();
        QCOMPARE(int(got), outcome);
        QCOMPARE(lock.IsHeld(), outcome == SingleInstance::First);
        if (rude)
            QVERIFY(rude->Connections() >= 3); // tried again each time
    }

    // Clients that connect and send half a request (or nothing) cannot shut the
    // window off: a new connection takes the place of the oldest stalled one.
    void forwardsPastStalledConnections()
    {
        StartServer({"lock", "socket"});
        const auto partial = std::vector<uint8_t>{0x44, 0x4E, 0x42, 0x4C, 0x4A, 0, 0, 0};
        std::vector<int> stalled;
        for (size_t i = 0; i < ipc::IpcServer::kMaxConnections + 8; ++i) {
            const int fd = RawConnect(ipc::SocketPath());
            QVERIFY(fd >= 0);
            QCOMPARE(::send(fd, partial.data(), partial.size(), MSG_NOSIGNAL), ssize_t(partial.size()));
            stalled.push_back(fd);
        }
        ipc::InstanceLock lock;
        const SingleInstance::Outcome got = SingleInstance::Enter(CommandLine::Classify("3456031"), &lock, 1, 0);
        for (int fd : stalled)
            ::close(fd);
        QCOMPARE(got, SingleInstance::Forwarded);
        QCOMPARE(ReadLines(2), QStringList({"foreground", "copydata 1 [3456031]"}));
    }

    // The check that drops silent connections runs only while a connection
    // waits for its frame: an idle window takes no wake-ups for it.
    void expiryCheckRunsOnlyWhileAConnectionWaits_data()
    {
        QTest::addColumn<QString>("client");
        QTest::newRow("hangs up without a word") << "hang up";
        QTest::newRow("half a frame, then hangs up") << "half";
        QTest::newRow("a whole reinit") << "reinit";
    }
    void expiryCheckRunsOnlyWhileAConnectionWaits()
    {
        QFETCH(QString, client);
        int reinits = 0;
        CommandServer::Handlers h;
        h.reinit = [&] { ++reinits; };
        CommandServer server(h);
        const std::string path = (m_dir->path() + QStringLiteral("/channel.sock")).toStdString();
        QVERIFY(server.Listen(QString::fromStdString(path)));
        QVERIFY(!server.ExpiryCheckRunning());
        const int fd = RawConnect(path);
        QVERIFY(fd >= 0);
        QTRY_VERIFY(server.ExpiryCheckRunning()); // accepted; waiting for its frame
        const std::vector<uint8_t> frame = ipc::EncodePosted(ipc::MsgReinit, 0, -1);
        if (client == QLatin1String("half"))
            QVERIFY(::send(fd, frame.data(), frame.size() / 2, MSG_NOSIGNAL) > 0);
        if (client == QLatin1String("reinit")) {
            QCOMPARE(::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL), ssize_t(frame.size()));
            QTRY_COMPARE(reinits, 1);
            QVERIFY(!server.ExpiryCheckRunning());
        }
        ::close(fd);
        QTRY_VERIFY(!server.ExpiryCheckRunning());
        QVERIFY(server.IsListening());
    }

    void windowOfAnotherProgramIsIgnored()
    {
        StartServer({"nolock", "socket"});
        QCOMPARE(SingleInstance::Forward(CommandLine::Classify("3456031"), ipc::SocketPath(),
                                         "/usr/bin/another-program"),
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
        QCOMPARE(SingleInstance::Enter(CommandLine::Classify("3456031"), &lock, 4, 50), SingleInstance::Further);
        QVERIFY(t.elapsed() >= 150); // three pauses between four attempts
        QVERIFY(!lock.IsHeld());
    }

    void firstInstanceTakesTheLock()
    {
        ipc::InstanceLock lock;
        QCOMPARE(SingleInstance::Enter(CommandLine::Classify("3456031"), &lock, 2, 10), SingleInstance::First);
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
