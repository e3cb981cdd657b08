// dawnbell-today: the today screen. Shows the enabled today items (the Dawnbell
// item among them once Dawnbell is installed) until it is closed.
//
//   dawnbell-today          one today screen per user; a second start ends at once
//   dawnbell-today --help | --version   answered without a window
#include "DevicePaths.h"
#include "TodayHost.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Usage: dawnbell-today [--help | --version]\n"
    "The today screen: shows the today items registered under\n"
    "HKLM\\SOFTWARE\\Microsoft\\Today\\Items (Dawnbell's item lists the next alarms).\n"
    "One today screen runs per user; a second one ends at once.\n"
    "  --help     show this text and end\n"
    "  --version  show the version and end\n"
    "Exit status: 0 closed or told to end, 1 a today screen is already running.\n";

int g_signalPipe[2] = {-1, -1}; // written by the signal handler, read on the event loop

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before anything opens a window or takes the today screen's lock;
    // every other argument is left to Qt as before.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("dawnbell-today %s\n", DAWNBELL_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dawnbell-today"));

    // One today screen per user: it owns the ready event.
    const std::string lockPath = dawnbell::RuntimeDir() + "/today.lock";
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "dawnbell-today: a today screen is already running.\n");
        return 1;
    }

    // SIGTERM, SIGINT and SIGHUP end the loop, so the items are unloaded and the
    // ready event is cleared.
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::quit(); });
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, OnSignal);
    }

    dawnbell::today::TodayHost host;
    const QScreen* screen = QApplication::primaryScreen();
    const QSize device = screen ? screen->size() * screen->devicePixelRatio() : QSize();
    if (screen && std::max(device.width(), device.height()) <= 800) {
        host.showFullScreen(); // a handheld display: the today screen is the whole screen
    } else {
        host.resize(320, 400);
        host.show();
    }
    return app.exec();
}
