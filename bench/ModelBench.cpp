// Figures of the alarm store on a temporary device directory: saving one alarm
// (one transaction plus the flush) and loading all of 1000 stored alarms in a
// fresh registry connection, as the program does when its main window opens.
#include "Alarm.h"
#include "AlarmStore.h"
#include "BenchSupport.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

using namespace dawnbell;

namespace {

// CPU time of this process in milliseconds (stable on a busy machine, where the
// wall-clock figures also include waiting for a core).
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

Alarm MakeAlarm(int i)
{
    Alarm a;
    a.alarmTime = (a.alarmTime / 86400) * 86400 + (i * 61) % 86400;
    a.repeatDays = i % 128;
    a.title = QStringLiteral("Alarm number %1").arg(i);
    a.message = QStringLiteral("Time to get up, it is a beautiful day");
    a.SetPlaylist({QStringLiteral("/home/user/Music/wake-up-%1.mp3").arg(i), QStringLiteral("/home/user/Music/b.ogg")});
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("DAWNBELL_HOME", home.path().toUtf8());
    RegCloseStore();

    const int saves = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int loads = argc > 2 ? std::max(1, atoi(argv[2])) : 20;

    std::vector<double> saveMs, saveCpuMs;
    Alarm one = MakeAlarm(1);
    for (int i = 0; i < saves; ++i) {
        one.volume = i % 100;
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        one.Save();
        saveCpuMs.push_back(CpuMs() - cpu);
        saveMs.push_back(t.nsecsElapsed() / 1e6);
    }

    for (int i = 0; i < 1000; ++i)
        MakeAlarm(1000 + i * 7).Save();

    std::vector<double> loadMs, loadCpuMs;
    size_t loaded = 0;
    for (int i = 0; i < loads; ++i) {
        RegCloseStore();
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        AlarmStore::LoadAll(&alarms, &templates);
        loadCpuMs.push_back(CpuMs() - cpu);
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        loaded = alarms.size();
    }
    // The same again with the store's cache already filled: the cost of building
    // the records alone, without reading SQLite.
    std::vector<double> warmMs;
    for (int i = 0; i < loads; ++i) {
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        QElapsedTimer t;
        t.start();
        AlarmStore::LoadAll(&alarms, &templates);
        warmMs.push_back(t.nsecsElapsed() / 1e6);
    }
    RegCloseStore();

    std::printf("save+flush one alarm: median %.3f ms over %d (goal <= 5 ms)\n", bench::Median(saveMs), saves);
    std::printf("save+flush, CPU time: median %.3f ms (the rest is waiting for the disk)\n", bench::Median(saveCpuMs));
    std::printf("load all of %zu alarms: median %.3f ms over %d (goal <= 30 ms)\n", loaded, bench::Median(loadMs), loads);
    std::printf("load all, CPU time: median %.3f ms\n", bench::Median(loadCpuMs));
    std::printf("load all again, store cache warm: median %.3f ms\n", bench::Median(warmMs));
    return 0;
}
