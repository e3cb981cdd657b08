// Idle cost of Dawnbell's windows: what an open window that nobody touches costs
// the device per minute. Each window runs on an X server of its own (Xvfb,
// 1280x800) with one fixed store in a temporary device directory, written by the
// real dawnbell-alarm and dawnbell-reg. After a settle time the benchmark counts,
// over the measuring time,
//   - wake-ups: context switches (voluntary and involuntary) summed over every
//     thread of the process (/proc/PID/task/*/status),
//   - CPU time: run time of every thread (/proc/PID/task/*/schedstat, ns),
// of the window's process and of its X server, and prints them per minute with
// the ratio of the process's wake-ups to those of a bare Qt window that repaints
// a label once a second (bench_idle_floor, the floor). Windows measured:
//   - the bare window (the floor),
//   - the main window (`dawnbell`), visible, then minimized (unmapped and marked
//     iconic, as a window manager minimizes a window),
//   - the today screen host (`dawnbell-today`) with the Dawnbell item,
//   - a ringing window (`dawnbell KEY`) snoozed by `dawnbell-alarm snooze`.
//
//   bench_idle_wakeups [--settle SECONDS] [--measure SECONDS]   (default 20 and 60)
//
// Goals per idle minute: main window visible at most 70 wake-ups and 10 ms CPU,
// ratio to the floor at most 1.2, its X server at most 70 wake-ups; minimized 0;
// today host at most 35 wake-ups and 5 ms CPU; snoozed ringing window at most 70
// wake-ups. Threads that end within the measuring time take their counts with
// them; the thread counts at both ends are printed when they differ. On a loaded
// machine involuntary switches grow with the load: the voluntary ones are shown
// apart. Exit status 0 when every window was measured, 1 when one could not be.
#include "BenchSupport.h"
#include "Notify.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
#include <optional>
#include <signal.h>
#include <string>
#include <vector>

#ifdef DAWNBELL_BENCH_XCB
#include <xcb/xcb.h>
#endif

using namespace dawnbell;

namespace {

// Counters of one process, summed over its threads at one moment.
struct ProcCounters {
    bool ok = false;        // the process was there
    uint64_t voluntary = 0; // voluntary context switches
    uint64_t involuntary = 0;
    uint64_t cpuNs = 0; // time on a CPU
    int threads = 0;
    std::map<long, std::pair<QString, uint64_t>> byThread; // thread id -> name, all its switches
};

// The number after `name` on its line in a /proc status text; 0 when absent.
uint64_t StatusField(const QByteArray& status, const QByteArray& name)
{
    const int at = status.indexOf("\n" + name + ":");
    if (at < 0)
        return 0;
    const int start = at + 1 + name.size() + 1;
    const int end = status.indexOf('\n', start);
    return status.mid(start, end < 0 ? -1 : end - start).trimmed().toULongLong();
}

// Reads the counters of every thread of `pid` from /proc.
ProcCounters ReadCounters(qint64 pid)
{
    ProcCounters c;
    const QByteArray tasks = "/proc/" + QByteArray::number(pid) + "/task";
    DIR* dir = ::opendir(tasks.constData());
    if (!dir)
        return c;
    c.ok = true;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        const QByteArray task = tasks + "/" + e->d_name;
        QFile status(QString::fromLatin1(task + "/status"));
        QFile sched(QString::fromLatin1(task + "/schedstat"));
        if (!status.open(QIODevice::ReadOnly))
            continue; // the thread ended meanwhile
        const QByteArray text = "\n" + status.readAll();
        c.voluntary += StatusField(text, "voluntary_ctxt_switches");
        c.involuntary += StatusField(text, "nonvoluntary_ctxt_switches");
        if (sched.open(QIODevice::ReadOnly))
            c.cpuNs += sched.readAll().split(' ').value(0).toULongLong();
        ++c.threads;
        QFile comm(QString::fromLatin1(task + "/comm"));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
        c.byThread[std::strtol(e->d_name, nullptr, 10)] = {
            name, StatusField(text, "voluntary_ctxt_switches") + StatusField(text, "nonvoluntary_ctxt_switches")};
    }
    ::closedir(dir);
    return c;
}

// The figures of one process over one measuring time, per minute.
struct Rate {
    double wake = -1;      // all context switches
    double voluntary = -1; // of them voluntary
    double cpuMs = -1;
    int threadsBefore = 0, threadsAfter = 0;
    QString byThread; // the threads that woke, most first: "name count, ..."
};

Rate PerMinute(const ProcCounters& a, const ProcCounters& b, double seconds)
{
    Rate r;
    if (!a.ok || !b.ok || seconds <= 0)
        return r;
    const double f = 60.0 / seconds;
    r.voluntary = double(b.voluntary - a.voluntary) * f;
    r.wake = r.voluntary + double(b.involuntary - a.involuntary) * f;
    r.cpuMs = double(b.cpuNs - a.cpuNs) / 1e6 * f;
    r.threadsBefore = a.threads;
    r.threadsAfter = b.threads;
    std::vector<std::pair<double, QString>> woke;
    for (const auto& [tid, end] : b.byThread) {
        const auto start = a.byThread.find(tid);
        const double n = double(end.second - (start == a.byThread.end() ? 0 : start->second.second)) * f;
        if (n > 0)
            woke.emplace_back(n, end.first);
    }
    std::sort(woke.begin(), woke.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    QStringList parts;
    for (const auto& [n, name] : woke)
        parts << QStringLiteral("%1 %2").arg(name, QString::number(n, 'f', 0));
    r.byThread = parts.join(QStringLiteral(", "));
    return r;
}

// One row of the table: a window, its figures and its goal.
struct Row {
    QString name;
    QString failure; // why it could not be measured; empty when it was
    bool floor = false; // the bare window the others are compared with
    Rate self, x;
    double maxWake = -1, maxCpuMs = -1, maxRatio = -1, maxXWake = -1; // -1: no goal
};

// A row for the window called `name`, with no goal yet.
Row Named(const QString& name)
{
    Row row;
    row.name = name;
    return row;
}

// An X server of its own: Xvfb on a free display it picks itself.
class XServer {
public:
    ~XServer() { Stop(); }
    // Starts the server; empty on success, else why not.
    QString Start(const QString& folder)
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return QStringLiteral("Xvfb is not installed (Debian package xvfb; scripts/setup-deps installs it)");
        process_.setStandardErrorFile(folder + QStringLiteral("/xvfb.log"), QIODevice::Append);
        process_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x800x24")});
        if (!process_.waitForStarted(10000))
            return QStringLiteral("Xvfb did not start: ") + process_.errorString();
        for (int i = 0; i < 100 && !process_.canReadLine(); ++i)
            process_.waitForReadyRead(200);
        const QByteArray number = process_.readLine().trimmed();
        bool ok = false;
        number.toInt(&ok);
        if (!ok)
            return QStringLiteral("Xvfb named no display (see xvfb.log)");
        display_ = QStringLiteral(":") + QString::fromLatin1(number);
        return {};
    }
    void Stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    QString display() const { return display_; }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QString display_;
};

// The top-level windows of one process on an X server, seen as a window manager
// sees them. Without libxcb at build time nothing is seen.
class XWindows {
public:
    explicit XWindows(const QString& display)
    {
#ifdef DAWNBELL_BENCH_XCB
        conn_ = xcb_connect(display.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(conn_)) {
            xcb_disconnect(conn_);
            conn_ = nullptr;
        }
#else
        Q_UNUSED(display);
#endif
    }
    ~XWindows()
    {
#ifdef DAWNBELL_BENCH_XCB
        if (conn_)
            xcb_disconnect(conn_);
#endif
    }
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    // True when windows can be seen at all.
    bool usable() const
    {
#ifdef DAWNBELL_BENCH_XCB
        return conn_ != nullptr;
#else
        return false;
#endif
    }

    // The mapped top-level windows whose _NET_WM_PID is `pid`.
    std::vector<uint32_t> Shown(qint64 pid)
    {
        std::vector<uint32_t> found;
#ifdef DAWNBELL_BENCH_XCB
        if (!conn_)
            return found;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root), nullptr);
        if (!tree)
            return found;
        const xcb_atom_t pidAtom = Atom("_NET_WM_PID");
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t w = children[i];
            xcb_get_window_attributes_reply_t* attr =
                xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, w), nullptr);
            const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
            free(attr);
            if (!viewable)
                continue;
            xcb_get_property_reply_t* prop = xcb_get_property_reply(
                conn_, xcb_get_property(conn_, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
            if (prop && xcb_get_property_value_length(prop) == 4
                && *static_cast<const uint32_t*>(xcb_get_property_value(prop)) == uint32_t(pid))
                found.push_back(w);
            free(prop);
        }
        free(tree);
#else
        Q_UNUSED(pid);
#endif
        return found;
    }

    // Minimizes window `w` as a window manager does: WM_STATE becomes
    // IconicState and the window is unmapped.
    void Iconify(uint32_t w)
    {
#ifdef DAWNBELL_BENCH_XCB
        const xcb_atom_t state = Atom("WM_STATE");
        const uint32_t iconic[2] = {3, 0}; // IconicState, no icon window
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, state, state, 32, 2, iconic);
        xcb_unmap_window(conn_, w);
        xcb_flush(conn_);
#else
        Q_UNUSED(w);
#endif
    }

private:
#ifdef DAWNBELL_BENCH_XCB
    xcb_atom_t Atom(const char* name)
    {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return atom;
    }
    xcb_connection_t* conn_ = nullptr;
#endif
};

// Options and the shared state of one run.
struct Bench {
    double settle = 20;
    double measure = 60;
    QString programDir;
    QString temp;
    QProcessEnvironment env;
};

// Runs a tool of the program folder to its end (30 s at most); its standard
// output, or nothing with `why` set when it failed.
std::optional<QString> RunTool(const Bench& b, const QString& tool, const QStringList& args, QString* why)
{
    QProcess p;
    p.setProcessEnvironment(b.env);
    p.start(b.programDir + "/" + tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(2000);
        }
        *why = tool + " " + args.join(' ') + " failed (exit " + QString::number(p.exitCode())
               + "): " + QString::fromUtf8(p.readAllStandardError()).trimmed();
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The fixed store: three alarms to show (a daily one, a weekday one, an
// appointment), all a few hours away so that none rings while the figures are
// taken, the alarm the ringing window rings (30-minute snooze, no quiz), all
// with a silent sound; and the Dawnbell item on the today screen. Returns the
// ringing alarm's key, or nothing with `why` set.
std::optional<QString> WriteStore(const Bench& b, QString* why)
{
    const QString silence = b.temp + QStringLiteral("/silence.wav");
    if (!bench::WriteToneWave(silence, 2000, 0)) {
        *why = QStringLiteral("cannot write ") + silence;
        return std::nullopt;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const auto at = [&now](int hours) { return now.addSecs(hours * 3600).toString(QStringLiteral("HH:mm")); };
    const QStringList common = {QStringLiteral("--sound"), silence, QStringLiteral("--no-vibrate")};
    const QList<QStringList> adds = {
        {QStringLiteral("--time"), at(3), QStringLiteral("--days"), QStringLiteral("daily"), QStringLiteral("--title"),
         QStringLiteral("Morning walk")},
        {QStringLiteral("--time"), at(5), QStringLiteral("--days"), QStringLiteral("mo-fr"), QStringLiteral("--title"),
         QStringLiteral("Stand-up meeting")},
        {QStringLiteral("--time"), at(7), QStringLiteral("--date"),
         now.date().addDays(2).toString(QStringLiteral("yyyy-MM-dd")), QStringLiteral("--title"),
         QStringLiteral("Dentist")},
        {QStringLiteral("--time"), at(9), QStringLiteral("--days"), QStringLiteral("weekend"), QStringLiteral("--title"),
         QStringLiteral("Snoozed one"), QStringLiteral("--snooze"), QStringLiteral("30"), QStringLiteral("--quiz"),
         QStringLiteral("0")},
    };
    QString key;
    for (const QStringList& add : adds) {
        const std::optional<QString> out = RunTool(b, QStringLiteral("dawnbell-alarm"),
                                                   QStringList{QStringLiteral("add")} + add + common, why);
        if (!out)
            return std::nullopt;
        key = out->trimmed().split('\n').last().trimmed();
    }
    // The today item, as the installer registers it.
    const QString reg = b.temp + QStringLiteral("/today-item.reg");
    QFile f(reg);
    const QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell]\r\n"
                            "\"DLL\"=\""
                            + (b.programDir + QStringLiteral("/libdawnbell-today.so")).toUtf8()
                            + "\"\r\n\"Type\"=dword:00000004\r\n\"Enabled\"=dword:00000001\r\n"
                              "\"Options\"=dword:00000001\r\n\"Order\"=dword:00000000\r\n"
                              "\"Selectability\"=dword:00000002\r\n";
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
        *why = QStringLiteral("cannot write ") + reg;
        return std::nullopt;
    }
    f.close();
    if (!RunTool(b, QStringLiteral("dawnbell-reg"), {QStringLiteral("import"), reg}, why))
        return std::nullopt;
    if (key.isEmpty() || !key.at(0).isDigit()) {
        *why = QStringLiteral("dawnbell-alarm add printed no key");
        return std::nullopt;
    }
    return key;
}

// One window's process on its X server.
class Window {
public:
    Window(const Bench& b, const QString& name) : b_(b), name_(name) {}
    ~Window() { Stop(); }

    // Starts the X server and `program args` on it and waits (30 s at most)
    // until the program shows a window. Empty on success, else why not.
    QString Start(const QString& program, const QStringList& args)
    {
        if (QString why = x_.Start(b_.temp); !why.isEmpty())
            return why;
        windows_ = std::make_unique<XWindows>(x_.display());
        QProcessEnvironment env = b_.env;
        env.insert(QStringLiteral("DISPLAY"), x_.display());
        process_.setProcessEnvironment(env);
        const QString log = b_.temp + "/" + QString(name_).replace(' ', '-') + ".log";
        process_.setStandardOutputFile(log);
        process_.setStandardErrorFile(log, QIODevice::Append);
        process_.start(program, args);
        if (!process_.waitForStarted(10000))
            return program + QStringLiteral(" did not start: ") + process_.errorString();
        for (int i = 0; i < 300; ++i) {
            if (!windows_->usable())
                return Wait(3) ? QString() : Ended();
            if (!windows_->Shown(process_.processId()).empty())
                return {};
            if (!Wait(0.1))
                return Ended();
        }
        return QStringLiteral("no window after 30 s");
    }
    // Waits `seconds`; false when the program ended before or meanwhile.
    bool Wait(double seconds)
    {
        if (process_.state() == QProcess::NotRunning)
            return false;
        process_.waitForFinished(int(seconds * 1000));
        return process_.state() != QProcess::NotRunning;
    }
    // Settles, then measures the program and its X server. A failure names why.
    Row Measure(Row row)
    {
        if (!Wait(b_.settle)) {
            row.failure = Ended();
            return row;
        }
        QElapsedTimer clock;
        clock.start();
        const ProcCounters a = ReadCounters(process_.processId()), xa = ReadCounters(x_.pid());
        const bool alive = Wait(b_.measure);
        const ProcCounters z = ReadCounters(process_.processId()), xz = ReadCounters(x_.pid());
        const double seconds = double(clock.nsecsElapsed()) / 1e9; // what was waited, not what was asked
        if (!alive) {
            row.failure = Ended();
            return row;
        }
        row.self = PerMinute(a, z, seconds);
        row.x = PerMinute(xa, xz, seconds);
        return row;
    }
    // Shown windows of the program (empty when windows cannot be seen).
    std::vector<uint32_t> Shown() { return windows_ ? windows_->Shown(process_.processId()) : std::vector<uint32_t>{}; }
    bool CanSeeWindows() const { return windows_ && windows_->usable(); }
    // Minimizes every shown window of the program.
    void Minimize()
    {
        for (const uint32_t w : Shown())
            windows_->Iconify(w);
    }
    QString display() const { return x_.display(); }
    // Ends the program (SIGTERM, then SIGKILL after 10 s) and its X server.
    void Stop()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
        windows_.reset();
        x_.Stop();
    }

private:
    QString Ended() const
    {
        return QStringLiteral("the program ended (exit %1); see %2/%3.log")
            .arg(process_.exitCode())
            .arg(b_.temp, QString(name_).replace(' ', '-'));
    }

    const Bench& b_;
    QString name_;
    XServer x_;
    std::unique_ptr<XWindows> windows_;
    QProcess process_;
};

QString Figure(double v) { return v < 0 ? QStringLiteral("-") : QString::number(v, 'f', 1); }

// Prints the table and the goals each row misses.
void PrintTable(const Bench& b, const std::vector<Row>& rows)
{
    const Row* floor = nullptr;
    for (const Row& r : rows) {
        if (r.floor && r.failure.isEmpty())
            floor = &r;
    }
    std::printf("\nidle cost per minute (settle %.0f s, measured over %.0f s, each window on its own Xvfb 1280x800)\n",
                b.settle, b.measure);
    std::printf("%-32s %9s %11s %8s %12s %9s %7s\n", "window", "wake-ups", "(voluntary)", "CPU ms", "X wake-ups",
                "X CPU ms", "ratio");
    for (const Row& r : rows) {
        if (!r.failure.isEmpty()) {
            std::printf("%-32s not measured: %s\n", qPrintable(r.name), qPrintable(r.failure));
            continue;
        }
        const double ratio = floor && floor->self.wake > 0 ? r.self.wake / floor->self.wake : -1;
        std::printf("%-32s %9s %11s %8s %12s %9s %7s\n", qPrintable(r.name), qPrintable(Figure(r.self.wake)),
                    qPrintable(Figure(r.self.voluntary)), qPrintable(Figure(r.self.cpuMs)),
                    qPrintable(Figure(r.x.wake)), qPrintable(Figure(r.x.cpuMs)),
                    ratio < 0 ? "-" : qPrintable(QString::number(ratio, 'f', 2)));
    }
    std::printf("\ngoals:\n");
    for (const Row& r : rows) {
        if (r.maxWake < 0 && r.maxCpuMs < 0 && r.maxRatio < 0 && r.maxXWake < 0)
            continue;
        QStringList goal, over;
        const double ratio = floor && floor->self.wake > 0 ? r.self.wake / floor->self.wake : -1;
        const auto check = [&](const char* what, double value, double max, int decimals = 1) {
            if (max < 0)
                return;
            goal << QStringLiteral("%1 <= %2").arg(QLatin1String(what)).arg(max);
            if (r.failure.isEmpty() && value > max)
                over << QStringLiteral("%1 %2").arg(QLatin1String(what), QString::number(value, 'f', decimals));
        };
        check("wake-ups", r.self.wake, r.maxWake);
        check("CPU ms", r.self.cpuMs, r.maxCpuMs);
        if (r.maxRatio >= 0 && ratio >= 0)
            check("ratio", ratio, r.maxRatio, 2);
        check("X wake-ups", r.x.wake, r.maxXWake);
        const QString verdict = !r.failure.isEmpty() ? QStringLiteral("not measured")
                                : over.isEmpty()     ? QStringLiteral("met")
                                                     : QStringLiteral("over: ") + over.join(QStringLiteral(", "));
        std::printf("  %-30s %s: %s\n", qPrintable(r.name), qPrintable(goal.join(QStringLiteral(", "))),
                    qPrintable(verdict));
    }
    std::printf("\nwake-ups per minute by thread:\n");
    for (const Row& r : rows) {
        if (r.failure.isEmpty())
            std::printf("  %-30s %s\n", qPrintable(r.name), r.self.byThread.isEmpty() ? "none" : qPrintable(r.self.byThread));
    }
    for (const Row& r : rows) {
        if (r.failure.isEmpty() && r.self.threadsBefore != r.self.threadsAfter)
            std::printf("note: %s had %d threads at the start and %d at the end; the counts of threads that "
                        "ended are missing\n",
                        qPrintable(r.name), r.self.threadsBefore, r.self.threadsAfter);
    }
}

// The load average of the last minute, as a note on how busy the machine was.
QString LoadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().split(' ').value(0)) : QStringLiteral("?");
}

void Progress(const QString& what)
{
    std::fprintf(stderr, "%s %s\n", qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))),
                 qPrintable(what));
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_idle_wakeups [--settle SECONDS] [--measure SECONDS]\n"
                         "  defaults 20 and 60; e.g. --settle 3 --measure 10 for a quick look\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Bench b;
    for (int i = 1; i < argc; ++i) {
        const bool settle = std::strcmp(argv[i], "--settle") == 0, measure = std::strcmp(argv[i], "--measure") == 0;
        if ((!settle && !measure) || i + 1 >= argc)
            return Usage();
        bool ok = false;
        const double v = QByteArray(argv[++i]).toDouble(&ok);
        if (!ok || v < (measure ? 1 : 0) || v > 3600)
            return Usage();
        (settle ? b.settle : b.measure) = v;
    }
    b.programDir = QCoreApplication::applicationDirPath();
    for (const char* file : {"dawnbell", "dawnbell-today", "dawnbell-alarm", "dawnbell-reg", "dawnbell-notifyd",
                             "libdawnbell-today.so", "bench_idle_floor"}) {
        if (!QFile::exists(b.programDir + "/" + file)) {
            std::fprintf(stderr, "bench_idle_wakeups: %s/%s is missing; build it first\n", qPrintable(b.programDir),
                         file);
            return 1;
        }
    }
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "bench_idle_wakeups: no temporary folder: %s\n", qPrintable(temp.errorString()));
        return 1;
    }
    b.temp = temp.path();
    const QString home = b.temp + QStringLiteral("/home"), run = b.temp + QStringLiteral("/run");
    QDir().mkpath(home);
    QDir().mkpath(run);
    QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Every program of the run sees only the temporary device directory, the X
    // server it is given, a private session bus and no sound server (the alarms'
    // sound is silent anyway, and the device volume is a virtual one).
    qputenv("DAWNBELL_HOME", home.toUtf8()); // for finding the service started below
    qputenv("XDG_RUNTIME_DIR", run.toUtf8());
    b.env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DAWNBELL_NOW", "DAWNBELL_SCREEN", "DAWNBELL_TRACE", "DAWNBELL_MSGBOX_RECORD",
                             "WAYLAND_DISPLAY", "XAUTHORITY", "QT_SCALE_FACTOR", "DISPLAY"})
        b.env.remove(QString::fromLatin1(name));
    b.env.insert(QStringLiteral("DAWNBELL_HOME"), home);
    b.env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    b.env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    b.env.insert(QStringLiteral("DAWNBELL_AUDIO_VIRTUAL"), QStringLiteral("1"));
    b.env.insert(QStringLiteral("DAWNBELL_AUTO_ANSWER"), QStringLiteral("no"));
    b.env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + b.temp + QStringLiteral("/no-sound-server"));
    QProcess bus;
    bus.setStandardErrorFile(b.temp + QStringLiteral("/bus.log"));
    QString busAddress = QStringLiteral("unix:path=") + b.temp + QStringLiteral("/no-bus");
    const QString busDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (!busDaemon.isEmpty()) {
        bus.start(busDaemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                              QStringLiteral("--address=unix:path=") + b.temp + QStringLiteral("/bus")});
        if (bus.waitForStarted(5000) && bus.waitForReadyRead(5000))
            busAddress = QString::fromUtf8(bus.readLine()).trimmed();
    }
    b.env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);

    QString why;
    const std::optional<QString> ringKey = WriteStore(b, &why);
    if (!ringKey) {
        std::fprintf(stderr, "bench_idle_wakeups: the store could not be written: %s\n", qPrintable(why));
        return 1;
    }
    std::printf("idle wake-ups: settle %.0f s, measure %.0f s; load average %s at the start\n", b.settle, b.measure,
                qPrintable(LoadAverage()));
    std::fflush(stdout);

    std::vector<Row> rows;
    const auto startFailed = [&rows](Row row, const QString& failure) {
        row.failure = failure;
        rows.push_back(row);
    };
    {
        Row row = Named(QStringLiteral("bare window, 1 s label (floor)"));
        row.floor = true;
        Progress(QStringLiteral("measuring ") + row.name);
        Window w(b, QStringLiteral("floor"));
        if (const QString failed = w.Start(b.programDir + "/bench_idle_floor", {}); !failed.isEmpty())
            startFailed(row, failed);
        else
            rows.push_back(w.Measure(row));
    }
    {
        Row visible = Named(QStringLiteral("main window, visible"));
        visible.maxWake = 70;
        visible.maxCpuMs = 10;
        visible.maxRatio = 1.2;
        visible.maxXWake = 70;
        Row minimized = Named(QStringLiteral("main window, minimized"));
        minimized.maxWake = 0;
        Progress(QStringLiteral("measuring ") + visible.name);
        Window w(b, QStringLiteral("main window"));
        if (const QString failed = w.Start(b.programDir + "/dawnbell", {}); !failed.isEmpty()) {
            startFailed(visible, failed);
            startFailed(minimized, failed);
        } else {
            rows.push_back(w.Measure(visible));
            if (!w.CanSeeWindows()) {
                startFailed(minimized, QStringLiteral("built without libxcb: windows cannot be minimized"));
            } else {
                Progress(QStringLiteral("measuring ") + minimized.name);
                w.Minimize();
                if (!w.Shown().empty())
                    startFailed(minimized, QStringLiteral("a window stayed shown after minimizing"));
                else
                    rows.push_back(w.Measure(minimized));
            }
        }
    }
    {
        Row row = Named(QStringLiteral("today screen host"));
        row.maxWake = 35;
        row.maxCpuMs = 5;
        Progress(QStringLiteral("measuring ") + row.name);
        Window w(b, QStringLiteral("today host"));
        if (const QString failed = w.Start(b.programDir + "/dawnbell-today", {}); !failed.isEmpty())
            startFailed(row, failed);
        else
            rows.push_back(w.Measure(row));
    }
    {
        Row row = Named(QStringLiteral("ringing window, snoozed"));
        row.maxWake = 70;
        Progress(QStringLiteral("measuring ") + row.name);
        Window w(b, QStringLiteral("ringing"));
        if (const QString failed = w.Start(b.programDir + "/dawnbell", {*ringKey}); !failed.isEmpty()) {
            startFailed(row, failed);
        } else {
            // A moment for the ringing to begin, then the snooze as a tap gives it.
            QString snoozeFailed;
            if (!w.Wait(2))
                startFailed(row, QStringLiteral("the program ended while ringing"));
            else if (!RunTool(b, QStringLiteral("dawnbell-alarm"), {QStringLiteral("snooze")}, &snoozeFailed))
                startFailed(row, snoozeFailed);
            else {
                row = w.Measure(row);
                if (row.failure.isEmpty() && w.CanSeeWindows() && w.Shown().empty())
                    row.failure = QStringLiteral("no window was shown at the end");
                rows.push_back(row);
            }
        }
    }

    // The service the tools started for the temporary store, then the bus.
    if (const pid_t service = notify::NotifyDaemonPid(); service > 0) {
        ::kill(service, SIGTERM);
        for (int i = 0; i < 500 && notify::NotifyDaemonPid() != 0; ++i)
            QThread::msleep(10);
    }
    if (bus.state() != QProcess::NotRunning) {
        bus.terminate();
        bus.waitForFinished(5000);
    }

    PrintTable(b, rows);
    std::printf("load average %s at the end\n", qPrintable(LoadAverage()));
    for (const Row& r : rows) {
        if (!r.failure.isEmpty()) {
            temp.setAutoRemove(false); // the programs' logs tell why
            std::printf("the programs' logs are kept in %s\n", qPrintable(b.temp));
            return 1;
        }
    }
    return 0;
}
