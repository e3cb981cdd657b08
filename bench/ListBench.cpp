// Lists at any size: the real programs on a temporary device directory holding
// 1,000 and 10,000 alarms. For each size it prints the wall time and the peak
// memory (resident set) of
//   - dawnbell-alarm list, next and add (a new alarm at a free time),
//   - dawnbell reinit (the whole schedule rebuilt),
//   - opening the main window (offscreen): from the start of the program until
//     its alarm list has been painted once,
//   - the today item's first paint: its first refresh query (reading and
//     ordering every alarm) and painting, in a process of its own.
//   bench_alarm_lists [count ...]      (default 1000 10000)
//   bench_alarm_lists --store DIR COUNT (only stores COUNT alarms in the device
//                                        directory DIR, to look at by hand)
// Goals at 10,000 alarms: list, next, add and the main window each under 1 s,
// the today item under 200 ms, memory growing no faster than the alarm count.
#include "Alarm.h"
#include "BenchSupport.h"
#include "CTodayItem.h"
#include "NamedEvent.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "TodayApi.h"
#include "TodayLibrary.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace dawnbell;

namespace {

// CPU time of this process in milliseconds.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

double WallMs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// One measured process: wall time from start to end (or to the trace mark
// `mark`, when given), peak resident memory, exit code, its standard output.
struct Figure {
    double ms = -1;
    double cpuMs = -1; // user and system time of the process
    double peakMb = -1;
    int code = -1;
    std::string out;
};

// The time of trace mark `name` in `file` (ms since the epoch), -1 when absent.
double TraceMark(const QString& file, const QByteArray& name)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2 && parts[0] == name)
            return parts[1].toDouble();
    }
    return -1;
}

// Runs `args` (args[0] an absolute path) with the current environment, output
// into a file. With a `mark`, the program is ended (SIGTERM) once the trace file
// holds it, and the time is measured to the mark.
Figure Run(const std::vector<std::string>& args, const QString& outFile, const QString& traceFile = QString(),
           const QByteArray& mark = QByteArray())
{
    Figure f;
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(outFile);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const double start = WallMs();
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(rc));
        return f;
    }
    double end = -1;
    if (!mark.isEmpty()) {
        // Until the mark appears (or the program ends), for at most a minute.
        while (WallMs() - start < 60000) {
            if ((end = TraceMark(traceFile, mark)) >= 0)
                break;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                std::fprintf(stderr, "%s ended before %s\n", argv[0], mark.constData());
                return f;
            }
            usleep(2000);
        }
        kill(pid, SIGTERM);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (mark.isEmpty())
        end = WallMs();
    f.ms = end >= 0 ? end - start : -1;
    f.peakMb = usage.ru_maxrss / 1024.0;
    f.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    f.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile o(outFile);
    if (o.open(QIODevice::ReadOnly))
        f.out = o.readAll().toStdString();
    return f;
}

// Stores `count` alarms in the current device directory in one transaction: most
// repeat on some days, every tenth is an appointment ahead, every seventh is
// switched off. Every time of day is a multiple of 8 seconds, so a time such as
// 00:00:01 is free.
void StoreAlarms(int count, const QString& sound)
{
    Profile::SetRegistryKey(QStringLiteral("Torvane"));
    RegWriteBatch batch;
    // A device in use: the first launch and the language choice are behind it.
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("firstLaunch"), 0);
    Profile::WriteText(QStringLiteral("settings"), QStringLiteral("languageFile"), QStringLiteral(""));
    for (int i = 0; i < count; ++i) {
        Alarm a;
        a.type = i % 10 == 0 ? AlarmAppointment : (i % 2 ? AlarmWizard : AlarmCompact);
        a.SetTimeOfDay((i * 8) % 86400);
        a.repeatDays = a.type == AlarmAppointment ? 0 : (i * 37) % 128;
        if (a.type == AlarmAppointment) {
            a.dateYear = 2099;
            a.dateMonth = 1 + i % 12;
            a.dateDay = 1 + i % 28;
        }
        a.activated = i % 7 == 0 ? 0 : 1;
        a.title = QStringLiteral("Alarm number %1").arg(i);
        a.message = QStringLiteral("Time to get up, it is a beautiful day");
        a.SetPlaylist({sound});
        a.Save();
    }
    batch.Commit();
    RegCloseStore();
}

// The child's part for the today item: the host's first refresh query and first
// paint. Prints the milliseconds.
int TodayItemChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    NamedEvent ready;
    NamedEvent::Create(today::kShellReadyEvent, true, true, &ready);
    QWidget parent;
    parent.resize(480, 400);
    today::TodayListItem record;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuMs();
    today::LoadTodayLibrary();
    today::CTodayItem item(&record, &parent);
    item.OnQueryRefresh(&record);
    item.resize(480, int(record.height));
    const QPixmap painted = item.grab();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%.1f %.1f %zu\n", ms, CpuMs() - cpuStart, item.alarms().size());
    return painted.isNull() ? 1 : 0;
}

void Print(const char* what, const Figure& f, double goalMs)
{
    if (f.ms < 0) {
        std::printf("  %-34s failed (exit code %d)\n", what, f.code);
        return;
    }
    std::printf("  %-34s %8.1f ms  (CPU %7.1f ms)  peak %6.1f MB%s\n", what, f.ms, f.cpuMs, f.peakMb,
                goalMs > 0 ? (f.ms <= goalMs ? "" : "  (over the goal)") : "");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--today-item") == 0)
        return TodayItemChild(argc, argv);

    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--store") == 0) {
        qputenv("DAWNBELL_HOME", argv[2]);
        const QString sound = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("tone.wav"));
        QDir().mkpath(QString::fromLocal8Bit(argv[2]));
        bench::WriteToneWave(sound, 200, 2000);
        StoreAlarms(std::max(1, std::atoi(argv[3])), sound);
        return 0;
    }
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::max(1, std::atoi(argv[i])));
    if (counts.empty())
        counts = {1000, 10000};
    const std::string dir = QCoreApplication::applicationDirPath().toStdString();
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string tool = dir + "/dawnbell-alarm", program = dir + "/dawnbell";
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A moment far ahead, so the service the programs start never rings the
    // stored alarms while the figures are taken (it fires on the real clock).
    qputenv("DAWNBELL_NOW", "2098-06-15T09:00:00");

    std::printf("alarm lists: wall time, CPU time and peak memory of each process\n"
                "(goals at 10000 alarms: 1000 ms, the today item 200 ms; on a busy machine the wall\n"
                "time also holds the wait for a core, the CPU time does not)\n");
    for (const int count : counts) {
        QTemporaryDir temp;
        const QString home = temp.filePath(QStringLiteral("home"));
        QDir().mkpath(home);
        qputenv("DAWNBELL_HOME", home.toUtf8());
        qputenv("XDG_RUNTIME_DIR", temp.path().toUtf8());
        const QString sound = temp.filePath(QStringLiteral("tone.wav"));
        bench::WriteToneWave(sound, 200, 2000);
        const double stored = WallMs();
        StoreAlarms(count, sound);
        std::printf("%d alarms (stored in %.0f ms):\n", count, WallMs() - stored);
        const QString out = temp.filePath(QStringLiteral("out.txt"));
        const double goal = count >= 10000 ? 1000 : -1;

        Print("dawnbell reinit (whole schedule)", Run({program, "reinit"}, out), -1);
        const Figure list = Run({tool, "list"}, out);
        Print("dawnbell-alarm list", list, goal);
        Print("dawnbell-alarm next", Run({tool, "next"}, out), goal);
        Print("dawnbell-alarm add", Run({tool, "add", "--time", "00:00:01", "--title", "Bench", "--sound",
                                         sound.toStdString()},
                                        out),
              goal);
        const QString trace = temp.filePath(QStringLiteral("trace.txt"));
        qputenv("DAWNBELL_TRACE", trace.toUtf8());
        Print("main window open, list painted", Run({program}, out, trace, "alarm-list-painted"), goal);
        qunsetenv("DAWNBELL_TRACE");
        Figure today = Run({self, "--today-item"}, out);
        size_t shown = 0;
        if (today.code == 0 && std::sscanf(today.out.c_str(), "%lf %lf %zu", &today.ms, &today.cpuMs, &shown) == 3 &&
            shown > size_t(count)) // with the one `add` stored
            Print("today item first paint", today, count >= 10000 ? 200 : -1);
        else
            Print("today item first paint", Figure{}, -1);
        if (list.code != 0 || std::count(list.out.begin(), list.out.end(), '\n') != count + 1)
            std::printf("  (dawnbell-alarm list printed %zd lines for %d alarms)\n",
                        std::count(list.out.begin(), list.out.end(), '\n'), count);
        // The service the programs started, before its folder goes.
        if (const pid_t service = notify::NotifyDaemonPid(); service > 0) {
            kill(service, SIGTERM);
            for (int i = 0; i < 500 && notify::NotifyDaemonPid() != 0; ++i)
                usleep(10000);
        }
        qunsetenv("DAWNBELL_HOME");
    }
    return 0;
}
