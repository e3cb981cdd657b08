#pragma once
// The running main window's end of the command channel, on the Qt event loop:
// accepts connections on the channel's socket, reads each request without ever
// blocking, answers copy-data synchronously (the handler may run a nested modal
// loop, e.g. a whole ringing), delivers "reinit" on the next loop turn and brings
// the window to the front at once.
#include "IpcServer.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QSocketNotifier;
class QTimer;

namespace dawnbell {

class CommandServer : public QObject {
    Q_OBJECT
public:
    // What the window does with the messages.
    struct Handlers {
        std::function<int(int code, const QString& key)> copyData; // answer = result
        std::function<void()> reinit;     // message 1024
        std::function<void()> foreground; // bring the window to the front
    };

    explicit CommandServer(Handlers handlers, QObject* parent = nullptr);
    ~CommandServer() override;

    // Takes the socket (the channel's default path when empty). False when another
    // process serves it or it cannot be made; the window then runs without it.
    bool Listen(const QString& socketPath = QString());
    void Close();
    bool IsListening() const { return m_server.ListenFd() >= 0; }
    // True while the check that drops silent connections runs (only while a
    // connection waits for its frame).
    bool ExpiryCheckRunning() const;

    // How often connections waiting for their frame are checked, ms.
    static constexpr int kExpiryCheckMs = 500;

private:
    // Takes every pending connection and watches it for its frame.
    void OnAcceptable();
    // Reads what connection `fd` sent; a whole frame is handled and answered.
    void OnReadable(int fd);
    // Drops connections that waited too long for their frame.
    void OnExpiry();
    // Stops watching connection `fd` (a frame arrived, or it was dropped).
    void Unwatch(int fd);
    // Runs the expiry check while a connection waits for its frame, else stops it.
    void UpdateExpiryTimer();

    Handlers m_handlers;                          // the window's reactions
    ipc::IpcServer m_server;                      // sockets and frames
    QSocketNotifier* m_listenNotifier = nullptr;  // on the listening socket
    std::map<int, QSocketNotifier*> m_notifiers;  // on each open connection, by fd
    QTimer* m_expiry = nullptr;                   // drops silent connections; runs while one waits
};

} // namespace dawnbell
