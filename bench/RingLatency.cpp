// Ring latency: from the start of a process that rings a stored alarm to its
// ringing window on screen, and to its player reporting "playing", for an alarm
// whose playlist is one local WAV file. Runs the ring-once tool several times on
// a temporary device directory and prints each run and the median in ms.
//   bench_ring_latency [runs]      (default 7; goals: window <= 150, playing <= 250)
#include "Alarm.h"
#include "BenchSupport.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double WallMs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir temp;
    qputenv("DAWNBELL_HOME", temp.filePath("home").toUtf8());
    qputenv("DAWNBELL_SYSFS", temp.filePath("sys").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("DAWNBELL_SCREEN"))
        qputenv("DAWNBELL_SCREEN", "480x800@192");

    const QString wave = temp.filePath("alarm.wav");
    if (!dawnbell::bench::WriteToneWave(wave, 3000, 2000)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(wave));
        return 1;
    }
    dawnbell::Alarm alarm;
    alarm.title = QStringLiteral("Benchmark");
    alarm.SetPlaylist({wave});
    alarm.random = 0;
    alarm.vibrate = 0;
    alarm.Save();
    const QString key = alarm.GetKey();
    dawnbell::RegCloseStore();

    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_ring_once");
    std::vector<double> shown, playing;
    std::printf("ring latency, %d runs (ms from process start)\n", runs);
    for (int i = 0; i < runs; ++i) {
        const QString trace = temp.filePath(QStringLiteral("trace%1.txt").arg(i));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DAWNBELL_TRACE"), trace);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const double start = WallMs();
        child.start(tool, {key});
        if (!child.waitForFinished(30000)) {
            std::fprintf(stderr, "run %d did not finish\n", i);
            child.kill();
            child.waitForFinished();
            continue;
        }
        QFile f(trace);
        double tShown = -1, tPlaying = -1;
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : f.readAll().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() != 2)
                    continue;
                if (parts[0] == "window-shown")
                    tShown = parts[1].toDouble() - start;
                else if (parts[0] == "playing")
                    tPlaying = parts[1].toDouble() - start;
            }
        }
        std::printf("  run %d: window %.1f, playing %.1f\n", i + 1, tShown, tPlaying);
        if (tShown >= 0)
            shown.push_back(tShown);
        if (tPlaying >= 0)
            playing.push_back(tPlaying);
    }
    std::printf("median: window shown %.1f ms (goal <= 150), playing %.1f ms (goal <= 250)\n", dawnbell::bench::Median(shown),
                dawnbell::bench::Median(playing));
    return 0;
}
