#include "NotifyDaemon.h"

#include "ArmPlan.h"
#include "DevicePaths.h"
#include "ExitSignalPipe.h"
#include "NotifyCommandLine.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
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

// How much of dawnbell.log is read back for the last line a failed program
// wrote, and how long that line may be in notifyd.log.
constexpr size_t kLastLineScanBytes = 4096;
constexpr size_t kLastLineBytes = 300;
// How often a started program's end is looked at when the kernel offers no
// process descriptor.
constexpr int kEndPollMs = 100;
// The variable that tells a started program when its record was due (local
// time, "YYYY-MM-DDTHH:MM:SS").
constexpr const char* kDueVariable = "DAWNBELL_DUE";

// The rebuild of the schedule after a damaged store: the program's own verb and
// the longest it may take (10,000 alarms take about a second).
constexpr const char* kRebuildVerb = "reinit";
constexpr int64_t kRebuildTimeoutMs = 120000;

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

// The service's own environment, "NAME=value" entries.
std::vector<std::string> OwnEnvironment()
{
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        env.emplace_back(*e);
    return env;
}

// A log line without the time stamp LogFile puts before it (unchanged when it
// has none).
std::string WithoutTimestamp(const std::string& line)
{
    // "YYYY-MM-DD HH:MM:SS.mmm +zzzz " as LogFile writes it.
    static const char kShape[] = "dddd-dd-dd dd:dd:dd.ddd +dddd ";
    const size_t n = sizeof kShape - 1;
    if (line.size() < n)
        return line;
    for (size_t i = 0; i < n; ++i) {
        const char c = line[i];
        const bool ok = kShape[i] == 'd' ? (c >= '0' && c <= '9') : (c == kShape[i] || (kShape[i] == '+' && c == '-'));
        if (!ok)
            return line;
    }
    return line.substr(n);
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

NotifyDaemon::Start::~Start() { CloseFd(&logFd); }

NotifyDaemon::~NotifyDaemon()
{
    // A rebuild or a started program still running goes on on its own.
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
    if (!IsExecutableFile(t.application)) {
        Log("notification %u due %s removed: %s [%s] cannot be started (not an executable file)", record.handle,
            due.c_str(), EscapeNotifyText(t.application).c_str(), EscapeNotifyText(t.arguments).c_str());
        RecordMissed(record.handle, t.application, t.arguments, due, "the program is not an executable file");
        return;
    }
    // Looked up once for all the records due now, at the moment they are due.
    if (!session_) {
        session_ = FindSessionDisplay();
        for (const std::string& line : session_->passedOver)
            Log("looking for the display: %s", EscapeNotifyText(line).c_str());
    }
    auto start = std::make_unique<Start>();
    start->handle = record.handle;
    start->due = due;
    start->application = t.application;
    start->arguments = t.arguments;
    start->environment = SessionEnvironment(OwnEnvironment(), *session_);
    // The moment the start was due, so a program started long after it (the
    // device was asleep, the service stopped) can tell a late start.
    const std::string dueVariable = std::string(kDueVariable) + "=";
    start->environment.erase(std::remove_if(start->environment.begin(), start->environment.end(),
                                            [&](const std::string& e) { return e.rfind(dueVariable, 0) == 0; }),
                             start->environment.end());
    char dueText[40];
    std::snprintf(dueText, sizeof dueText, "%04d-%02d-%02dT%02d:%02d:%02d", t.start.year, t.start.month, t.start.day,
                  t.start.hour, t.start.minute, t.start.second);
    start->environment.push_back(dueVariable + dueText);
    Launch(std::move(start), EscapeNotifyText(session_->Describe()));
}

bool NotifyDaemon::Launch(std::unique_ptr<Start> start, const std::string& how)
{
    Start& s = *start;
    const std::string program = EscapeNotifyText(s.application);
    const std::string argument = EscapeNotifyText(s.arguments);
    s.logFd = programLog_.OpenForAppend();
    if (s.logFd < 0) {
        Log("cannot open %s (%s): the standard error of %s [%s] is discarded", programLog_.path().c_str(),
            std::strerror(errno), program.c_str(), argument.c_str());
        s.logFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    } else {
        struct stat st;
        s.logOffset = ::fstat(s.logFd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
    }
    process::ChildProcess::Setup setup;
    setup.environment = s.environment;
    setup.errorFd = s.logFd;
    setup.reportChannel = true;
    std::vector<std::string> args;
    if (!s.arguments.empty())
        args.push_back(s.arguments);
    const int err = s.logFd < 0 ? errno : s.child.Start(s.application, args, setup);
    if (err != 0) {
        Log("notification %u due %s: starting %s [%s] %sfailed: %s", s.handle, s.due.c_str(), program.c_str(),
            argument.c_str(), s.retry ? "again without a display " : "", std::strerror(err));
        RecordMissed(s.handle, s.application, s.arguments, s.due,
                     std::string("the program could not be started: ") + std::strerror(err));
        return false;
    }
    s.deadlineMs = RealNowMs() + StartTimeoutMs();
    Log("notification %u due %s: started %s [%s] (process %d) %s", s.handle, s.due.c_str(), program.c_str(),
        argument.c_str(), static_cast<int>(s.child.Pid()), how.c_str());
    starts_.push_back(std::move(start));
    return true;
}

void NotifyDaemon::WatchStarts()
{
    // A retry started below is looked at from the next wake-up on.
    const size_t count = starts_.size();
    for (size_t i = 0; i < count; ++i) {
        Start& s = *starts_[i];
        const bool ended = s.child.Update();
        const std::string program = EscapeNotifyText(s.application);
        const std::string argument = EscapeNotifyText(s.arguments);
        const int pid = static_cast<int>(s.child.Pid());
        if (!s.settled) {
            if (s.child.Reported()) {
                s.settled = true;
                Log("notification %u: %s [%s] (process %d) has taken the alarm in hand", s.handle, program.c_str(),
                    argument.c_str(), pid);
            } else if (ended && s.child.Succeeded()) {
                s.settled = true;
                Log("notification %u: %s [%s] (process %d) ended (%s)", s.handle, program.c_str(), argument.c_str(),
                    pid, process::EndText(s.child.Status()).c_str());
            } else if (ended) {
                s.settled = true;
                std::string reason = "it ended with " + process::EndText(s.child.Status());
                const std::string last = LastLogLine(s);
                if (!last.empty())
                    reason += "; its last words: \"" + last + "\"";
                StartFailed(s, reason);
            } else if (RealNowMs() >= s.deadlineMs) {
                s.settled = true;
                s.child.Kill();
                StartFailed(s, "it neither reported nor ended within " + std::to_string(StartTimeoutMs() / 1000) +
                                   " s and was stopped");
            }
        }
        // Reaped (now or in the same look as its report) after it had reported.
        if (ended && s.settled && s.child.Reported() && !s.child.Succeeded()) {
            Log("notification %u: %s [%s] (process %d) ended with %s after it had taken the alarm in hand",
                s.handle, program.c_str(), argument.c_str(), pid, process::EndText(s.child.Status()).c_str());
        }
    }
    starts_.erase(std::remove_if(starts_.begin(), starts_.end(),
                                 [](const std::unique_ptr<Start>& s) { return s->settled && s->child.Ended(); }),
                  starts_.end());
}

void NotifyDaemon::StartFailed(Start& start, const std::string& reason)
{
    const std::string program = EscapeNotifyText(start.application);
    const std::string argument = EscapeNotifyText(start.arguments);
    const int pid = static_cast<int>(start.child.Pid());
    if (start.retry || !NamesDisplay(start.environment)) {
        Log("notification %u: %s [%s] (process %d) failed before it took the alarm in hand: %s; %s", start.handle,
            program.c_str(), argument.c_str(), pid, reason.c_str(),
            start.retry ? "it failed without a display too: the alarm could not be rung"
                        : "it had no display to lose: not started again");
        RecordMissed(start.handle, start.application, start.arguments, start.due,
                     "the program failed before it took the alarm in hand: " + reason);
        return;
    }
    Log("notification %u: %s [%s] (process %d) failed before it took the alarm in hand: %s; starting it again "
        "without a display",
        start.handle, program.c_str(), argument.c_str(), pid, reason.c_str());
    auto retry = std::make_unique<Start>();
    retry->handle = start.handle;
    retry->due = start.due;
    retry->application = start.application;
    retry->arguments = start.arguments;
    retry->environment = HeadlessEnvironment(start.environment);
    retry->retry = true;
    Launch(std::move(retry), "again without a display");
}

void NotifyDaemon::RecordMissed(uint32_t handle, const std::string& application, const std::string& arguments,
                                const std::string& due, const std::string& reason)
{
    const std::optional<int64_t> dueMoment = clock::ParseLocal(due.c_str());
    if (arguments.empty() || !dueMoment)
        return;
    MissedAlarm missed;
    missed.application = application;
    missed.arguments = arguments;
    missed.due = clock::ToLocal(*dueMoment);
    missed.due.milliseconds = 0;
    missed.noticed = RealNowMs() / 1000;
    missed.reason = reason;
    bool added = false;
    if (store_.AddMissed(missed, &added) != NotifyOk)
        Log("notification %u: the missed alarm could not be recorded: %s", handle, store_.LastError().c_str());
    else if (added)
        Log("notification %u: recorded as a missed alarm, for the program to tell", handle);
}

std::string NotifyDaemon::LastLogLine(const Start& start)
{
    struct stat st;
    if (start.logFd < 0 || ::fstat(start.logFd, &st) != 0 || st.st_size <= start.logOffset)
        return std::string();
    const int64_t from = std::max<int64_t>(start.logOffset, st.st_size - static_cast<int64_t>(kLastLineScanBytes));
    std::string text(static_cast<size_t>(st.st_size - from), '\0');
    const ssize_t n = ::pread(start.logFd, text.data(), text.size(), static_cast<off_t>(from));
    if (n <= 0)
        return std::string();
    text.resize(static_cast<size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    const size_t newline = text.rfind('\n');
    std::string line = WithoutTimestamp(newline == std::string::npos ? text : text.substr(newline + 1));
    if (line.size() > kLastLineBytes)
        line = line.substr(0, kLastLineBytes) + "...";
    return EscapeNotifyText(line);
}

int64_t NotifyDaemon::StartTimeoutMs()
{
    if (const char* text = std::getenv("DAWNBELL_START_TIMEOUT")) {
        char* end = nullptr;
        const long seconds = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && seconds >= 1 && seconds <= 3600)
            return static_cast<int64_t>(seconds) * 1000;
    }
    return kStartTimeoutMs;
}

size_t NotifyDaemon::UnsettledStarts() const
{
    return static_cast<size_t>(std::count_if(starts_.begin(), starts_.end(),
                                             [](const std::unique_ptr<Start>& s) { return !s->settled; }));
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
    // The session is looked up afresh for the records due at this wake-up.
    session_.reset();
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
    if (rebuild_) {
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
    // Without a display, its standard error read through a pipe for the log.
    process::ChildProcess::Setup setup;
    setup.environment = HeadlessEnvironment(OwnEnvironment());
    setup.environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    auto child = std::make_unique<process::ChildProcess>();
    if (const int err = child->Start(program, {kRebuildVerb}, setup); err != 0) {
        Log("cannot rebuild the schedule: starting %s %s failed: %s; alarms missing from it ring only after "
            "Dawnbell is started again",
            EscapeNotifyText(program).c_str(), kRebuildVerb, std::strerror(err));
        return;
    }
    rebuild_ = std::move(child);
    rebuildProgram_ = program;
    rebuildDeadlineMs_ = RealNowMs() + kRebuildTimeoutMs;
    Log("rebuilding the schedule from the alarms: started %s %s (process %d)", EscapeNotifyText(program).c_str(),
        kRebuildVerb, static_cast<int>(rebuild_->Pid()));
}

void NotifyDaemon::WatchRebuild()
{
    if (!rebuild_)
        return;
    const std::string program = EscapeNotifyText(rebuildProgram_);
    if (!rebuild_->Update() && RealNowMs() >= rebuildDeadlineMs_) {
        rebuild_->Kill();
        Log("rebuilding the schedule failed: %s %s did not end within %lld s and was stopped", program.c_str(),
            kRebuildVerb, static_cast<long long>(kRebuildTimeoutMs / 1000));
    } else if (rebuild_->Ended()) {
        const std::string err = EscapeNotifyText(rebuild_->ErrorText());
        const std::string end = process::EndText(rebuild_->Status());
        if (rebuild_->Succeeded())
            Log("%s %s ended (%s)%s%s", program.c_str(), kRebuildVerb, end.c_str(), err.empty() ? "" : ": ",
                err.c_str());
        else
            Log("rebuilding the schedule failed: %s %s ended with %s%s%s; alarms missing from the schedule ring "
                "only after Dawnbell is started again",
                program.c_str(), kRebuildVerb, end.c_str(), err.empty() ? "" : ": ", err.c_str());
    } else {
        return; // still running
    }
    rebuild_.reset();
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
    const int64_t now = RealNowMs();
    std::optional<int64_t> wait;
    auto atMost = [&](int64_t ms) { wait = std::min(wait.value_or(ms), std::max<int64_t>(0, ms)); };
    if (rebuild_) {
        atMost(rebuildDeadlineMs_ - now);
        if (!rebuild_->EndIsSignalled())
            atMost(kEndPollMs);
    }
    for (const std::unique_ptr<Start>& s : starts_) {
        if (!s->settled)
            atMost(s->deadlineMs - now);
        if (!s->child.EndIsSignalled())
            atMost(kEndPollMs);
    }
    return wait ? static_cast<int>(std::min<int64_t>(*wait, 60000)) : -1;
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
    programLog_.SetPath(paths_.programLog);
    Log("serving %s as process id %d", paths_.deviceDir.c_str(), static_cast<int>(::getpid()));
    // From now on an exit signal lets the starts in question be settled first.
    exitSignalFd_ = process::InstallExitSignalPipe();
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
        if (stopSignal_ != 0 && UnsettledStarts() == 0) {
            Log("%s received; ending", process::ExitSignalName(stopSignal_));
            return ExitOk;
        }
        std::vector<struct pollfd> fds;
        for (int fd : {sockFd_, timerFd_, watchFd_, exitSignalFd_}) {
            if (fd >= 0)
                fds.push_back({fd, POLLIN, 0});
        }
        if (rebuild_)
            rebuild_->AddPollFds(&fds);
        for (const std::unique_ptr<Start>& s : starts_)
            s->child.AddPollFds(&fds);
        int n;
        do {
            n = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), PollTimeoutMs());
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            Log("poll failed: %s; ending", std::strerror(errno));
            return ExitFailure;
        }
        Drain();
        WatchRebuild();
        WatchStarts();
        if (const int signo = process::ReadExitSignal(); signo != 0 && stopSignal_ == 0) {
            stopSignal_ = signo;
            if (const size_t open = UnsettledStarts(); open > 0)
                Log("%s received; ending once the programs started and not yet heard from (%zu) have taken their "
                    "alarms in hand or ended (at most %lld s)",
                    process::ExitSignalName(signo), open, static_cast<long long>(StartTimeoutMs() / 1000));
        }
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
