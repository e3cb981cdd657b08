#include "ExitSignals.h"

#include "ExitSignalPipe.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace dawnbell {

namespace {
int g_received = 0;                  // first exit signal, 0 = none
ExitSignals* g_instance = nullptr;   // made by Instance(); lives until the process ends
} // namespace

ExitSignals* ExitSignals::Instance()
{
    if (!g_instance)
        g_instance = new ExitSignals;
    return g_instance;
}

ExitSignals* ExitSignals::Installed() { return g_instance; }

int ExitSignals::Received() { return g_received; }

ExitSignals::ExitSignals()
{
    const int fd = process::InstallExitSignalPipe();
    if (fd < 0) {
        qWarning("exit signals: no signal pipe; SIGTERM, SIGINT and SIGHUP end the program at once");
        return;
    }
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ExitSignals::ReadPipe);
}

void ExitSignals::ReadPipe()
{
    while (const int signo = process::ReadExitSignal())
        Deliver(signo);
}

void ExitSignals::Deliver(int signo)
{
    if (g_received == 0)
        g_received = signo;
    emit received(signo);
}

} // namespace dawnbell
