#include "AlarmTool.h"

#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmDoctor.h"
#include "AlarmList.h"
#include "AlarmReport.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "CommandAlarm.h"
#include "DevicePaths.h"
#include "FirstUse.h"
#include "IpcClient.h"
#include "LanguageTable.h"
#include "Locale.h"
#include "MessageBox.h"
#include "MissedAlarms.h"
#include "NewAlarm.h"
#include "Process.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"
#include "SectionName.h"
#include "SystemAlarmSimulation.h"
#include "TemplateDialogue.h"
#include "TemplateLibrary.h"
#include "TemplateName.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <cstring>

namespace dawnbell::cli {

namespace {

// Copy-data codes of the main window this tool sends.
constexpr uint32_t kCopyRefresh = 0; // reload the list, rebuild the schedule
constexpr uint32_t kCopyTest = 5;    // test an alarm (answered before it rings)
constexpr uint32_t kCopySnoozeRinging = 6; // snooze the ringing alarm
constexpr uint32_t kCopyEndRinging = 7;    // end the ringing alarm
// The program's answers to those two.
constexpr int32_t kRingingDone = 16;
constexpr int32_t kRingingNoSnooze = 17;
constexpr int32_t kNothingRinging = 18;
// Longest wait for the main window's answer (ms); it rebuilds the schedule first.
constexpr int kAnswerTimeoutMs = 10000;

// The first line of a text, so every message stays on one line.
QString FirstLine(const QString& text)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0);
    line.remove(QLatin1Char('\r'));
    return line.trimmed();
}

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + FirstLine(text) + QLatin1Char('"');
}

QString DeviceFolder()
{
    return QString::fromStdString(DeviceDir());
}

// True when a window system can be reached (or the offscreen platform is asked for).
bool HaveDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// True when the store can be opened: an existing or a still missing root key.
// Whether the store can be read: every page checked, so a damaged store is
// refused before a list could come out short. A read-only store can be read
// (and `*readOnly` tells it).
bool StoreReadable(bool* readOnly)
{
    *readOnly = false;
    if (DeviceDir().empty())
        return false;
    const RegFault fault = RegCheckStore().fault;
    *readOnly = fault == RegFault::ReadOnly;
    return fault == RegFault::None || fault == RegFault::ReadOnly;
}

// The moment today at `secondsOfDay`, or on a neighbouring day when the clocks
// skip that time today: the alarm keeps its time of day (and so its key), and
// its next ringing is computed from the time of day alone.
int64_t MomentAt(int secondsOfDay)
{
    const clock::LocalTime today = clock::ToLocal(clock::Now());
    const int h = secondsOfDay / 3600, m = (secondsOfDay % 3600) / 60, s = secondsOfDay % 60;
    int64_t moment = 0;
    for (int offset : {0, 1, -1, 2}) {
        moment = clock::MakeLocal(today.year, today.month, today.day + offset, h, m, s);
        const clock::LocalTime t = clock::ToLocal(moment);
        if (t.hour == h && t.minute == m && t.second == s)
            break;
    }
    return moment;
}

// The first word of a command line (a double-quoted word may hold blanks) and
// the text after it.
QString FirstWord(const QString& line, QString* rest)
{
    const QString text = line.trimmed();
    int end = 0;
    QString word;
    if (text.startsWith(QLatin1Char('"'))) {
        const int close = text.indexOf(QLatin1Char('"'), 1);
        end = close < 0 ? text.size() : close + 1;
        word = text.mid(1, (close < 0 ? text.size() : close) - 1);
    } else {
        while (end < text.size() && !text[end].isSpace())
            ++end;
        word = text.left(end);
    }
    *rest = text.mid(end).trimmed();
    return word;
}

// The names of the days (0 = Monday) in the program's language (texts 42-48) and
// in the user's locale, accepted by --days besides the English ones.
DayNames LocalDayNames()
{
    DayNames names;
    const QLocale locale = QLocale::system();
    for (int d = 0; d < 7; ++d) {
        names.names[d] << Text(42 + d) << locale.dayName(d + 1, QLocale::ShortFormat)
                       << locale.dayName(d + 1, QLocale::LongFormat)
                       << locale.standaloneDayName(d + 1, QLocale::ShortFormat);
    }
    return names;
}

// The playlist of --sound: each file must exist and be readable, and is kept
// with its full path. AlarmTool::ExitOk, or the exit code with `error` set.
int SetSounds(const QStringList& files, Alarm* alarm, QString* error)
{
    QStringList playlist;
    for (const QString& sound : files) {
        const QFileInfo info(sound);
        if (info.isDir()) {
            *error = QStringLiteral("%1 is a folder, not a sound file").arg(Quoted(sound));
            return AlarmTool::ExitRefused;
        }
        if (!info.isFile() || !info.isReadable()) {
            *error = QStringLiteral("the sound file %1 does not exist or cannot be read").arg(Quoted(sound));
            return AlarmTool::ExitRefused;
        }
        playlist << info.absoluteFilePath();
    }
    alarm->SetPlaylist(playlist);
    return AlarmTool::ExitOk;
}

// What a command alarm starts, from --command "PROGRAM ARGS": a program (by name
// or path) with its arguments, stored "program::arguments", or a document or
// URL, stored as it is. AlarmTool::ExitOk, or the exit code with `error` set.
int SetCommand(const ToolField& field, const QString& line, Alarm* alarm, QString* error)
{
    QString& command = field.Field().TextOf(alarm);
    QString rest;
    const QString target = FirstWord(line, &rest);
    if (target.isEmpty()) {
        command.clear();
        return AlarmTool::ExitOk;
    }
    if (target.contains(QLatin1String("::"))) {
        *error = QStringLiteral("a program or document name cannot contain \"::\"");
        return AlarmTool::ExitUsage;
    }
    const bool url = target.contains(QLatin1String("://"));
    const QString resolved =
        !url && (target.contains(QLatin1Char('/')) || (QFileInfo::exists(target) && !IsProgramTarget(target)))
            ? QFileInfo(target).absoluteFilePath()
            : target;
    if (IsProgramTarget(resolved)) {
        command = resolved + QStringLiteral("::") + rest;
    } else if (!rest.isEmpty()) {
        *error = QStringLiteral("%1 is not a program, so it takes no arguments").arg(Quoted(target));
        return AlarmTool::ExitUsage;
    } else if (!url && !QFileInfo::exists(resolved)) {
        *error = QStringLiteral("no program or file is named %1").arg(Quoted(target));
        return AlarmTool::ExitRefused;
    } else {
        command = resolved;
    }
    return AlarmTool::ExitOk;
}

// The template operations' questions answered from the command line, their
// messages as lines: successes on stdout, failures on stderr.
class ToolDialogue : public TemplateDialogue {
public:
    ToolDialogue(QTextStream& out, QTextStream& err, bool overwrite) : out_(out), err_(err), overwrite_(overwrite) {}

    bool Ask(Question question, const QString&, const QString&) override
    {
        switch (question) {
        case Question::OverwriteFile:
            return overwrite_;
        case Question::DeleteTemplate:
            return true; // asked for by name on the command line
        default:
            return false; // template files, sounds and pictures stay
        }
    }

    void Tell(Notice notice, const QString& text, const QString& caption, const QString& detail) override
    {
        if (notice == Notice::Error) {
            failed_ = true;
            err_ << "dawnbell-alarm: " << FirstLine(text);
            if (!detail.isEmpty() && detail != text)
                err_ << " (" << FirstLine(detail) << ')';
            err_ << '\n';
            err_.flush();
        } else if (notice == Notice::Imported) {
            out_ << FirstLine(caption) << ": " << FirstLine(text) << '\n';
        } else {
            out_ << FirstLine(text) << '\n';
        }
    }

    // Whether an error was told.
    bool Failed() const { return failed_; }

private:
    QTextStream& out_;
    QTextStream& err_;
    bool overwrite_;      // the answer to "overwrite an existing file?"
    bool failed_ = false; // an error was told
};

} // namespace

AlarmTool::AlarmTool(QTextStream& out, QTextStream& err) : out_(out), err_(err)
{
    // Boxes the model raises (the "time is in the past" refusal) become error lines.
    SetMessageBoxPresenter([this](const QString& text, const QString&, MsgButtons buttons, MsgIcon, QWidget*) {
        shownMessages_ << text;
        err_ << "dawnbell-alarm: " << FirstLine(text) << '\n';
        err_.flush();
        return SafeMessageBoxAnswer(buttons);
    });
    // The schedule starts the program, never this tool.
    Scheduler::SetProgramPath(ProgramPath());
    // A rebuild that found alarms missed (the service was stopped over their
    // time) says so here and tells the desktop; the program's window shows them too.
    missedTold_ = QObject::connect(&AlarmChanges::Instance(), &AlarmChanges::missedRecorded, [this] {
        const int unseen = int(MissedAlarms::List(true).size());
        err_ << "dawnbell-alarm: " << unseen << " missed alarm(s) not seen yet: see 'dawnbell-alarm list'\n";
        err_.flush();
        MissedAlarms::TellDesktop();
    });
}

AlarmTool::~AlarmTool()
{
    if (AlarmChanges::TraceWanted()) {
        err_ << "dawnbell-alarm: " << AlarmChanges::TraceLine(QStringLiteral("dawnbell-alarm")) << '\n';
        err_.flush();
    }
    QObject::disconnect(missedTold_);
    Scheduler::SetProgramPath(QString());
    SetMessageBoxPresenter(nullptr);
    SetTextProvider(nullptr);
}

QString AlarmTool::ProgramPath()
{
    const QString configured = qEnvironmentVariable("DAWNBELL_EXECUTABLE");
    if (!configured.isEmpty())
        return QFileInfo(configured).absoluteFilePath();
    return QString::fromStdString(dawnbell::ProgramDir()) + QStringLiteral("/dawnbell");
}

int AlarmTool::Fail(int code, const QString& message)
{
    // A store failure names its cause (damaged, read-only, disk full).
    const std::string cause = code == ExitStore ? RegFaultText(RegLastFault()) : std::string();
    err_ << "dawnbell-alarm: " << FirstLine(message);
    if (!cause.empty())
        err_ << ": " << QString::fromStdString(cause);
    err_ << '\n';
    err_.flush();
    return code;
}

int AlarmTool::Refused()
{
    if (shownMessages_.isEmpty())
        return Fail(ExitRefused, Text(78));
    return ExitRefused;
}

int AlarmTool::Run(const QStringList& args)
{
    Profile::SetRegistryKey(QStringLiteral("Torvane"));

    // The program's language, as start-up would choose it (nothing is written).
    const QString languageFile = LanguageTable::ChosenFile(false);
    language_ = std::make_unique<LanguageTable>();
    if (!languageFile.isEmpty()) {
        QFile file(QString::fromStdString(dawnbell::ProgramDir()) + QStringLiteral("/languages/") + languageFile +
                   QStringLiteral(".xml"));
        if (file.exists()) {
            const bool read = file.size() <= LanguageTable::kMaxFileSize && file.open(QIODevice::ReadOnly);
            if (!read || language_->LoadFromBytes(file.readAll()) != LanguageTable::LoadResult::Loaded)
                err_ << "dawnbell-alarm: the language file " << file.fileName()
                     << " cannot be read; texts are in English\n";
        }
    }
    language_->InstallAsTextProvider();

    ToolRequest request;
    QString error;
    if (!ToolArguments::Parse(args, LocalDayNames(), &request, &error))
        return Fail(ExitUsage, error);

    switch (request.command) {
    case Command::Help:
        out_ << ToolArguments::Usage(request.helpFor);
        return ExitOk;
    case Command::Version:
        out_ << "dawnbell-alarm " << DAWNBELL_VERSION << '\n';
        return ExitOk;
    case Command::Snooze:
    case Command::Stop:
        return ToRinging(request.command); // the running program's business; no store needed
    case Command::Doctor:
        // Before the store is opened or set up: the doctor only looks,
        // and a store that cannot be used is one of its findings.
        return AlarmDoctor(ProgramPath()).Report(out_, request.json);
    default:
        break;
    }

    bool readOnly = false;
    if (!StoreReadable(&readOnly))
        return Fail(ExitStore, QStringLiteral("the alarm store in %1 cannot be opened").arg(DeviceFolder()));
    // A store no program has set up gets the first-launch defaults (templates,
    // colours, settings) the program's first start would write, so the
    // built-in templates are there without the window ever opened. A read-only
    // store is used as it is; the commands that write say so.
    if (!readOnly && FirstUse::Run(QString::fromStdString(dawnbell::ProgramDir()), language_.get()) ==
                         FirstLaunch::Outcome::Failed) {
        const std::string cause = RegFaultText(RegLastFault());
        err_ << "dawnbell-alarm: the first-launch defaults (built-in templates, colours) could not be written";
        if (!cause.empty())
            err_ << ": " << QString::fromStdString(cause);
        err_ << '\n';
        err_.flush();
    }

    switch (request.command) {
    case Command::List:
        return List(request);
    case Command::Show:
        return Show(request);
    case Command::Next:
        return Next(request);
    case Command::Add:
        return Add(request);
    case Command::Enable:
        return SetActive(request, true);
    case Command::Disable:
        return SetActive(request, false);
    case Command::Remove:
        return Remove(request);
    case Command::Test:
        return Test(request);
    case Command::ExportTemplate:
        return ExportTemplate(request);
    case Command::ImportTemplate:
        return ImportTemplate(request);
    default:
        return Fail(ExitUsage, QStringLiteral("no command given; try 'dawnbell-alarm --help'"));
    }
}

// --- store ---------------------------------------------------------------------

void AlarmTool::Load()
{
    alarms_.clear();
    order_.clear();
    templates_.clear();
    AlarmStore::LoadAll(&alarms_, &templates_);
    for (auto& a : alarms_)
        order_.push_back(a.get());
    AlarmList::SortIntoListOrder(&order_);
}

Alarm* AlarmTool::Find(const QString& key)
{
    Load();
    Alarm* alarm = AlarmList::FindByKey(order_, key);
    if (!alarm)
        Fail(ExitRefused, QStringLiteral("no alarm has the key %1 (see 'dawnbell-alarm list')").arg(Quoted(key)));
    return alarm;
}

AlarmTemplate* AlarmTool::FindTemplate(const QString& name) const
{
    AlarmTemplate* caseless = nullptr;
    for (const auto& t : templates_) {
        if (t->name == name)
            return t.get();
        if (!caseless && t->name.compare(name, Qt::CaseInsensitive) == 0)
            caseless = t.get();
    }
    return caseless;
}

int AlarmTool::NotStored()
{
    return Fail(ExitStore, QStringLiteral("the alarm could not be written to the store in %1").arg(DeviceFolder()));
}

bool AlarmTool::TellWindow(bool rebuilt)
{
    ipc::IpcClient client;
    if (client.Connect(ipc::SocketPath(), ProgramPath().toStdString()) != ipc::SendOk)
        return false; // no main window: the store and the schedule are all there is
    const std::u16string note = rebuilt ? std::u16string(AlarmChanges::kRefreshAfterRebuild) : std::u16string();
    if (client.SendCopyData(kCopyRefresh, note, kAnswerTimeoutMs, nullptr) != ipc::SendOk) {
        err_ << "dawnbell-alarm: the running main window did not answer; it shows the change once it is "
                "opened again\n";
        return false;
    }
    return true;
}

void AlarmTool::Announce()
{
    // A running window reloads its list and shows the change in the simulation;
    // without one, the list loaded here holds the change.
    if (TellWindow(true) || !AlarmChanges::SimulationWanted())
        return;
    std::vector<Alarm*> order = order_;
    AlarmList::SortIntoListOrder(&order);
    SystemAlarmSimulation::Refresh(AlarmList::NextAlarm(order));
}

// --- commands --------------------------------------------------------------------

int AlarmTool::List(const ToolRequest& r)
{
    Load();
    std::vector<AlarmTemplate*> templates;
    for (auto& t : templates_)
        templates.push_back(t.get());
    if (r.keys) {
        for (Alarm* a : order_)
            out_ << a->GetKey() << '\n';
        if (r.templates) {
            for (AlarmTemplate* t : templates)
                out_ << t->GetKey() << '\n';
        }
        return ExitOk;
    }
    if (r.json) {
        QJsonObject root;
        QJsonArray alarms;
        for (Alarm* a : order_)
            alarms.append(AlarmReport::Json(*a));
        root[QStringLiteral("alarms")] = alarms;
        QJsonArray missed;
        for (const MissedAlarms::Entry& m : MissedAlarms::List())
            missed.append(AlarmReport::Json(m));
        root[QStringLiteral("missed")] = missed;
        if (r.templates) {
            QJsonArray list;
            for (AlarmTemplate* t : templates)
                list.append(AlarmReport::Json(*t));
            root[QStringLiteral("templates")] = list;
        }
        out_ << QJsonDocument(root).toJson(QJsonDocument::Indented);
        return ExitOk;
    }
    out_ << AlarmReport::Table(order_);
    if (const QString missed = AlarmReport::MissedTable(MissedAlarms::List(true)); !missed.isEmpty())
        out_ << '\n' << missed;
    if (r.templates)
        out_ << '\n' << AlarmReport::TemplateTable(templates);
    return ExitOk;
}

int AlarmTool::Show(const ToolRequest& r)
{
    Load();
    Alarm* alarm = AlarmList::FindByKey(order_, r.key);
    SectionInfo section;
    if (!alarm && ParseSectionName(r.key, &section) == SectionKind::Template)
        alarm = FindTemplate(section.templateName);
    if (!alarm)
        return Fail(ExitRefused,
                    QStringLiteral("no alarm or template has the key %1 (see 'dawnbell-alarm list --templates')")
                        .arg(Quoted(r.key)));
    if (r.json) {
        QJsonObject o;
        if (auto* t = dynamic_cast<AlarmTemplate*>(alarm))
            o = AlarmReport::Json(*t);
        else
            o = AlarmReport::Json(*alarm);
        out_ << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else {
        out_ << AlarmReport::Details(*alarm);
    }
    return ExitOk;
}

int AlarmTool::Next(const ToolRequest& r)
{
    Load();
    Alarm* next = AlarmList::NextAlarm(order_);
    const QString status =
        next ? FormatTextId(54, {AlarmList::FormatRemaining(next->GetTimeToNext())}) : Text(55);
    if (r.json) {
        QJsonObject o;
        o[QStringLiteral("status")] = status;
        o[QStringLiteral("alarm")] = next ? QJsonValue(AlarmReport::Json(*next)) : QJsonValue();
        out_ << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else {
        out_ << status << '\n';
        if (next)
            out_ << AlarmReport::Line(*next) << '\n';
    }
    return next ? ExitOk : ExitRefused;
}

int AlarmTool::Add(const ToolRequest& r)
{
    const AddOptions& o = r.add;
    Load();

    // The kind: a template's, else a command, an appointment or a compact alarm.
    Alarm alarm;
    if (o.templateName) {
        const AlarmTemplate* t = FindTemplate(*o.templateName);
        if (!t)
            return Fail(ExitRefused, QStringLiteral("no template is named %1 (see 'dawnbell-alarm list --templates')")
                                         .arg(Quoted(*o.templateName)));
        alarm.CopyFrom(*t);
        const QString kind = AlarmReport::KindName(alarm.type);
        if (o.FirstGiven(ToolForm::Command) && alarm.type != AlarmCommand)
            return Fail(ExitUsage, QStringLiteral("--command needs a command template; %1 is a %2 template")
                                       .arg(Quoted(t->name), kind));
        if (o.date && alarm.type != AlarmAppointment)
            return Fail(ExitUsage, QStringLiteral("--date needs an appointment template; %1 is a %2 template")
                                       .arg(Quoted(t->name), kind));
        if (o.days && alarm.type == AlarmAppointment)
            return Fail(ExitUsage, QStringLiteral("%1 is an appointment template: it rings once, --days does not apply")
                                       .arg(Quoted(t->name)));
        if (alarm.type == AlarmCommand && o.FirstGiven(ToolKinds::Ringing))
            return Fail(ExitUsage, QStringLiteral("%1 is a command template: it starts its command instead of "
                                                  "ringing, so sound options do not apply")
                                       .arg(Quoted(t->name)));
        if (alarm.type < AlarmCompact || alarm.type > AlarmCommand)
            return Fail(ExitRefused, QStringLiteral("the template %1 is of an unknown kind").arg(Quoted(t->name)));
    } else {
        // A blank alarm rings the built-in sound unless --sound names others.
        NewAlarm::Prepare(&alarm, o.FirstGiven(ToolForm::Command) ? AlarmCommand
                                  : o.date                        ? AlarmAppointment
                                                                  : AlarmCompact,
                          QString::fromStdString(dawnbell::ProgramDir()));
    }

    // When: a moment from now (once), or a time of day with its days or date.
    const int64_t now = clock::Now();
    if (o.inSeconds) {
        alarm.alarmTime = now + *o.inSeconds;
        alarm.repeatDays = 0;
        const clock::LocalTime t = clock::ToLocal(alarm.alarmTime);
        // An alarm keeps a clock time, and a clock time that comes twice (when
        // the clocks go back) rings at its first moment: earlier than asked.
        if (clock::MakeLocal(t.year, t.month, t.day, t.hour, t.minute, t.second) != alarm.alarmTime)
            return Fail(ExitRefused, QString::asprintf("%02d:%02d:%02d comes twice on %04d-%02d-%02d (the clocks are "
                                                       "put back) and an alarm rings at the first: choose a time "
                                                       "outside the repeated hour",
                                                       t.hour, t.minute, t.second, t.year, t.month, t.day));
        alarm.dateYear = t.year;
        alarm.dateMonth = t.month;
        alarm.dateDay = t.day;
    } else {
        const int seconds = o.secondsOfDay ? *o.secondsOfDay : alarm.GetSecondsOfDay();
        if (alarm.type == AlarmAppointment) {
            const Date d = o.date ? *o.date : Date{alarm.dateYear, alarm.dateMonth, alarm.dateDay};
            const int h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
            const int64_t moment = clock::MakeLocal(d.year, d.month, d.day, h, m, s);
            const clock::LocalTime t = clock::ToLocal(moment);
            if (t.year != d.year || t.month != d.month || t.day != d.day || t.hour != h || t.minute != m ||
                t.second != s)
                return Fail(ExitRefused, QString::asprintf("%02d:%02d:%02d does not exist on %04d-%02d-%02d "
                                                           "(the clocks are put forward then)",
                                                           h, m, s, d.year, d.month, d.day));
            alarm.alarmTime = moment;
            alarm.dateYear = d.year;
            alarm.dateMonth = d.month;
            alarm.dateDay = d.day;
            alarm.repeatDays = 0;
        } else {
            alarm.alarmTime = MomentAt(seconds);
            if (o.days)
                alarm.repeatDays = *o.days;
        }
    }
    // An appointment must lie ahead, as its editor page demands.
    if (alarm.type == AlarmAppointment && (alarm.dateYear <= 1969 || alarm.alarmTime <= now))
        return Fail(ExitRefused, Text(78));

    // The stored values given, as the compact editor writes them.
    QString error;
    for (const ToolField& f : ToolFields()) {
        const GivenValue* given = o.Value(f);
        if (!given)
            continue;
        switch (f.form) {
        case ToolForm::Text:
            f.Field().TextOf(&alarm) = given->text;
            break;
        case ToolForm::Playlist:
            if (const int rc = SetSounds(given->files, &alarm, &error); rc != ExitOk)
                return Fail(rc, error);
            break;
        case ToolForm::Command:
            if (const int rc = SetCommand(f, given->text, &alarm, &error); rc != ExitOk)
                return Fail(rc, error);
            break;
        default:
            f.SetFromOption(&alarm, given->number);
            break;
        }
    }
    if (alarm.type == AlarmCommand && alarm.command.isEmpty())
        return Fail(ExitRefused, Text(91));

    for (const Alarm* holder : order_) {
        if (holder && Scheduler::Clashes(alarm, *holder)) {
            // Named, so the user knows which of the two to move.
            QString title = holder->title;
            title.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
            const QString who = title.isEmpty()
                ? QStringLiteral("the alarm with the key %1").arg(holder->GetKey())
                : QStringLiteral("%1 (key %2)").arg(Quoted(title), holder->GetKey());
            return Fail(ExitRefused, Text(2) + QStringLiteral(" It is held by ") + who + QLatin1Char('.'));
        }
    }
    if (alarm.type != AlarmCommand && alarm.playlist.isEmpty())
        err_ << "dawnbell-alarm: " << FirstLine(Text(56)) << '\n';

    shownMessages_.clear();
    if (!alarm.SetActivated(!o.inactive))
        return Refused();
    if (!AlarmChanges::Instance().Store(&alarm))
        return NotStored();
    order_.push_back(&alarm); // the list holds the new alarm (it lives until the end of Add)
    Announce();
    order_.pop_back();
    out_ << alarm.GetKey() << '\n';
    return ExitOk;
}

int AlarmTool::SetActive(const ToolRequest& r, bool on)
{
    Alarm* alarm = Find(r.key);
    if (!alarm)
        return ExitRefused;
    shownMessages_.clear();
    AlarmChanges& changes = AlarmChanges::Instance();
    if (on && !alarm->SetActivated(true))
        return Refused();
    if (!(on ? changes.Activate(alarm) : changes.Deactivate(alarm)))
        return NotStored();
    Announce();
    return ExitOk;
}

int AlarmTool::Remove(const ToolRequest& r)
{
    Load();
    SectionInfo section;
    if (!AlarmList::FindByKey(order_, r.key) && ParseSectionName(r.key, &section) == SectionKind::Template &&
        TemplateName::Find(templates_, section.templateName))
        return RemoveTemplate(section.templateName);
    Alarm* alarm = Find(r.key);
    if (!alarm)
        return ExitRefused;
    // Withdrawn as the main window withdraws it: off and deleted, as one change.
    if (!AlarmChanges::Instance().Withdraw(alarm))
        return Fail(ExitStore,
                    QStringLiteral("the alarm could not be deleted from the store in %1").arg(DeviceFolder()));
    Announce();
    return ExitOk;
}

int AlarmTool::Test(const ToolRequest& r)
{
    Alarm* alarm = Find(r.key);
    if (!alarm)
        return ExitRefused;
    if (alarm->type == AlarmCommand) {
        // What the Test button does for a command alarm; no window is needed.
        if (const int rc = RunCommandAlarm(alarm->command); rc != 0)
            return Fail(ExitRefused, QStringLiteral("the command %1 could not be started: %2")
                                         .arg(Quoted(alarm->command), QString::fromLocal8Bit(std::strerror(rc))));
        return ExitOk;
    }
    const std::string program = ProgramPath().toStdString();
    ipc::IpcClient client;
    if (client.Connect(ipc::SocketPath(), program) == ipc::SendOk) {
        if (client.SendCopyData(kCopyTest, alarm->GetKey().toStdU16String(), kAnswerTimeoutMs, nullptr) != ipc::SendOk)
            return Fail(ExitRefused, QStringLiteral("the running Dawnbell did not take the alarm"));
        return ExitOk;
    }
    if (!HaveDisplay())
        return Fail(ExitRefused, QStringLiteral("no display to ring the alarm on; run this in a desktop session"));
    process::SpawnOptions options;
    options.logFile = "/dev/null"; // the program writes its own log
    if (const int rc = process::SpawnDetachedArgs(program, {"test", alarm->GetKey().toStdString()}, nullptr, options);
        rc != 0)
        return Fail(ExitRefused, QStringLiteral("Dawnbell (%1) could not be started: %2")
                                     .arg(ProgramPath(), QString::fromLocal8Bit(std::strerror(rc))));
    return ExitOk;
}

int AlarmTool::ToRinging(Command command)
{
    const bool stop = command == Command::Stop;
    ipc::IpcClient client;
    int32_t answer = 0;
    if (client.Connect(ipc::SocketPath(), ProgramPath().toStdString()) != ipc::SendOk)
        return Fail(ExitRefused, QStringLiteral("nothing is ringing: Dawnbell is not running"));
    if (client.SendCopyData(stop ? kCopyEndRinging : kCopySnoozeRinging, std::u16string(), kAnswerTimeoutMs,
                            &answer) != ipc::SendOk)
        return Fail(ExitRefused, QStringLiteral("the running Dawnbell did not answer"));
    switch (answer) {
    case kRingingDone:
        return ExitOk;
    case kRingingNoSnooze:
        return Fail(ExitRefused, QStringLiteral("the ringing alarm has no snooze; 'dawnbell-alarm stop' ends it"));
    case kNothingRinging:
        return Fail(ExitRefused, QStringLiteral("nothing is ringing"));
    default:
        return Fail(ExitRefused,
                    QStringLiteral("the running Dawnbell does not know this command (an older version?)"));
    }
}

int AlarmTool::RemoveTemplate(const QString& name)
{
    AlarmTemplate* t = TemplateName::Find(templates_, name);
    const QString key = t->GetKey();
    ToolDialogue dialogue(out_, err_, false);
    TemplateLibrary library(&templates_, QString::fromStdString(dawnbell::ProgramDir()), &dialogue);
    if (!library.Delete(t) || AlarmStore::LoadSection(key))
        return Fail(ExitStore,
                    QStringLiteral("the template could not be deleted from the store in %1").arg(DeviceFolder()));
    TellWindow(false);
    return ExitOk;
}

int AlarmTool::ExportTemplate(const ToolRequest& r)
{
    Load();
    const AlarmTemplate* t = TemplateName::Find(templates_, r.templateName);
    if (!t)
        return Fail(ExitRefused, QStringLiteral("no template is named %1 (see 'dawnbell-alarm list --templates')")
                                     .arg(Quoted(r.templateName)));
    ToolDialogue dialogue(out_, err_, false);
    TemplateLibrary library(&templates_, QString::fromStdString(dawnbell::ProgramDir()), &dialogue);
    const bool written = library.ExportTo(*t, QFileInfo(r.files.first()).absoluteFilePath());
    return written && !dialogue.Failed() ? ExitOk : ExitRefused;
}

int AlarmTool::ImportTemplate(const ToolRequest& r)
{
    Load();
    ToolDialogue dialogue(out_, err_, r.overwrite);
    TemplateLibrary library(&templates_, QString::fromStdString(dawnbell::ProgramDir()), &dialogue);
    QStringList paths;
    for (const QString& file : r.files) {
        // Said plainly before anything is imported: a wrong name is no damaged file.
        const QFileInfo info(file);
        if (info.isDir())
            return Fail(ExitRefused, QStringLiteral("%1 is a folder, not a template file").arg(Quoted(file)));
        if (!info.exists() && !info.isSymLink())
            return Fail(ExitRefused, QStringLiteral("the template file %1 does not exist").arg(Quoted(file)));
        paths << info.absoluteFilePath();
    }
    const int imported = library.ImportFiles(paths);
    if (imported > 0)
        TellWindow(false);
    return imported == paths.size() && !dialogue.Failed() ? ExitOk : ExitRefused;
}

} // namespace dawnbell::cli
