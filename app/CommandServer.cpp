#include "CommandServer.h"

#include "IpcClient.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

namespace dawnbell {

namespace {

int64_t MonotonicMs()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

} // namespace

CommandServer::CommandServer(Handlers handlers, QObject* parent)
    : QObject(parent), m_handlers(std::move(handlers))
{
}

CommandServer::~CommandServer()
{
    Close();
}

bool CommandServer::Listen(const QString& socketPath)
{
    Close();
    const std::string path = socketPath.isEmpty() ? ipc::SocketPath() : socketPath.toStdString();
    if (m_server.Listen(path) != ipc::IpcServer::Listening)
        return false;
    m_listenNotifier = new QSocketNotifier(m_server.ListenFd(), QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, [this] { OnAcceptable(); });
    // The expiry check runs only while a connection waits for its frame: an idle
    // window takes no wake-ups for it.
    m_expiry = new QTimer(this);
    m_expiry->setInterval(kExpiryCheckMs);
    connect(m_expiry, &QTimer::timeout, this, [this] { OnExpiry(); });
    return true;
}

bool CommandServer::ExpiryCheckRunning() const
{
    return m_expiry && m_expiry->isActive();
}

void CommandServer::Close()
{
    for (auto& [fd, notifier] : m_notifiers)
        delete notifier;
    m_notifiers.clear();
    delete m_listenNotifier;
    m_listenNotifier = nullptr;
    delete m_expiry;
    m_expiry = nullptr;
    m_server.Close();
}

void CommandServer::OnAcceptable()
{
    std::vector<int> dropped;
    const std::vector<int> accepted = m_server.AcceptPending(MonotonicMs(), &dropped);
    for (int fd : dropped)
        Unwatch(fd);
    for (int fd : accepted) {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { OnReadable(fd); });
        m_notifiers[fd] = notifier;
    }
    UpdateExpiryTimer();
}

void CommandServer::UpdateExpiryTimer()
{
    if (!m_expiry)
        return;
    if (m_notifiers.empty())
        m_expiry->stop();
    else if (!m_expiry->isActive())
        m_expiry->start();
}

void CommandServer::Unwatch(int fd)
{
    auto it = m_notifiers.find(fd);
    if (it == m_notifiers.end())
        return;
    it->second->setEnabled(false);
    it->second->deleteLater();
    m_notifiers.erase(it);
    UpdateExpiryTimer();
}

void CommandServer::OnReadable(int fd)
{
    ipc::Frame frame;
    switch (m_server.Read(fd, &frame)) {
    case ipc::IpcServer::Pending:
        return;
    case ipc::IpcServer::Dropped:
        Unwatch(fd);
        return;
    case ipc::IpcServer::FrameReady:
        break;
    }
    // No more reads on this connection; its fd stays open until Finish.
    Unwatch(fd);
    switch (frame.message) {
    case ipc::MsgCopyData: {
        const QString key = QString::fromStdU16String(frame.key);
        // May run a nested loop for a long time (a ringing); other connections
        // are served meanwhile.
        const int result = m_handlers.copyData ? m_handlers.copyData(static_cast<int>(frame.code), key) : 0;
        m_server.Finish(fd, result, true);
        break;
    }
    case ipc::MsgReinit:
        m_server.Finish(fd, 0, false);
        if (m_handlers.reinit)
            QTimer::singleShot(0, this, [this] { m_handlers.reinit(); });
        break;
    case ipc::MsgForeground:
        // At once: a sender brings the window up before it sends its key.
        m_server.Finish(fd, 0, false);
        if (m_handlers.foreground)
            m_handlers.foreground();
        break;
    default:
        m_server.Finish(fd, 0, false);
        break;
    }
}

void CommandServer::OnExpiry()
{
    for (int fd : m_server.ExpireIdle(MonotonicMs()))
        Unwatch(fd);
}

} // namespace dawnbell
