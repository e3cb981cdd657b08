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
// a label once a second (bench_idle_floor, the floor), then each thread's
// wake-ups and CPU time. Windows measured:
//   - the bare window (the floor),
//   - the main window (`dawnbell`), visible, then minimized (unmapped and marked
//     iconic, as a window manager minimizes a window),
//   - the main window on Wayland (a headless sway of its own instead of Xvfb),
//     moved to sway's scratchpad, out of sight; skipped when sway is missing,
//   - the today screen host (`dawnbell-today`) with the Dawnbell item,
//   - a ringing window (`dawnbell KEY`) snoozed by `dawnbell-alarm snooze`,
//   - a ringing window with a 30-second fade-in playing ring.mp3 into a
//     PulseAudio null sink, over the first minute after it shows (no settle
//     time: the fade is what is measured); skipped when pulseaudio is missing.
//
//   bench_idle_wakeups [--settle SECONDS] [--measure SECONDS]   (default 20 and 60)
//
// Goals per idle minute: main window visible at most 70 wake-ups and 10 ms CPU,
// ratio to the floor at most 1.2, its X server at most 70 wake-ups; minimized or
// hidden 0; today host at most 35 wake-ups and 5 ms CPU; snoozed ringing window
// at most 70 wake-ups. The threads are looked at every quarter second, so a
// thread that ends within the measuring time keeps what it did up to its last
// look; how many ended is printed. On a loaded machine involuntary switches
// grow with the load: the voluntary ones are shown apart. Exit status 0 when
// every window was measured or skipped, 1 when one could not be measured.
#include "BenchSupport.h"
#include "Notify.h"
#include "TestServers.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
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
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef DAWNBELL_BENCH_XCB
#include <xcb/xcb.h>
#endif

using namespace dawnbell;

namespace {

// Counters of one process, summed over its threads at one moment.
// A thread that ended keeps the counts it had when last seen (see Follow).
struct ProcCounters {
    bool ok = false; // the process was there
    int threads = 0; // threads alive at the last look
    struct Thread {
        QString name;
        uint64_t voluntary = 0; // voluntary context switches
        uint64_t involuntary = 0;
        uint64_t cpuNs = 0; // time on a CPU
    };
    std::map<long, Thread> byThread; // by thread id
};

// Takes the newer look `now` at a process into `seen`: threads still alive get
// their new counts, threads that ended keep their last ones. A process that is
// gone leaves `seen` as it was.
void Follow(ProcCounters* seen, const ProcCounters& now)
{
    if (!now.ok)
        return;
    seen->ok = true;
    seen->threads = now.threads;
    for (const auto& [tid, thread] : now.byThread)
        seen->byThread[tid] = thread;
}

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
        ProcCounters::Thread& thread = c.byThread[std::strtol(e->d_name, nullptr, 10)];
        thread.voluntary = StatusField(text, "voluntary_ctxt_switches");
        thread.involuntary = StatusField(text, "nonvoluntary_ctxt_switches");
        if (sched.open(QIODevice::ReadOnly))
            thread.cpuNs = sched.readAll().split(' ').value(0).toULongLong();
        ++c.threads;
        QFile comm(QString::fromLatin1(task + "/comm"));
        thread.name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
    }
    ::closedir(dir);
    return c;
}

// How often the measuring looks at the threads, in seconds.
constexpr double kLookSeconds = 0.25;

// The figures of one process over one measuring time, per minute.
struct Rate {
    double wake = -1;      // all context switches
    double voluntary = -1; // of them voluntary
    double cpuMs = -1;
    int threadsEnded = 0; // threads that ended while measured
    QString byThread; // the threads that woke, most first: "name count (CPU ms), ..."
};

Rate PerMinute(const ProcCounters& a, const ProcCounters& b, double seconds)
{
    Rate r;
    if (!a.ok || !b.ok || seconds <= 0)
        return r;
    const double f = 60.0 / seconds;
    r.voluntary = r.wake = r.cpuMs = 0;
    r.threadsEnded = int(b.byThread.size()) - b.threads;
    struct Woke {
        double wake, cpuMs;
        QString name;
    };
    std::vector<Woke> woke;
    for (const auto& [tid, end] : b.byThread) {
        const auto start = a.byThread.find(tid); // a thread started meanwhile counts from 0
        const ProcCounters::Thread before = start == a.byThread.end() ? ProcCounters::Thread() : start->second;
        const double voluntary = double(end.voluntary - before.voluntary) * f;
        const double n = voluntary + double(end.involuntary - before.involuntary) * f;
        const double cpuMs = double(end.cpuNs - before.cpuNs) / 1e6 * f;
        r.voluntary += voluntary;
        r.wake += n;
        r.cpuMs += cpuMs;
        if (n > 0)
            woke.push_back({n, cpuMs, end.name});
    }
    std::sort(woke.begin(), woke.end(), [](const Woke& x, const Woke& y) { return x.wake > y.wake; });
    QStringList parts;
    for (const Woke& w : woke)
        parts << QStringLiteral("%1 %2 (%3 ms)").arg(w.name, QString::number(w.wake, 'f', 0), QString::number(w.cpuMs, 'f', 1));
    r.byThread = parts.join(QStringLiteral(", "));
    return r;
}

// One row of the table: a window, its figures and its goal.
struct Row {
    QString name;
    QString failure; // why it could not be measured; empty when it was
    bool skipped = false; // not measured because a program it needs is not installed
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

// A Wayland compositor of its own: sway on its headless back end, without
// Xwayland, on a private folder. sway refuses to run as root: under root it runs
// as nobody, in a folder handed to nobody. swaymsg looks at its windows and moves
// them out of sight, as a user does with the scratchpad.
class Sway {
public:
    ~Sway() { Stop(); }
    // True when sway and swaymsg are installed.
    static bool Installed()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()
               && !QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty();
    }
    // Starts sway in `folder` (made here; its parent is made passable, not
    // readable, for nobody), logging to `log`, and waits (15 s at most) until it
    // answers. Empty on success, else why not.
    QString Start(const QString& folder, const QString& log)
    {
        folder_ = folder;
        QDir().mkpath(folder_);
        const QByteArray native = QFile::encodeName(folder_);
        ::chmod(native.constData(), 0700);
        QFile config(folder_ + QStringLiteral("/config"));
        if (!config.open(QIODevice::WriteOnly) || config.write("xwayland disable\n") <= 0)
            return QStringLiteral("cannot write the sway configuration");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_);
        env.insert(QStringLiteral("HOME"), folder_);
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        QString program = QStringLiteral("sway");
        QStringList args = {QStringLiteral("-c"), config.fileName()};
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                return QStringLiteral("setpriv is not installed (Debian package util-linux); sway will not run as root");
            const QByteArray parent = QFile::encodeName(QFileInfo(folder_).absolutePath());
            if (::chmod(parent.constData(), 0711) != 0 || ::chown(native.constData(), kNobody, kNobody) != 0
                || ::chown(QFile::encodeName(config.fileName()).constData(), kNobody, kNobody) != 0)
                return QStringLiteral("cannot hand %1 to nobody").arg(folder_);
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), program}
                   + args;
            program = QStringLiteral("setpriv");
        }
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardOutputFile(log);
        process_.start(program, args);
        if (!process_.waitForStarted(5000))
            return QStringLiteral("sway did not start: ") + process_.errorString();
        for (int i = 0; i < 150; ++i) {
            socket_ = Find(QStringLiteral("wayland-*"));
            ipc_ = Find(QStringLiteral("sway-ipc.*.sock"));
            if (!socket_.isEmpty() && !ipc_.isEmpty() && Ask({QStringLiteral("-t"), QStringLiteral("get_version")}))
                return {};
            if (process_.waitForFinished(100))
                break;
        }
        return QStringLiteral("sway did not come up (see %1)").arg(log);
    }
    // Ends sway (SIGTERM, then SIGKILL after 5 s); nothing when it is not running.
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
    // The socket for WAYLAND_DISPLAY (an absolute path).
    QString socket() const { return socket_; }

    // The windows of process `pid` in sway's tree: how many, and how many of
    // them are visible. Nothing when sway cannot be asked.
    std::optional<std::pair<int, int>> Windows(qint64 pid)
    {
        QByteArray tree;
        if (!Ask({QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")}, &tree))
            return std::nullopt;
        const QJsonDocument doc = QJsonDocument::fromJson(tree);
        if (!doc.isObject())
            return std::nullopt;
        std::pair<int, int> count{0, 0};
        Collect(doc.object(), pid, &count);
        return count;
    }
    // Moves every window of process `pid` to the scratchpad, out of sight.
    bool Hide(qint64 pid) { return Ask({QStringLiteral("[pid=%1] move scratchpad").arg(pid)}); }

private:
    // Runs swaymsg with `args`; its output into `out`. False when it failed.
    bool Ask(const QStringList& args, QByteArray* out = nullptr)
    {
        QProcess ask;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SWAYSOCK"), ipc_);
        ask.setProcessEnvironment(env);
        ask.start(QStringLiteral("swaymsg"), args);
        if (!ask.waitForFinished(10000) || ask.exitStatus() != QProcess::NormalExit || ask.exitCode() != 0) {
            if (ask.state() != QProcess::NotRunning) {
                ask.kill();
                ask.waitForFinished(2000);
            }
            return false;
        }
        if (out)
            *out = ask.readAllStandardOutput();
        return true;
    }
    // An entry of sway's folder matching `pattern` (not a lock file); empty when none.
    QString Find(const QString& pattern) const
    {
        for (const QString& name : QDir(folder_).entryList({pattern}, QDir::System | QDir::Files)) {
            if (!name.endsWith(QLatin1String(".lock")))
                return folder_ + "/" + name;
        }
        return {};
    }
    // Counts the windows of `pid` below `node` (tiled and floating, the
    // scratchpad's too) and the visible ones among them.
    static void Collect(const QJsonObject& node, qint64 pid, std::pair<int, int>* count)
    {
        if (node.value(QStringLiteral("pid")).toInteger() == pid) {
            ++count->first;
            if (node.value(QStringLiteral("visible")).toBool())
                ++count->second;
        }
        for (const char* list : {"nodes", "floating_nodes"}) {
            for (const QJsonValue& child : node.value(QLatin1String(list)).toArray())
                Collect(child.toObject(), pid, count);
        }
    }

    QProcess process_;
    QString folder_, socket_, ipc_;
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

// The keys of the two alarms the benchmark rings.
struct RingKeys {
    QString snoozed; // rung, then snoozed
    QString fading;  // rung with its fade-in
};

// The fixed store: three alarms to show (a daily one, a weekday one, an
// appointment), all a few hours away so that none rings while the figures are
// taken, the alarm the ringing window snoozes (30-minute snooze, no quiz), all
// with a silent sound; the alarm that rings with a 30-second fade-in, playing
// the program's own ring.mp3; and the Dawnbell item on the today screen.
// Nothing, with `why` set, when a tool failed.
std::optional<RingKeys> WriteStore(const Bench& b, QString* why)
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
    // The key an add printed on its last line (an appointment's starts with
    // "A"); empty, with `why` set, when it printed none.
    const auto add = [&b, why](const QStringList& args) -> QString {
        const std::optional<QString> out =
            RunTool(b, QStringLiteral("dawnbell-alarm"), QStringList{QStringLiteral("add")} + args, why);
        const QString key = out ? out->trimmed().split('\n').last().trimmed() : QString();
        if (out && key.isEmpty())
            *why = QStringLiteral("dawnbell-alarm add printed no key");
        return key;
    };
    RingKeys keys;
    for (const QStringList& args : adds) {
        keys.snoozed = add(args + common);
        if (keys.snoozed.isEmpty())
            return std::nullopt;
    }
    keys.fading = add({QStringLiteral("--time"), at(11), QStringLiteral("--days"), QStringLiteral("daily"),
                       QStringLiteral("--title"), QStringLiteral("Fading in"), QStringLiteral("--sound"),
                       b.programDir + QStringLiteral("/sounds/ring.mp3"), QStringLiteral("--no-vibrate"),
                       QStringLiteral("--snooze"), QStringLiteral("30"), QStringLiteral("--quiz"), QStringLiteral("0")});
    if (keys.fading.isEmpty())
        return std::nullopt;
    // The fade-in: 50 steps of (30 / 5) x 100 ms = 600 ms, the full volume after 30 s.
    const QString section = QStringLiteral("HKCU\\Software\\Torvane\\Dawnbell\\") + keys.fading;
    for (const auto& [name, value] : {std::pair{"useFade", "1"}, std::pair{"fadeDuration", "30"}}) {
        if (!RunTool(b, QStringLiteral("dawnbell-reg"),
                     {QStringLiteral("add"), section, QLatin1String(name), QStringLiteral("dword"), QLatin1String(value)},
                     why))
            return std::nullopt;
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
    return keys;
}

// The display server a window runs on.
enum class Server { X, Wayland };

// One window's process on its display server: an X server (Xvfb) of its own,
// or a Wayland compositor (sway) of its own.
class Window {
public:
    Window(const Bench& b, const QString& name, Server server = Server::X) : b_(b), name_(name), server_(server) {}
    ~Window() { Stop(); }

    // Adds `name`=`value` to the program's environment (before Start).
    void SetEnv(const QString& name, const QString& value) { extraEnv_.insert(name, value); }

    // Starts the display server and `program args` on it and waits (30 s at
    // most) until the program shows a window. Empty on success, else why not.
    QString Start(const QString& program, const QStringList& args)
    {
        QProcessEnvironment env = b_.env;
        for (const QString& name : extraEnv_.keys())
            env.insert(name, extraEnv_.value(name));
        if (server_ == Server::X) {
            if (QString why = x_.Start(b_.temp); !why.isEmpty())
                return why;
            windows_ = std::make_unique<XWindows>(x_.display());
            env.insert(QStringLiteral("DISPLAY"), x_.display());
        } else {
            if (QString why = sway_.Start(b_.temp + "/sway-" + LogName(), b_.temp + "/sway-" + LogName() + ".log");
                !why.isEmpty())
                return why;
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), sway_.socket());
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        }
        process_.setProcessEnvironment(env);
        const QString log = b_.temp + "/" + LogName() + ".log";
        process_.setStandardOutputFile(log);
        process_.setStandardErrorFile(log, QIODevice::Append);
        process_.start(program, args);
        if (!process_.waitForStarted(10000))
            return program + QStringLiteral(" did not start: ") + process_.errorString();
        for (int i = 0; i < 300; ++i) {
            if (server_ == Server::Wayland) {
                const std::optional<std::pair<int, int>> seen = sway_.Windows(process_.processId());
                if (!seen)
                    return QStringLiteral("swaymsg could not read sway's windows");
                if (seen->second > 0)
                    return {};
            } else if (!windows_->usable()) {
                return Wait(3) ? QString() : Ended();
            } else if (!windows_->Shown(process_.processId()).empty()) {
                return {};
            }
            if (!Wait(0.1))
                return Ended();
        }
        return QStringLiteral("no window after 30 s");
    }
    // Wayland: moves the program's windows out of sight (sway's scratchpad) and
    // checks that sway shows none of them. Empty on success, else why not.
    QString HideOnWayland()
    {
        if (server_ != Server::Wayland || !sway_.Hide(process_.processId()))
            return QStringLiteral("sway did not move the window to the scratchpad");
        const std::optional<std::pair<int, int>> seen = sway_.Windows(process_.processId());
        if (!seen || seen->first == 0)
            return QStringLiteral("sway lost the window when it was moved to the scratchpad");
        return seen->second == 0 ? QString() : QStringLiteral("a window stayed visible in the scratchpad");
    }
    // Waits `seconds`; false when the program ended before or meanwhile.
    bool Wait(double seconds)
    {
        if (process_.state() == QProcess::NotRunning)
            return false;
        process_.waitForFinished(int(seconds * 1000));
        return process_.state() != QProcess::NotRunning;
    }
    // Settles (for `settle` seconds, the run's settle time when negative), then
    // measures the program and its display server. A failure names why.
    Row Measure(Row row, double settle = -1)
    {
        if (!Wait(settle < 0 ? b_.settle : settle)) {
            row.failure = Ended();
            return row;
        }
        // sway's headless output wakes it about 60 times a second with or
        // without clients, so its figures say nothing about the window.
        const qint64 server = server_ == Server::X ? x_.pid() : 0;
        QElapsedTimer clock;
        clock.start();
        const ProcCounters a = ReadCounters(process_.processId()), xa = server ? ReadCounters(server) : ProcCounters();
        // Looks every kLookSeconds keep most of what a thread that ends (a
        // player's pipeline between two sounds) did before it ended.
        ProcCounters z = a, xz = xa;
        bool alive = true;
        for (double left = b_.measure; alive && left > 0; left = b_.measure - double(clock.elapsed()) / 1000) {
            alive = Wait(std::min(left, kLookSeconds));
            Follow(&z, ReadCounters(process_.processId()));
            if (server)
                Follow(&xz, ReadCounters(server));
        }
        const double seconds = double(clock.nsecsElapsed()) / 1e9; // what was waited, not what was asked
        if (!alive) {
            row.failure = Ended();
            return row;
        }
        row.self = PerMinute(a, z, seconds);
        row.x = server ? PerMinute(xa, xz, seconds) : Rate();
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
    // Ends the program (SIGTERM, then SIGKILL after 10 s) and its display server.
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
        sway_.Stop();
    }

private:
    // The window's name as a file name.
    QString LogName() const { return QString(name_).replace(' ', '-'); }
    QString Ended() const
    {
        return QStringLiteral("the program ended (exit %1); see %2/%3.log").arg(process_.exitCode()).arg(b_.temp, LogName());
    }

    const Bench& b_;
    QString name_;
    Server server_;
    QMap<QString, QString> extraEnv_;
    XServer x_;
    Sway sway_;
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
    std::printf("\nidle cost per minute (settle %.0f s, measured over %.0f s; each window on its own Xvfb 1280x800, the "
                "Wayland one on its own headless sway, which is not measured: it wakes 60 times a second by itself)\n",
                b.settle, b.measure);
    std::printf("%-32s %9s %11s %8s %12s %9s %7s\n", "window", "wake-ups", "(voluntary)", "CPU ms", "X wake-ups",
                "X CPU ms", "ratio");
    for (const Row& r : rows) {
        if (!r.failure.isEmpty()) {
            std::printf("%-32s %s: %s\n", qPrintable(r.name), r.skipped ? "skipped" : "not measured",
                        qPrintable(r.failure));
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
        const QString verdict = r.skipped            ? QStringLiteral("skipped")
                                : !r.failure.isEmpty() ? QStringLiteral("not measured")
                                : over.isEmpty()     ? QStringLiteral("met")
                                                     : QStringLiteral("over: ") + over.join(QStringLiteral(", "));
        std::printf("  %-30s %s: %s\n", qPrintable(r.name), qPrintable(goal.join(QStringLiteral(", "))),
                    qPrintable(verdict));
    }
    std::printf("\nwake-ups per minute by thread (CPU ms per minute):\n");
    for (const Row& r : rows) {
        if (r.failure.isEmpty())
            std::printf("  %-30s %s\n", qPrintable(r.name), r.self.byThread.isEmpty() ? "none" : qPrintable(r.self.byThread));
    }
    for (const Row& r : rows) {
        if (r.failure.isEmpty() && r.self.threadsEnded > 0)
            std::printf("note: %d threads of %s ended while measured; each one's counts are those of the last look "
                        "(every %.2f s) before it ended\n",
                        r.self.threadsEnded, qPrintable(r.name), kLookSeconds);
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
                             "libdawnbell-today.so", "bench_idle_floor", "sounds/ring.mp3"}) {
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
    const std::optional<RingKeys> ringKeys = WriteStore(b, &why);
    if (!ringKeys) {
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
    const auto skip = [&rows](Row row, const QString& reason) {
        row.failure = reason;
        row.skipped = true;
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
        // Qt on Wayland never learns that a window is minimized; it counts a
        // window whose frames the compositor stops asking for as unexposed
        // (after QT_WAYLAND_FRAME_CALLBACK_TIMEOUT, 100 ms by default).
        Row row = Named(QStringLiteral("main window, hidden on Wayland"));
        row.maxWake = 0;
        Progress(QStringLiteral("measuring ") + row.name);
        if (!Sway::Installed()) {
            skip(row, QStringLiteral("sway is not installed (Debian package sway)"));
        } else {
            Window w(b, QStringLiteral("main window wayland"), Server::Wayland);
            QString failed = w.Start(b.programDir + "/dawnbell", {});
            // Shown for the settle time first, as the X main window is before it
            // is minimized: what the start leaves to do (a one-off timer half a
            // minute after the start) is done before the hidden window is counted.
            if (failed.isEmpty() && !w.Wait(b.settle))
                failed = QStringLiteral("the program ended on Wayland");
            if (failed.isEmpty())
                failed = w.HideOnWayland();
            if (!failed.isEmpty())
                startFailed(row, failed);
            else
                rows.push_back(w.Measure(row));
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
        if (const QString failed = w.Start(b.programDir + "/dawnbell", {ringKeys->snoozed}); !failed.isEmpty()) {
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
    {
        // The first minute after the window shows: the fade-in's 50 volume steps
        // over 30 s, then full volume, played into a PulseAudio null sink (a sound
        // server on a private folder, as the tests use: the output a device
        // without a sound card still plays into in real time).
        Row row = Named(QStringLiteral("ringing, 30 s fade-in, 1st min"));
        Progress(QStringLiteral("measuring ") + row.name);
        test::SoundServer sound;
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
            skip(row, QStringLiteral("pulseaudio or pactl is not installed (Debian packages pulseaudio, pulseaudio-utils)"));
        } else if (const QString failed = sound.Start(b.temp + QStringLiteral("/sound")); !failed.isEmpty()) {
            startFailed(row, failed);
        } else {
            Window w(b, QStringLiteral("ringing fade"));
            w.SetEnv(QStringLiteral("PULSE_SERVER"), sound.address());
            if (const QString failed = w.Start(b.programDir + "/dawnbell", {ringKeys->fading}); !failed.isEmpty()) {
                startFailed(row, failed);
            } else {
                row = w.Measure(row, 0);
                // The ringing really played: a stream into the null sink (one
                // playlist item may be ending, so a few looks).
                bool playing = false;
                for (int i = 0; i < 10 && !playing && row.failure.isEmpty(); ++i) {
                    QString streams;
                    playing = sound.Pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")},
                                          &streams)
                              && !streams.trimmed().isEmpty();
                    if (!playing && !w.Wait(0.3))
                        row.failure = QStringLiteral("the program ended while ringing");
                }
                if (row.failure.isEmpty() && !playing)
                    row.failure = QStringLiteral("nothing played into the sound server's null sink");
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
        if (!r.failure.isEmpty() && !r.skipped) {
            temp.setAutoRemove(false); // the programs' logs tell why
            std::printf("the programs' logs are kept in %s\n", qPrintable(b.temp));
            return 1;
        }
    }
    return 0;
}
