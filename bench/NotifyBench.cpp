// Figures of the notification service and the schedule rebuild, each on a fresh
// temporary device directory with the real service:
//  - firing accuracy: 50 records 100 ms apart; lateness of the started program
//    against its due time (goal: p99 <= 20 ms);
//  - resident memory of the service holding 1000 pending records (goal <= 2 MB);
//  - wake-ups of the idle service in 10 s (voluntary context switches, goal 0);
//  - rebuilding the schedule from 1000 stored active alarms (goal <= 20 ms).
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

using namespace dawnbell;

namespace {

int64_t RealNowNs()
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000ll + ts.tv_nsec;
}

clock::LocalTime LocalAtMs(int64_t ms)
{
    clock::LocalTime t = clock::ToLocal(ms / 1000);
    t.milliseconds = int(ms % 1000);
    return t;
}

// A fresh device directory for one measurement; ends its service afterwards.
class Home {
public:
    Home()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        qputenv("DAWNBELL_HOME", dir_.path().toUtf8());
    }
    ~Home()
    {
        const pid_t pid = notify::NotifyDaemonPid();
        if (pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        RegCloseStore();
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// The "Name: value kB" lines of a /proc file of a process.
QMap<QString, long> ProcStatus(pid_t pid, const char* file = "status")
{
    QMap<QString, long> out;
    QFile f(QString("/proc/%1/%2").arg(pid).arg(file));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            out[QString::fromLatin1(line.left(colon))] = line.mid(colon + 1).trimmed().split(' ').first().toLong();
    }
    return out;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p / 100.0 * double(v.size() - 1) + 0.5));
    return v[i];
}

void FiringAccuracy()
{
    Home home;
    const QString file = home.path() + "/stamps.txt";
    qputenv("NOTIFY_BENCH_FILE", file.toUtf8());
    notify::NotifyEnsureDaemon();
    const int64_t firstMs = RealNowNs() / 1000000 + 1500;
    std::map<int, int64_t> due;
    for (int i = 0; i < 50; ++i) {
        notify::NotifyTrigger t;
        t.application = NOTIFY_BENCH_STAMP;
        t.arguments = std::to_string(i);
        t.start = LocalAtMs(firstMs + i * 100);
        t.end = t.start;
        notify::NotifySetTime(t);
        due[i] = (firstMs + i * 100) * 1000000ll;
    }
    QThread::msleep(1500 + 50 * 100 + 1000);
    QFile f(file);
    std::vector<double> lateMs;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2)
                lateMs.push_back(double(parts[1].toLongLong() - due[parts[0].toInt()]) / 1e6);
        }
    }
    std::printf("firing accuracy: %zu of 50 records started; lateness p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(goal p99 <= 20 ms)\n",
                lateMs.size(), Percentile(lateMs, 50), Percentile(lateMs, 99), Percentile(lateMs, 100));
}

void MemoryAndIdleWakeups()
{
    Home home;
    {
        notify::NotifyBatch batch;
        const int64_t base = RealNowNs() / 1000000 + 86400000ll;
        for (int i = 0; i < 1000; ++i) {
            notify::NotifyTrigger t;
            t.application = "/usr/bin/true";
            t.arguments = std::to_string(i);
            t.start = LocalAtMs(base + int64_t(i) * 60000);
            t.end = t.start;
            notify::NotifySetTime(t);
        }
    }
    notify::NotifyEnsureDaemon();
    const pid_t pid = notify::NotifyDaemonPid();
    QThread::msleep(500);
    const QMap<QString, long> before = ProcStatus(pid);
    const QMap<QString, long> rollup = ProcStatus(pid, "smaps_rollup");
    std::printf("service memory with 1000 pending records: VmRSS %ld kB (RssAnon %ld kB, RssFile %ld kB of "
                "shared libraries), Pss %ld kB, private %ld kB (goal <= 2048 kB)\n",
                before.value("VmRSS"), before.value("RssAnon"), before.value("RssFile"), rollup.value("Pss"),
                rollup.value("Private_Clean") + rollup.value("Private_Dirty"));
    QThread::msleep(10000);
    const QMap<QString, long> after = ProcStatus(pid);
    std::printf("idle service wake-ups in 10 s: %ld voluntary, %ld involuntary context switches (goal 0)\n",
                after.value("voluntary_ctxt_switches") - before.value("voluntary_ctxt_switches"),
                after.value("nonvoluntary_ctxt_switches") - before.value("nonvoluntary_ctxt_switches"));
}

void RebuildThousand()
{
    Home home;
    Profile::SetRegistryKey("Torvane");
    Scheduler::SetProgramPathForTesting("/opt/dawnbell/dawnbell");
    {
        RegWriteBatch batch;
        for (int i = 0; i < 1000; ++i) {
            const int seconds = (i * 83) % 86400;
            RegKey key;
            const std::string path = (Profile::RootPath() + "\\" + QString::number(seconds * 128 + (i % 128)))
                                         .toStdString();
            RegKey::Create(Hive::CurrentUser, path, &key);
            key.WriteDword("activated", 1);
        }
    }
    RegFlush(Hive::CurrentUser);
    std::vector<double> ms;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        Scheduler::ReRegisterAll();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    uint32_t count = 0;
    notify::NotifyGetHandles(nullptr, 0, &count);
    std::printf("rebuild with 1000 stored active alarms: first %.1f ms, median %.1f ms, %u records "
                "(goal <= 20 ms)\n",
                ms.front(), Percentile(ms, 50), count);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FiringAccuracy();
    MemoryAndIdleWakeups();
    RebuildThousand();
    return 0;
}
