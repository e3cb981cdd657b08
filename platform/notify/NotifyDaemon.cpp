#include "NotifyDaemon.h"

#include "ArmPlan.h"
#include "DevicePaths.h"
#include "NotifyCommandLine.h"
#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace dawnbell::notify {

namespace {

constexpr const char* kName = "dawnbell-notifyd";

// The rebuild of the schedule after a damaged store: the program's own verb, the
// longest it may take (10,000 alarms take about a second), how much of its
// standard error is kept for the log, and how often it is looked at when the
// kernel offers no process descriptor.
constexpr const char* kRebuildVerb = "reinit";
constexpr int64_t kRebuildTimeoutMs = 120000;
constexpr size_t kRebuildErrBytes = 2048;
constexpr int kRebuildPollMs = 100;

int64_t RealNowMs()
{
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void CloseFd(int* fd)
{
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// "YYYY-MM-DD HH:MM:SS" of a local broken-down time.
std::string FormatLocal(const clock::LocalTime& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

// The file name of a path: the text after the last '/'.
std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Starts `program` with the one argument `argument` as a child of this process,
// in its own session, without a display (QT_QPA_PLATFORM=offscreen), standard
// input and output on /dev/null and standard error into a pipe whose
// non-blocking read end goes to `*errFd`. 0 or an errno value.
int SpawnHeadless(const std::string& program, const char* argument, pid_t* pid, int* errFd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults); // the service ignores SIGPIPE; the program starts with every default
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*e);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program, arg1 = argument;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};

    const int rc = ::posix_spawn(pid, program.c_str(), &actions, &attr, argv, envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return rc;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    *errFd = fds[0];
    return 0;
}

// How a waited-for process ended, for the log.
std::string EndText(int status)
{
    char buf[64];
    if (WIFEXITED(status))
        std::snprintf(buf, sizeof buf, "exit status %d", WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        std::snprintf(buf, sizeof buf, "ended by signal %d", WTERMSIG(status));
    else
        std::snprintf(buf, sizeof buf, "status %d", status);
    return buf;
}

} // namespace

void NotifyDaemon::Log(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    log_.Append(line);
    std::fprintf(stderr, "%s: %s\n", kName, line);
}

NotifyDaemon::~NotifyDaemon()
{
    // A rebuild still running finishes on its own.
    CloseFd(&rebuildPidFd_);
    CloseFd(&rebuildErrFd_);
    CloseFd(&sockFd_);
    CloseFd(&timerFd_);
    CloseFd(&watchFd_);
    CloseFd(&lockFd_);
}

bool NotifyDaemon::Acquire()
{
    lockFd_ = ::open(paths_.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        Log("cannot open %s: %s", paths_.lock.c_str(), std::strerror(errno));
        return false;
    }
    if (LockFile(lockFd_) != 0)
        return false;
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%d\n", static_cast<int>(::getpid()));
    if (::ftruncate(lockFd_, 0) != 0 || ::pwrite(lockFd_, buf, static_cast<size_t>(n), 0) != n)
        Log("cannot write %s", paths_.lock.c_str());
    return true;
}

bool NotifyDaemon::Listen()
{
    sockaddr_un addr{};
    if (paths_.socket.empty() || paths_.socket.size() >= sizeof addr.sun_path) {
        Log("no usable socket path in the runtime directory");
        return false;
    }
    sockFd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sockFd_ < 0)
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, paths_.socket.c_str(), paths_.socket.size() + 1);
    // Holding the lock, any socket file left here belongs to a dead service.
    ::unlink(paths_.socket.c_str());
    const mode_t old = ::umask(0177);
    const int rc = ::bind(sockFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (rc != 0) {
        Log("cannot listen on %s: %s", paths_.socket.c_str(), std::strerror(errno));
        return false;
    }
    ::chmod(paths_.socket.c_str(), 0600);
    return true;
}

void NotifyDaemon::OpenTimer()
{
    timerFd_ = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC | TFD_NONBLOCK);
    if (timerFd_ >= 0) {
        clockName_ = "CLOCK_REALTIME_ALARM";
        Log("timer on CLOCK_REALTIME_ALARM: alarms wake a suspended device");
        return;
    }
    const int err = errno;
    timerFd_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    clockName_ = "CLOCK_REALTIME";
    Log("timer on CLOCK_REALTIME: alarms will not wake a suspended device (CLOCK_REALTIME_ALARM: %s; "
        "setcap cap_wake_alarm+ep on the binary)",
        std::strerror(err));
}

void NotifyDaemon::WatchZone()
{
    watchFd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watchFd_ < 0)
        return;
    // The directory, not the file: the zone is usually changed by replacing the
    // /etc/localtime symlink, which a watch on the file itself would not see.
    zoneWd_ = ::inotify_add_watch(watchFd_, "/etc", IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_ATTRIB);
    homeWd_ = ::inotify_add_watch(watchFd_, paths_.deviceDir.c_str(),
                                  IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (zoneWd_ < 0 && homeWd_ < 0)
        CloseFd(&watchFd_);
}

void NotifyDaemon::Arm(const std::optional<int64_t>& atMs)
{
    struct itimerspec value {};
    if (atMs) {
        value.it_value.tv_sec = static_cast<time_t>(*atMs / 1000);
        value.it_value.tv_nsec = static_cast<long>(*atMs % 1000) * 1000000;
        if (value.it_value.tv_sec <= 0 && value.it_value.tv_nsec <= 0)
            value.it_value.tv_nsec = 1; // an all-zero value would disarm
    }
    const int flags = atMs ? (TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET) : 0;
    if (::timerfd_settime(timerFd_, flags, &value, nullptr) != 0) {
        Log("cannot arm the timer: %s", std::strerror(errno));
        armedMs_.reset();
        return;
    }
    if (atMs != armedMs_) {
        if (atMs)
            Log("next start at %s (%s)", FormatLocal(clock::ToLocal(*atMs / 1000)).c_str(), clockName_);
        else
            Log("nothing to start; the timer is off");
    }
    armedMs_ = atMs;
}

void NotifyDaemon::Fire(const NotifyRecord& record)
{
    const NotifyTrigger& t = record.trigger;
    const std::string due = FormatLocal(t.start);
    const std::string program = EscapeNotifyText(t.application);
    const std::string argument = EscapeNotifyText(t.arguments);
    if (!IsExecutableFile(t.application)) {
        Log("notification %u due %s removed: %s [%s] cannot be started (not an executable file)", record.handle,
            due.c_str(), program.c_str(), argument.c_str());
        return;
    }
    pid_t pid = 0;
    const int err = process::SpawnDetached(t.application, t.arguments, &pid);
    if (err != 0)
        Log("notification %u due %s: starting %s [%s] failed: %s", record.handle, due.c_str(), program.c_str(),
            argument.c_str(), std::strerror(err));
    else
        Log("notification %u due %s: started %s [%s] (process %d)", record.handle, due.c_str(), program.c_str(),
            argument.c_str(), static_cast<int>(pid));
}

void NotifyDaemon::Drain()
{
    char buf[256];
    ssize_t got;
    while ((got = ::recv(sockFd_, buf, sizeof buf, MSG_DONTWAIT)) >= 0) {
        if (got > 0 && buf[0] == kWakeCheck)
            checkAsked_ = true;
    }
    uint64_t expirations;
    // ECANCELED here means the clock was set; the plan is recomputed either way.
    while (::read(timerFd_, &expirations, sizeof expirations) > 0) {
    }
    if (watchFd_ >= 0) {
        alignas(struct inotify_event) char events[4096];
        bool zoneChanged = false;
        ssize_t n;
        while ((n = ::read(watchFd_, events, sizeof events)) > 0) {
            for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(struct inotify_event)) <= n;) {
                const auto* ev = reinterpret_cast<const struct inotify_event*>(events + off);
                const bool named = ev->len > 0 && ev->name[0] != '\0';
                if (ev->wd == zoneWd_ && named && std::strncmp(ev->name, "localtime", ev->len) == 0)
                    zoneChanged = true;
                if (ev->wd == homeWd_ &&
                    ((ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) ||
                     (named && std::strncmp(ev->name, "notifyd.lock", ev->len) == 0)))
                    quit_ = true;
                off += static_cast<ssize_t>(sizeof(struct inotify_event) + ev->len);
            }
        }
        if (zoneChanged)
            ::tzset(); // glibc re-reads a changed /etc/localtime here
    }
}

bool NotifyDaemon::Serve()
{
    // Firing may take a moment; loop until nothing more is due.
    for (int round = 0; round < 1000; ++round) {
        std::vector<StoredRecord> rows;
        if (store_.All(&rows) != NotifyOk)
            return false;
        std::vector<PlanInput> inputs;
        inputs.reserve(rows.size());
        for (const StoredRecord& r : rows)
            inputs.push_back(PlanInput{r.record.handle, r.record.trigger.start, r.valid});
        ::tzset();
        const ArmPlan plan = PlanArming(inputs, RealNowMs(), clock::FromLocal);
        for (uint32_t handle : plan.invalid) {
            if (store_.Remove(handle) == NotifyOk)
                Log("notification %u removed: the record is damaged", handle);
        }
        if (plan.due.empty()) {
            Arm(plan.nextMs);
            return true;
        }
        for (uint32_t handle : plan.due) {
            // Only the process that removes the record starts it; one cleared
            // since the read above is not started.
            StoredRecord r;
            if (store_.Take(handle, &r) == NotifyOk)
                Fire(r.record);
        }
    }
    return false; // records keep coming due or cannot be removed: retry shortly
}

bool NotifyDaemon::OpenChecked()
{
    store_.Close();
    if (store_.Open(paths_.database, NotifyStore::SyncLazily) == NotifyOk && store_.Check() == NotifyOk)
        return true;
    if (store_.Damaged())
        return Recover();
    Log("cannot open %s: %s", paths_.database.c_str(), store_.LastError().c_str());
    return false;
}

bool NotifyDaemon::Recover()
{
    const std::string cause = store_.LastError();
    store_.Close();
    std::vector<NotifyRecord> kept;
    NotifyStore::Salvage(paths_.database, &kept);
    std::string copy, error;
    if (!NotifyStore::SetAside(paths_.database, &copy, &error)) {
        Log("%s is damaged (%s) and cannot be moved aside: %s", paths_.database.c_str(), cause.c_str(),
            error.c_str());
        return false;
    }
    if (store_.Open(paths_.database, NotifyStore::SyncEachCommit) != NotifyOk) {
        Log("%s is damaged (%s); moved aside as %s, but a new store cannot be made: %s", paths_.database.c_str(),
            cause.c_str(), copy.c_str(), store_.LastError().c_str());
        return false;
    }
    size_t restored = 0;
    bool noted = false;
    if (store_.Begin() == NotifyOk) {
        for (const NotifyRecord& r : kept)
            restored += store_.Restore(r) == NotifyOk ? 1 : 0;
        // Clients tell their users until a rebuild answers the note.
        noted = store_.AddNote(SetAsideNote{copy, FormatLocal(clock::ToLocal(clock::RealNow()))}) == NotifyOk;
        if (store_.Commit() != NotifyOk) {
            restored = 0;
            noted = false;
        }
    }
    Log("%s is damaged (%s): moved aside as %s; the %zu notifications that could still be read are kept in a "
        "new store; the schedule is rebuilt from the alarms now",
        paths_.database.c_str(), cause.c_str(), copy.c_str(), restored);
    if (!noted)
        Log("the move could not be noted in the new store (%s): clients will not report it",
            store_.LastError().c_str());
    notesPending_ = notesPending_ || noted;
    // Back to the service's own durability.
    store_.Close();
    if (store_.Open(paths_.database, NotifyStore::SyncLazily) != NotifyOk) {
        Log("cannot open the new %s: %s", paths_.database.c_str(), store_.LastError().c_str());
        return false;
    }
    StartRebuild(kept);
    return true;
}

std::string NotifyDaemon::RebuildProgram(const std::vector<NotifyRecord>& kept)
{
    for (const NotifyRecord& r : kept) {
        const std::string& app = r.trigger.application;
        if (BaseName(app) == "dawnbell" && IsExecutableFile(app))
            return app;
    }
    const std::string beside = ProgramDir() + "/dawnbell";
    return IsExecutableFile(beside) ? beside : std::string();
}

void NotifyDaemon::StartRebuild(const std::vector<NotifyRecord>& kept)
{
    if (rebuildPid_ > 0) {
        // The running one may have read the store before this damage: once more after it.
        rebuildAgain_ = kept;
        rebuildAgainAsked_ = true;
        return;
    }
    const std::string program = RebuildProgram(kept);
    if (program.empty()) {
        Log("cannot rebuild the schedule: no program named dawnbell among the kept notifications or in %s; "
            "alarms missing from it ring only after Dawnbell is started again",
            ProgramDir().c_str());
        return;
    }
    pid_t pid = -1;
    int errFd = -1;
    if (const int err = SpawnHeadless(program, kRebuildVerb, &pid, &errFd); err != 0) {
        Log("cannot rebuild the schedule: starting %s %s failed: %s; alarms missing from it ring only after "
            "Dawnbell is started again",
            EscapeNotifyText(program).c_str(), kRebuildVerb, std::strerror(err));
        return;
    }
    rebuildPid_ = pid;
    rebuildErrFd_ = errFd;
    // Readable once the process ends; -1 on kernels before 5.3, which are polled.
    // (Called directly: the C library's wrapper is not declared for C++ everywhere.)
    rebuildPidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    rebuildProgram_ = program;
    rebuildErr_.clear();
    rebuildDeadlineMs_ = RealNowMs() + kRebuildTimeoutMs;
    Log("rebuilding the schedule from the alarms: started %s %s (process %d)", EscapeNotifyText(program).c_str(),
        kRebuildVerb, static_cast<int>(pid));
}

void NotifyDaemon::WatchRebuild()
{
    if (rebuildPid_ <= 0)
        return;
    if (rebuildErrFd_ >= 0) {
        char buf[512];
        ssize_t n;
        while ((n = ::read(rebuildErrFd_, buf, sizeof buf)) > 0) {
            const size_t room = kRebuildErrBytes - std::min(kRebuildErrBytes, rebuildErr_.size());
            rebuildErr_.append(buf, std::min(room, static_cast<size_t>(n)));
        }
        if (n == 0)
            CloseFd(&rebuildErrFd_); // every writer has closed it
    }
    int status = 0;
    pid_t got = ::waitpid(rebuildPid_, &status, WNOHANG);
    if (got == 0 && RealNowMs() >= rebuildDeadlineMs_) {
        ::kill(rebuildPid_, SIGKILL);
        while ((got = ::waitpid(rebuildPid_, &status, 0)) < 0 && errno == EINTR) {
        }
        Log("rebuilding the schedule failed: %s %s did not end within %lld s and was stopped",
            EscapeNotifyText(rebuildProgram_).c_str(), kRebuildVerb,
            static_cast<long long>(kRebuildTimeoutMs / 1000));
    } else if (got == rebuildPid_) {
        std::string err = EscapeNotifyText(rebuildErr_);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            Log("%s %s ended (%s)%s%s", EscapeNotifyText(rebuildProgram_).c_str(), kRebuildVerb,
                EndText(status).c_str(), err.empty() ? "" : ": ", err.c_str());
        else
            Log("rebuilding the schedule failed: %s %s ended with %s%s%s; alarms missing from the schedule ring "
                "only after Dawnbell is started again",
                EscapeNotifyText(rebuildProgram_).c_str(), kRebuildVerb, EndText(status).c_str(),
                err.empty() ? "" : ": ", err.c_str());
    } else if (got < 0 && errno != EINTR) {
        Log("cannot wait for %s %s: %s", EscapeNotifyText(rebuildProgram_).c_str(), kRebuildVerb,
            std::strerror(errno));
        got = rebuildPid_; // not ours to wait for any more
    } else {
        return; // still running
    }
    rebuildPid_ = -1;
    CloseFd(&rebuildPidFd_);
    CloseFd(&rebuildErrFd_);
    CheckNotes();
    if (rebuildAgainAsked_) {
        rebuildAgainAsked_ = false;
        std::vector<NotifyRecord> again = std::move(rebuildAgain_);
        rebuildAgain_.clear();
        StartRebuild(again);
    }
}

void NotifyDaemon::CheckNotes()
{
    if (!notesPending_)
        return;
    std::vector<SetAsideNote> notes;
    if (store_.Notes(&notes) != NotifyOk || !notes.empty())
        return;
    notesPending_ = false;
    std::vector<uint32_t> handles;
    store_.Handles(&handles);
    Log("the schedule has been rebuilt from the alarms after the damage (notifications stored: %zu)", handles.size());
}

int NotifyDaemon::PollTimeoutMs() const
{
    if (rebuildPid_ <= 0)
        return -1;
    const int64_t left = std::max<int64_t>(0, rebuildDeadlineMs_ - RealNowMs());
    const int64_t wait = rebuildPidFd_ >= 0 ? left : std::min<int64_t>(left, kRebuildPollMs);
    return static_cast<int>(std::min<int64_t>(wait, 60000));
}

int NotifyDaemon::Run()
{
    paths_ = CurrentDaemonPaths();
    if (paths_.deviceDir.empty()) {
        Log("no device directory");
        return ExitFailure;
    }
    if (!Acquire())
        return lockFd_ >= 0 ? ExitAlreadyRunning : ExitFailure;
    // Only the one service of the device directory writes its log.
    log_.SetPath(paths_.log);
    Log("serving %s as process id %d", paths_.deviceDir.c_str(), static_cast<int>(::getpid()));
    // Leave the starter's working folder, so the service (and every program it
    // starts) holds no folder busy; the paths above are absolute then.
    if (paths_.deviceDir[0] == '/' && !paths_.socket.empty() && paths_.socket[0] == '/' && ::chdir("/") != 0)
        Log("cannot change to /: %s", std::strerror(errno));
    if (!Listen())
        return ExitFailure;
    OpenTimer();
    if (timerFd_ < 0) {
        Log("no timer: %s; ending", std::strerror(errno));
        return ExitFailure;
    }
    WatchZone();
    // The store is read only now, after the socket listens: anything stored before
    // is seen below, anything stored later sends a wake-up.
    if (!OpenChecked()) {
        Log("no usable %s; ending", paths_.database.c_str());
        return ExitFailure;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // A store set aside before this service started (by one that ended before the
    // rebuild did) and not noted just now: rebuild now.
    if (std::vector<SetAsideNote> notes; !notesPending_ && store_.Notes(&notes) == NotifyOk && !notes.empty()) {
        notesPending_ = true;
        Log("%s was set aside as %s and the schedule has not been rebuilt since", paths_.database.c_str(),
            notes.back().copy.c_str());
        std::vector<StoredRecord> rows;
        std::vector<NotifyRecord> records;
        if (store_.All(&rows) == NotifyOk) {
            for (const StoredRecord& r : rows) {
                if (r.valid)
                    records.push_back(r.record);
            }
        }
        StartRebuild(records);
    }

    int failures = 0;
    for (;;) {
        const bool served = Serve();
        // A failure is taken for damage only when a check of the file agrees.
        if (!served && store_.Damaged() && failures < 5 && store_.Check() != NotifyOk && store_.Damaged()) {
            ++failures;
            if (!Recover()) {
                Log("no usable %s; ending", paths_.database.c_str());
                return ExitFailure;
            }
            continue; // serve the new store at once
        }
        if (!served) {
            // A busy store: try again shortly instead of spinning.
            Log("cannot read %s: %s", paths_.database.c_str(), store_.LastError().c_str());
            if (++failures > 5) {
                Log("the store stays unreadable; ending");
                return ExitFailure;
            }
            Arm(RealNowMs() + 1000);
        } else {
            failures = 0;
            CheckNotes();
        }
        struct pollfd fds[5];
        nfds_t count = 0;
        for (int fd : {sockFd_, timerFd_, watchFd_, rebuildPidFd_, rebuildErrFd_}) {
            if (fd >= 0)
                fds[count++] = {fd, POLLIN, 0};
        }
        int n;
        do {
            n = ::poll(fds, count, PollTimeoutMs());
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            Log("poll failed: %s; ending", std::strerror(errno));
            return ExitFailure;
        }
        Drain();
        WatchRebuild();
        if (checkAsked_) {
            checkAsked_ = false;
            // Reopened, so nothing is served from pages cached before the damage.
            if (!OpenChecked()) {
                Log("no usable %s; ending", paths_.database.c_str());
                return ExitFailure;
            }
        }
        if (quit_) {
            // Without its device directory or lock file the service would hold on
            // to records nobody can see, or run beside a newly started one.
            Log("the device directory %s or its lock file is gone; ending", paths_.deviceDir.c_str());
            return ExitOk;
        }
    }
}

} // namespace dawnbell::notify
