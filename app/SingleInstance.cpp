#include "SingleInstance.h"

#include "DevicePaths.h"
#include "HandledReport.h"
#include "IpcFrame.h"

#include <chrono>
#include <thread>

namespace dawnbell {

namespace {

ipc::SendResult PostTo(const std::string& socketPath, const std::string& executable, uint32_t message,
                       uint32_t wparam, int32_t lparam)
{
    ipc::IpcClient client;
    if (const ipc::SendResult r = client.Connect(socketPath, executable); r != ipc::SendOk)
        return r;
    return client.Post(message, wparam, lparam, SingleInstance::kPostAckTimeoutMs);
}

} // namespace

ipc::SendResult SingleInstance::Forward(const CommandLine::Parsed& command, const std::string& socketPath,
                                        const std::string& executable, int answerTimeoutMs)
{
    uint32_t code = 1;
    QString key = command.text;
    switch (command.verb) {
    case CommandLine::Start:
        return PostTo(socketPath, executable, ipc::MsgForeground, 0, 0);
    case CommandLine::Reinit:
        return PostTo(socketPath, executable, ipc::MsgReinit, 0, -1);
    case CommandLine::Edit:
        code = 2;
        key = command.key;
        break;
    case CommandLine::Test:
        code = 5;
        key = command.key;
        break;
    case CommandLine::AutoClose:
    case CommandLine::Reset:
    case CommandLine::Ring:
        break;
    }
    if (const ipc::SendResult r = PostTo(socketPath, executable, ipc::MsgForeground, 0, 0); r != ipc::SendOk)
        return r;
    ipc::IpcClient client;
    if (const ipc::SendResult r = client.Connect(socketPath, executable); r != ipc::SendOk)
        return r;
    return client.SendCopyData(code, key.toStdU16String(), answerTimeoutMs, nullptr, process::ReportHandled,
                               kHeldAfterMs);
}

SingleInstance::Outcome SingleInstance::Enter(const CommandLine::Parsed& command, ipc::InstanceLock* lock,
                                              int attempts, int intervalMs)
{
    const std::string executable = ProgramPath();
    if (lock->Acquire(executable) != ipc::InstanceLock::HeldByOther)
        return First; // held, or no lock to be had: nothing else can be running either way we can tell
    const std::string socket = ipc::SocketPath();
    for (int i = 0; i < attempts; ++i) {
        switch (Forward(command, socket, executable)) {
        case ipc::SendOk:
        case ipc::SendNoAnswer: // the window holds the key and is still ringing it
            process::ReportHandled();
            return Forwarded;
        case ipc::SendInvalid:
            return Unsendable;
        case ipc::SendNoWindow: // not listening (yet, or any more)
        case ipc::SendLost:     // refused (too busy), or the window ended meanwhile
        case ipc::SendFailed:
            break;
        }
        // The running instance may have ended meanwhile (an automatic exit after a
        // ringing): then this process is the first one and handles the line.
        if (lock->Acquire(executable) == ipc::InstanceLock::Acquired)
            return First;
        if (i + 1 < attempts)
            std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
    return Further;
}

} // namespace dawnbell
