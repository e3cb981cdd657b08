#include "AlarmDoctor.h"

#include "Alarm.h"
#include "AlarmList.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "DaemonLink.h"
#include "DevicePaths.h"
#include "MissedAlarms.h"
#include "Notify.h"
#include "Process.h"
#include "Registry.h"
#include "ServiceProbe.h"
#include "SessionDisplay.h"
#include "UserService.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/wait.h>

#include <algorithm>
#include <memory>

namespace dawnbell::cli {

namespace {

// The marker between a finding and its fix.
const QString kFixMark = QStringLiteral(" — fix: ");
// Most missed alarms, and most unscheduled alarms, named one by one.
constexpr int kMaxNamed = 10;
// Longest autostart entry read (bytes).
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// A UTF-8 text of the platform layer as a QString.
QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// A title for one line: its first line, at most 60 characters, quoted.
QString Quoted(const QString& text)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    line.remove(QLatin1Char('\r'));
    if (line.size() > 60)
        line = line.left(57) + QStringLiteral("...");
    return QLatin1Char('"') + line + QLatin1Char('"');
}

// An alarm for a line: its key, and its title when it has one.
QString AlarmName(Alarm& alarm)
{
    return alarm.title.trimmed().isEmpty() ? alarm.GetKey() : alarm.GetKey() + QLatin1Char(' ') + Quoted(alarm.title);
}

// A broken-down local time as "YYYY-MM-DD HH:MM:SS".
QString TimeText(const clock::LocalTime& t)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// Whether two broken-down times name the same second (day of week and
// milliseconds aside).
bool SameSecond(const clock::LocalTime& a, const clock::LocalTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

// The systemctl that answers for the user's service manager.
std::string Systemctl()
{
    const QByteArray custom = qgetenv("DAWNBELL_SYSTEMCTL");
    return custom.isEmpty() ? std::string("systemctl") : custom.toStdString();
}

// What an autostart entry says about itself: empty when it starts the service
// at login, else why it does not.
QString AutostartOff(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read");
    const QList<QByteArray> lines = file.read(kMaxEntryBytes).split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return QStringLiteral("is switched off (%1)").arg(QString::fromUtf8(line));
    }
    return QString();
}

// Puts the variables a process started with in place of ours while it lives,
// for the lookups that read them from the environment of the process asking:
// the display lookup then sees what the notification service sees.
class BorrowedEnvironment {
public:
    BorrowedEnvironment(const std::vector<std::string>& from, std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            kept_.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
            QByteArray value;
            bool set = false;
            const std::string prefix = std::string(name) + "=";
            for (const std::string& entry : from) {
                if (entry.compare(0, prefix.size(), prefix) == 0) {
                    value = QByteArray::fromStdString(entry.substr(prefix.size()));
                    set = true;
                }
            }
            if (set)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }
    ~BorrowedEnvironment()
    {
        for (const Kept& k : kept_) {
            if (k.set)
                qputenv(k.name, k.value);
            else
                qunsetenv(k.name);
        }
    }
    BorrowedEnvironment(const BorrowedEnvironment&) = delete;
    BorrowedEnvironment& operator=(const BorrowedEnvironment&) = delete;

private:
    struct Kept {
        const char* name;
        bool set;
        QByteArray value;
    };
    std::vector<Kept> kept_;
};

} // namespace

const AlarmDoctor::Check AlarmDoctor::kChecks[] = {
    {"store", &AlarmDoctor::CheckStore,
     "open Dawnbell once: it sets a damaged store aside and starts on a fresh one"},
    {"service", &AlarmDoctor::CheckService, "start it: open Dawnbell"},
    {"login", &AlarmDoctor::CheckLogin, "install the service: dawnbell-install install"},
    {"display", &AlarmDoctor::CheckDisplay,
     "log in to a desktop session; one that does not tell the service manager its display can: systemctl --user "
     "import-environment DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE"},
    {"sound", &AlarmDoctor::CheckSound,
     "start the sound server (systemctl --user start pipewire-pulse.socket, or pulseaudio --start) or connect a "
     "sound device"},
    {"wake", &AlarmDoctor::CheckWake, "sudo setcap cap_wake_alarm+ep on the service's binary, then restart it"},
    {"schedule", &AlarmDoctor::CheckSchedule, "rebuild the schedule: dawnbell reinit"},
    {"missed", &AlarmDoctor::CheckMissed, "open Dawnbell and tap its status line to mark them seen"},
};

AlarmDoctor::AlarmDoctor(QString programPath) : programPath_(std::move(programPath)) {}

std::vector<AlarmDoctor::Finding> AlarmDoctor::Examine()
{
    findings_.clear();
    daemonPid_ = notify::NotifyDaemonPid();
    daemonUnit_ = daemonPid_ > 0 ? Q(notify::ProcessUnit(daemonPid_)) : QString();
    for (const Check& check : kChecks) {
        current_ = &check;
        (this->*check.run)();
    }
    current_ = nullptr;
    return findings_;
}

int AlarmDoctor::Report(QTextStream& out, bool json)
{
    const std::vector<Finding> findings = Examine();
    const int problems = static_cast<int>(std::count_if(
        findings.begin(), findings.end(), [](const Finding& f) { return f.verdict == Verdict::Problem; }));
    if (json) {
        QJsonArray checks;
        for (const Finding& f : findings) {
            QJsonObject o;
            o[QStringLiteral("check")] = f.check;
            o[QStringLiteral("status")] = f.verdict == Verdict::Ok        ? QStringLiteral("ok")
                                          : f.verdict == Verdict::Warning ? QStringLiteral("warning")
                                                                          : QStringLiteral("problem");
            o[QStringLiteral("text")] = f.text;
            o[QStringLiteral("fix")] = f.fix;
            checks.append(o);
        }
        QJsonObject root;
        root[QStringLiteral("healthy")] = problems == 0;
        root[QStringLiteral("problems")] = problems;
        root[QStringLiteral("checks")] = checks;
        out << QJsonDocument(root).toJson(QJsonDocument::Indented);
    } else {
        for (const Finding& f : findings) {
            switch (f.verdict) {
            case Verdict::Ok:
                out << "ok: " << f.text << '\n';
                break;
            case Verdict::Warning:
                out << "warning: " << f.text << kFixMark << f.fix << '\n';
                break;
            case Verdict::Problem:
                out << "problem: " << f.text << kFixMark << f.fix << '\n';
                break;
            }
        }
    }
    return problems == 0 ? 0 : 1;
}

void AlarmDoctor::Add(Verdict verdict, const QString& text, const QString& fix)
{
    Finding f{QLatin1String(current_->name), verdict, text, QString()};
    if (verdict != Verdict::Ok)
        f.fix = fix.isEmpty() ? QLatin1String(current_->fix) : fix;
    // Every finding stays one line, whatever a stored title or path holds.
    for (QString* s : {&f.text, &f.fix}) {
        s->replace(QLatin1Char('\n'), QLatin1Char(' '));
        s->replace(QLatin1Char('\r'), QLatin1Char(' '));
    }
    findings_.push_back(std::move(f));
}

QString AlarmDoctor::RestartHint() const
{
    if (!daemonUnit_.isEmpty())
        return QStringLiteral("restart the service: systemctl --user restart ") + daemonUnit_;
    if (daemonPid_ > 0)
        return QStringLiteral("restart the service: kill %1, then %2").arg(daemonPid_).arg(RebuildCommand());
    return QStringLiteral("start the service: ") + RebuildCommand();
}

QString AlarmDoctor::RebuildCommand() const
{
    return programPath_ + QStringLiteral(" reinit");
}

// --- the checks ----------------------------------------------------------------

void AlarmDoctor::CheckStore()
{
    const RegStoreStatus status = RegCheckStore();
    const QString file = Q(status.file.empty() ? DeviceDir() + "/registry.db" : status.file);
    storeReadable_ = status.fault == RegFault::None || status.fault == RegFault::ReadOnly;
    if (status.fault == RegFault::None) {
        Add(Verdict::Ok, QStringLiteral("the alarm store %1 can be read and written").arg(file));
    } else if (status.fault == RegFault::ReadOnly) {
        Add(Verdict::Warning,
            QStringLiteral("the alarm store %1 is read-only: alarms ring, but nothing after a ringing (a one-time "
                           "alarm switched off, the next one scheduled) can be saved")
                .arg(file),
            QStringLiteral("make it writable: chmod u+w %1").arg(file));
    } else {
        Add(Verdict::Problem,
            QStringLiteral("the alarm store cannot be used: %1; no alarm can be read from it").arg(Q(RegFaultText(status))));
    }
}

void AlarmDoctor::CheckService()
{
    const notify::DaemonPaths paths = notify::CurrentDaemonPaths();
    if (daemonPid_ == 0) {
        QString fix = QStringLiteral("open Dawnbell, or run %1 (it rebuilds the schedule and starts the service)")
                          .arg(RebuildCommand());
        if (QFileInfo::exists(Q(install::UserService::UnitPath())))
            fix = QStringLiteral("systemctl --user start ") + QLatin1String(install::UserService::kUnitName);
        if (notify::NotifyDaemonBinary().empty())
            fix = QStringLiteral("no dawnbell-notifyd is installed beside Dawnbell: reinstall Dawnbell "
                                 "(dawnbell-install install)");
        Add(Verdict::Problem,
            QStringLiteral("the notification service is not running for %1: no alarm rings while it is stopped")
                .arg(Q(paths.deviceDir)),
            fix);
        return;
    }
    if (daemonPid_ < 0) {
        Add(Verdict::Ok, QStringLiteral("the notification service runs (in another process namespace; its "
                                        "process cannot be looked at from here)"));
        return;
    }
    const QString binary = Q(notify::ProcessExecutable(daemonPid_));
    const QString who = !daemonUnit_.isEmpty()
        ? QStringLiteral("started by the systemd user unit %1").arg(daemonUnit_)
        : QFileInfo::exists(Q(install::UserService::AutostartPath()))
        ? QStringLiteral("started on demand (by Dawnbell or dawnbell-alarm) or at login by the autostart entry")
        : QStringLiteral("started on demand (by Dawnbell or dawnbell-alarm) or by hand");
    Add(Verdict::Ok, QStringLiteral("the notification service runs (process %1%2), %3")
                         .arg(QString::number(daemonPid_),
                              binary.isEmpty() ? QString() : QStringLiteral(", ") + binary, who));
}

void AlarmDoctor::CheckLogin()
{
    const QString unit = QLatin1String(install::UserService::kUnitName);
    // The service manager's own answer; "disabled" means the unit is installed.
    std::string answer;
    int status = 0;
    const int rc = process::RunForOutput(Systemctl(), {"--user", "is-enabled", install::UserService::kUnitName},
                                         kAskTimeoutMs, 4096, &answer, &status);
    const QString state = rc == 0 ? Q(answer).section(QLatin1Char('\n'), 0, 0).trimmed() : QString();
    if (rc == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
        (state == QLatin1String("enabled") || state == QLatin1String("enabled-runtime") ||
         state == QLatin1String("linked"))) {
        Add(Verdict::Ok, QStringLiteral("the systemd user unit %1 is %2: the service starts at login").arg(unit, state));
        return;
    }
    const QString autostart = Q(install::UserService::AutostartPath());
    const bool haveEntry = QFileInfo::exists(autostart);
    const QString entryOff = haveEntry ? AutostartOff(autostart) : QString();
    if (haveEntry && entryOff.isEmpty()) {
        Add(Verdict::Ok, QStringLiteral("the autostart entry %1 starts the service at login").arg(autostart));
        return;
    }
    if (haveEntry) {
        Add(Verdict::Problem,
            QStringLiteral("the autostart entry %1 %2: after a reboot no alarm rings until Dawnbell is opened")
                .arg(autostart, entryOff));
        return;
    }
    if (state == QLatin1String("disabled")) {
        Add(Verdict::Problem,
            QStringLiteral("the systemd user unit %1 is installed but not enabled: after a reboot no alarm rings "
                           "until Dawnbell is opened")
                .arg(unit),
            QStringLiteral("systemctl --user enable --now ") + unit);
        return;
    }
    Add(Verdict::Problem, QStringLiteral("nothing starts the service at login (no enabled unit %1, no autostart "
                                         "entry %2): after a reboot no alarm rings until Dawnbell is opened")
                              .arg(unit, autostart));
}

void AlarmDoctor::CheckDisplay()
{
    // The service looks for the session at each start: the service manager,
    // logind, then its own environment. The last is the running service's, or,
    // with none running, this shell's (where a start on demand would inherit it).
    notify::SessionDisplay session;
    QString qtPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (daemonPid_ > 0) {
        const std::vector<std::string> environment = notify::ProcessEnvironment(daemonPid_);
        BorrowedEnvironment borrowed(environment, {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"});
        qtPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
        session = notify::FindSessionDisplay();
    } else {
        session = notify::FindSessionDisplay();
    }
    if (session.source != notify::SessionDisplay::NoDisplay) {
        Add(Verdict::Ok, QStringLiteral("an alarm ringing now opens its window %1").arg(Q(session.Describe())));
        return;
    }
    QString why = Q(session.Describe());
    const QString lead = QStringLiteral("without a display: ");
    if (why.startsWith(lead))
        why.remove(0, lead.size());
    for (const std::string& line : session.passedOver)
        why += QStringLiteral("; ") + Q(line);
    if (!qtPlatform.isEmpty())
        why += QStringLiteral("; the service's QT_QPA_PLATFORM=%1 is all Dawnbell is given").arg(qtPlatform);
    Add(Verdict::Warning,
        QStringLiteral("an alarm ringing now would ring without a display (sound only; 'dawnbell-alarm stop' or "
                       "'snooze' end it): %1")
            .arg(why));
}

void AlarmDoctor::CheckSound()
{
    const notify::SoundOutput output = notify::FindSoundOutput(kAskTimeoutMs);
    switch (output.kind) {
    case notify::SoundOutput::SoundServer:
        Add(Verdict::Ok, QStringLiteral("sound output: the sound server %1").arg(Q(output.name)));
        break;
    case notify::SoundOutput::AlsaCard:
        Add(Verdict::Ok, QStringLiteral("sound output: no sound server answers; ALSA %1").arg(Q(output.name)));
        break;
    case notify::SoundOutput::None:
        Add(Verdict::Problem, QStringLiteral("no sound output: %1; an alarm would ring silently").arg(Q(output.name)));
        break;
    }
}

void AlarmDoctor::CheckWake()
{
    // The binary of the running service, else the one a start would run.
    QString binary = daemonPid_ > 0 ? Q(notify::ProcessExecutable(daemonPid_)) : QString();
    const QString deleted = QStringLiteral(" (deleted)");
    if (binary.endsWith(deleted))
        binary.chop(deleted.size());
    if (binary.isEmpty())
        binary = Q(notify::NotifyDaemonBinary());
    const notify::ArmedClock armed = notify::LastArmedClock(notify::CurrentDaemonPaths().log);
    const QString start = daemonPid_ != 0 ? QStringLiteral("at its start") : QStringLiteral("at its last start");
    const QString setcap = QStringLiteral("sudo setcap cap_wake_alarm+ep %1, then %2")
                               .arg(binary.isEmpty() ? QStringLiteral("dawnbell-notifyd") : binary, RestartHint());

    if (armed.clock == "CLOCK_REALTIME_ALARM") {
        Add(Verdict::Ok, QStringLiteral("the service armed CLOCK_REALTIME_ALARM %1 (%2): alarms wake a suspended "
                                        "device")
                             .arg(start, Q(armed.when)));
        return;
    }
    const notify::WakeCapability cap =
        binary.isEmpty() ? notify::WakeCapability{} : notify::FileWakeCapability(binary.toStdString());
    if (!armed.clock.empty()) {
        if (cap.state == notify::WakeCapability::Granted)
            Add(Verdict::Warning,
                QStringLiteral("the service armed %1 %2 (%3) although %4 has cap_wake_alarm: alarms will not wake "
                               "a suspended device")
                    .arg(Q(armed.clock), start, Q(armed.when), binary),
                RestartHint());
        else
            Add(Verdict::Warning,
                QStringLiteral("the service armed %1 %2 (%3) and %4 lacks cap_wake_alarm: alarms will not wake a "
                               "suspended device")
                    .arg(Q(armed.clock), start, Q(armed.when), binary),
                setcap);
        return;
    }
    // No start logged yet: the binary alone tells.
    switch (cap.state) {
    case notify::WakeCapability::Granted:
        Add(Verdict::Ok, QStringLiteral("%1 has cap_wake_alarm: the service can wake a suspended device").arg(binary));
        break;
    case notify::WakeCapability::Missing:
        Add(Verdict::Warning,
            QStringLiteral("%1 lacks cap_wake_alarm: alarms will not wake a suspended device").arg(binary), setcap);
        break;
    case notify::WakeCapability::Unknown:
        Add(Verdict::Warning,
            binary.isEmpty()
                ? QStringLiteral("no dawnbell-notifyd is found, so whether alarms wake a suspended device is unknown")
                : QStringLiteral("the capabilities of %1 cannot be read (%2), so whether alarms wake a suspended "
                                 "device is unknown")
                      .arg(binary, Q(cap.detail)),
            setcap);
        break;
    }
}

void AlarmDoctor::CheckSchedule()
{
    if (!storeReadable_)
        return; // the store's own line says it all
    const notify::DaemonPaths paths = notify::CurrentDaemonPaths();
    std::vector<notify::NotifyRecord> records;
    if (notify::NotifyList(&records) != notify::NotifyOk) {
        Add(Verdict::Problem,
            QStringLiteral("the schedule %1 cannot be read: the service starts no alarm from it").arg(Q(paths.database)),
            QStringLiteral("rebuild the schedule: ") + RebuildCommand());
        return;
    }
    std::vector<notify::SetAsideNote> notes;
    if (notify::NotifySetAsideNotes(&notes) == notify::NotifyOk && !notes.empty())
        Add(Verdict::Problem,
            QStringLiteral("the schedule was damaged and set aside as %1 (%2) and has not been rebuilt since: alarms "
                           "may be missing from it")
                .arg(Q(notes.back().copy), Q(notes.back().at)),
            QStringLiteral("rebuild the schedule: ") + RebuildCommand());

    std::vector<std::unique_ptr<Alarm>> alarms;
    std::vector<std::unique_ptr<AlarmTemplate>> templates;
    AlarmStore::LoadAll(&alarms, &templates);
    // The active alarms still ahead, soonest first (an appointment whose moment
    // has passed rings no more; the missed check tells of it).
    // Each remaining time once, all seen at one moment.
    const int64_t now = clock::Now();
    std::vector<std::pair<int64_t, Alarm*>> soonest;
    for (auto& a : alarms) {
        const int64_t remaining = a->NextRingingAt(now) - now;
        if (a->activated && remaining > 0)
            soonest.emplace_back(remaining, a.get());
    }
    std::stable_sort(soonest.begin(), soonest.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Alarm*> ahead;
    for (const auto& s : soonest)
        ahead.push_back(s.second);
    if (ahead.empty()) {
        Add(Verdict::Ok, QStringLiteral("no alarm is switched on, so none is due"));
        return;
    }

    QStringList unscheduled; // the other alarms without their start
    for (size_t i = 0; i < ahead.size(); ++i) {
        Alarm& alarm = *ahead[i];
        const QString key = alarm.GetKey();
        const clock::LocalTime due = alarm.GetNextOccurrence();
        const notify::NotifyRecord* exact = nullptr;   // its start at its time
        const notify::NotifyRecord* earlier = nullptr; // a start before it: a snooze, or one due and not yet made
        const notify::NotifyRecord* later = nullptr;   // a start after its time only
        const int64_t dueMoment = clock::FromLocal(due);
        for (const notify::NotifyRecord& r : records) {
            if (Q(r.trigger.arguments) != key || !Q(r.trigger.application).toUpper().contains(QLatin1String("DAWNBELL")))
                continue;
            if (SameSecond(r.trigger.start, due))
                exact = &r;
            else if (clock::FromLocal(r.trigger.start) < dueMoment)
                earlier = earlier ? earlier : &r;
            else
                later = later ? later : &r;
        }
        const bool next = i == 0;
        if (!next) {
            if (!exact && !earlier)
                unscheduled << key;
            continue;
        }
        const QString what = QStringLiteral("the next alarm, %1, due %2 (in %3)")
                                 .arg(AlarmName(alarm), TimeText(due),
                                      AlarmList::FormatRemaining(alarm.GetTimeToNext()));
        if (exact) {
            const QString app = Q(exact->trigger.application);
            const QFileInfo program(app);
            if (!program.isFile() || !program.isExecutable())
                Add(Verdict::Problem,
                    QStringLiteral("%1, is to start %2, which is not an executable file: it will not ring")
                        .arg(what, app),
                    QStringLiteral("rebuild the schedule: ") + RebuildCommand());
            else
                Add(Verdict::Ok, QStringLiteral("%1, is in the schedule (notification %2, starts %3)")
                                     .arg(what, QString::number(exact->handle), app));
        } else if (earlier) {
            // Ringing now or snoozed: its next time is scheduled once that ringing ends.
            Add(Verdict::Ok, QStringLiteral("%1, has a start at %2 in the schedule first (snoozed, or ringing late)")
                                 .arg(what, TimeText(earlier->trigger.start)));
        } else if (later) {
            Add(Verdict::Problem,
                QStringLiteral("%1, is scheduled for %2 instead: it will not ring at its time")
                    .arg(what, TimeText(later->trigger.start)),
                QStringLiteral("rebuild the schedule: ") + RebuildCommand());
        } else {
            Add(Verdict::Problem,
                QStringLiteral("%1, has no start in the schedule %2: it will not ring").arg(what, Q(paths.database)),
                QStringLiteral("rebuild the schedule: ") + RebuildCommand());
        }
    }
    if (!unscheduled.isEmpty()) {
        const int shown = std::min<int>(unscheduled.size(), kMaxNamed);
        QString list = unscheduled.mid(0, shown).join(QStringLiteral(", "));
        if (unscheduled.size() > shown)
            list += QStringLiteral(" and %1 more").arg(unscheduled.size() - shown);
        Add(Verdict::Problem,
            QStringLiteral("%1 more active alarm(s) have no start at their time in the schedule and will not ring: %2")
                .arg(unscheduled.size())
                .arg(list),
            QStringLiteral("rebuild the schedule: ") + RebuildCommand());
    }
}

void AlarmDoctor::CheckMissed()
{
    const QList<MissedAlarms::Entry> unseen = MissedAlarms::List(true);
    if (unseen.isEmpty()) {
        Add(Verdict::Ok, QStringLiteral("no missed alarm waits to be seen"));
        return;
    }
    const int64_t now = clock::Now();
    const int shown = std::min<int>(unseen.size(), kMaxNamed);
    for (int i = 0; i < shown; ++i) {
        const MissedAlarms::Entry& e = unseen[i];
        const QString name = e.title.trimmed().isEmpty() ? e.key : e.key + QLatin1Char(' ') + Quoted(e.title);
        Add(Verdict::Problem, QStringLiteral("missed alarm %1, due %2, found %3 late: %4")
                                  .arg(name, MissedAlarms::DueText(e, now), MissedAlarms::LateText(e.noticed - e.due),
                                       e.reason));
    }
    if (unseen.size() > shown)
        Add(Verdict::Problem, QStringLiteral("%1 more missed alarms wait to be seen").arg(unseen.size() - shown));
}

} // namespace dawnbell::cli
