// Ring latency along the real path: a stored alarm's notification falls due, the
// notification service starts `dawnbell KEY`, the program (a first instance)
// shows the ringing window and its player reports "playing". Each run stores a
// one-time alarm two seconds ahead on a temporary device directory, lets the
// service fire it (headless, offscreen) and reads the program's timing marks.
// Prints each step in ms for every run and the medians.
//   bench_notification_to_ring [runs]   (default 3; goals: window <= 150 ms after
//                                        the process start, playing <= 250 ms after due)
#include "Alarm.h"
#include "BenchSupport.h"
#include "Clock.h"
#include "InstanceLock.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");

QMap<QString, double> Marks(const QString& file)
{
    QMap<QString, double> marks;
    QFile f(file);
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2)
                marks.insert(QString::fromUtf8(parts[0]), parts[1].toDouble());
        }
    }
    return marks;
}

bool ProgramRunning()
{
    ipc::InstanceLock probe;
    return probe.Acquire(kProgram.toStdString()) == ipc::InstanceLock::HeldByOther;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir home;
    qputenv("DAWNBELL_HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DAWNBELL_AUTO_ANSWER", "no");
    Profile::SetRegistryKey(QStringLiteral("Torvane"));
    Scheduler::SetProgramPathForTesting(kProgram);
    const QString wave = home.path() + "/tone.wav";
    if (!bench::WriteToneWave(wave, 500, 1500)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(wave));
        return 1;
    }
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("firstLaunch"), 0);

    std::printf("run  service->start  start->window  start->playing  due->window  due->playing   (ms)\n");
    std::vector<double> toStart, toWindow, toPlaying, dueWindow, duePlaying;
    for (int run = 0; run < runs; ++run) {
        const QString trace = home.path() + QStringLiteral("/trace%1.txt").arg(run);
        qputenv("DAWNBELL_TRACE", trace.toUtf8());
        // The service inherits the environment of the process that starts it.
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        QThread::msleep(200);

        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = 0;
        alarm.alarmTime = clock::Now() + 2;
        alarm.SetPlaylist({wave});
        alarm.closeAfterTimes = 1;
        alarm.confirmClose = 0;
        alarm.useFade = 0;
        alarm.vibrate = 0;
        alarm.quiz = 0;
        alarm.activated = 1;
        alarm.Save();
        const double dueMs = double(alarm.alarmTime) * 1000.0;
        Scheduler::ReRegisterAll();

        QElapsedTimer wait;
        wait.start();
        QMap<QString, double> m;
        while (wait.elapsed() < 20000) {
            m = Marks(trace);
            if (m.contains("playing") && !ProgramRunning())
                break;
            QThread::msleep(20);
        }
        if (!m.contains("process-start") || !m.contains("window-shown")) {
            std::printf("%3d  the program did not ring (marks: %s)\n", run + 1,
                        qPrintable(QStringList(m.keys()).join(',')));
            continue;
        }
        const double start = m["process-start"], window = m["window-shown"];
        const double playing = m.value("playing", -1);
        toStart.push_back(start - dueMs);
        toWindow.push_back(window - start);
        dueWindow.push_back(window - dueMs);
        if (playing > 0) {
            toPlaying.push_back(playing - start);
            duePlaying.push_back(playing - dueMs);
        }
        std::printf("%3d  %14.1f  %13.1f  %14.1f  %11.1f  %12.1f\n", run + 1, start - dueMs, window - start,
                    playing > 0 ? playing - start : -1, window - dueMs, playing > 0 ? playing - dueMs : -1);
        std::fflush(stdout);
    }
    std::printf("med  %14.1f  %13.1f  %14.1f  %11.1f  %12.1f\n", bench::Median(toStart), bench::Median(toWindow),
                bench::Median(toPlaying), bench::Median(dueWindow), bench::Median(duePlaying));
    if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
        ::kill(pid, SIGTERM);
    return 0;
}
