#include "CAlarmApp.h"

#include "ColorHelpers.h"

#include "Alarm.h"
#include "CommandLine.h"
#include "DevicePaths.h"
#include "FirstLaunch.h"
#include "LockScreenExceptions.h"
#include "MessageBox.h"
#include "MissedAlarms.h"
#include "Process.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"
#include "StoreHealth.h"
#include "Texts.h"
#include "WaitCursor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QGuiApplication>

namespace dawnbell {

CAlarmApp* CAlarmApp::s_instance = nullptr;

namespace {

const QString kSettings = QStringLiteral("settings");

// Asks logind to restart the machine. Headless runs (the offscreen platform,
// used by every automated run) never restart anything.
bool RestartThroughLogind()
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        return false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface logind(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!logind.isValid())
        return false;
    const QDBusMessage reply = logind.call(QStringLiteral("Reboot"), true);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool StartDetached(const QString& program, const QStringList& args)
{
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable())
        return false;
    std::vector<std::string> arguments;
    for (const QString& a : args)
        arguments.push_back(a.toStdString());
    return process::SpawnDetachedArgs(program.toStdString(), arguments) == 0;
}

CAlarmApp::RestartFunction& Restart()
{
    static CAlarmApp::RestartFunction f = RestartThroughLogind;
    return f;
}

CAlarmApp::StartFunction& Start()
{
    static CAlarmApp::StartFunction f = StartDetached;
    return f;
}

} // namespace

CAlarmApp::CAlarmApp() : programDir(QString::fromStdString(ProgramDir()))
{
    s_instance = this;
}

CAlarmApp::~CAlarmApp()
{
    if (s_instance == this)
        s_instance = nullptr;
}

CAlarmApp* CAlarmApp::Instance()
{
    return s_instance;
}

void CAlarmApp::SetRestartFunction(RestartFunction restart)
{
    Restart() = restart ? std::move(restart) : RestartFunction(RestartThroughLogind);
}

void CAlarmApp::SetStartFunction(StartFunction start)
{
    Start() = start ? std::move(start) : StartFunction(StartDetached);
}

const QList<NamedColor>& CAlarmApp::NamedColors()
{
    if (namedColors.isEmpty())
        AlarmStore::LoadNamedColors(&namedColors);
    return namedColors;
}

bool CAlarmApp::ParsePlatformVersion(const QString& text, PlatformVersion* out)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 3)
        return false;
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > 9)
            return false;
        for (QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        numbers[i] = p.toInt();
    }
    *out = PlatformVersion{numbers[0], numbers[1], numbers[2]};
    return true;
}

CAlarmApp::PlatformVersion CAlarmApp::CurrentPlatformVersion()
{
    PlatformVersion v;
    if (!ParsePlatformVersion(qEnvironmentVariable("DAWNBELL_PLATFORM_VERSION"), &v))
        v = PlatformVersion();
    return v;
}

bool CAlarmApp::NeedsAlarmBugFix(const PlatformVersion& v)
{
    return v.major < 5 || (v.major == 5 && v.minor < 2) || (v.major == 5 && v.minor == 2 && v.build <= 20999);
}

int CAlarmApp::Run(const CommandLine::Parsed& command, const std::function<void()>& runMainWindow)
{
    if (!Initialise(command))
        return 0;
    if (runMainWindow)
        runMainWindow();
    return 0;
}

void CAlarmApp::AutoClose()
{
    const QString caption = QStringLiteral("Dawnbell");
    if (Profile::ReadInt(kSettings, QStringLiteral("disableAutoStop"), 0) != 0) {
        Profile::WriteInt(kSettings, QStringLiteral("disableAutoStop"), 0);
        ShowMessageBox(Text(187), caption, MsgButtons::Ok, MsgIcon::Information);
    } else {
        if (ShowMessageBox(Text(185), caption, MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
            return;
        Profile::WriteInt(kSettings, QStringLiteral("disableAutoStop"), 1);
        ShowMessageBox(Text(186), caption, MsgButtons::Ok, MsgIcon::Information);
    }
    Profile::Flush();
}

void CAlarmApp::ChooseAndLoadLanguage()
{
    languageFile = LanguageTable::ChosenFile(true);
    languageTable.InstallAsTextProvider();
    languageTable.Load(programDir, languageFile);
}

void CAlarmApp::ApplyPowerTimeoutFix(bool olderPlatform)
{
    if (!olderPlatform || Profile::ReadInt(kSettings, QStringLiteral("fixAlarmBug"), 1) != 1)
        return;
    RegKey key;
    if (RegKey::Open(Hive::LocalMachine, "System\\CurrentControlSet\\Control\\Power\\Timeouts", &key) != RegOk)
        return;
    key.WriteDword("BattResumingSuspendTimeout", 90);
    key.WriteDword("ACResumingSuspendTimeout", 90);
    key.Close();
    RegFlush(Hive::LocalMachine);
}

bool CAlarmApp::Initialise(const CommandLine::Parsed& startCommand)
{
    WaitCursor wait;
    command = startCommand;
    // A store that cannot be used ends the program with a message; a damaged one
    // has been replaced by a fresh store, which the first launch below fills.
    if (StoreHealth::TellAtStart() == StoreHealth::Start::Unusable)
        return false;
    Profile::SetRegistryKey(QStringLiteral("Torvane"));

    switch (command.verb) {
    case CommandLine::Reinit:
        Scheduler::ReRegisterAll();
        // What this rebuild or an earlier process found missed, in the user's language.
        if (MissedAlarms::AnyUntold()) {
            ChooseAndLoadLanguage();
            MissedAlarms::TellDesktop();
        }
        return false;
    case CommandLine::AutoClose:
        AutoClose();
        return false;
    case CommandLine::Reset:
        Profile::WriteInt(kSettings, QStringLiteral("firstLaunch"), 1);
        break;
    case CommandLine::Start:
        Scheduler::ReRegisterAll();
        break;
    default:
        break;
    }

    ChooseAndLoadLanguage();
    // Missed alarms found by this start or an earlier process and not told yet.
    MissedAlarms::TellDesktop();

    const bool olderPlatform = NeedsAlarmBugFix(CurrentPlatformVersion());
    ApplyPowerTimeoutFix(olderPlatform);

    // The defaults in the language just loaded, unless another program (the
    // shell tool, the today item, the installer) has written them already.
    if (FirstLaunch::WriteDefaultsOnce(programDir) == FirstLaunch::Outcome::Written) {
        if (olderPlatform &&
            ShowMessageBox(Text(72), Text(114), MsgButtons::YesNo, MsgIcon::Information) == MsgAnswer::Yes) {
            Restart()();
            return false;
        }
    }

    bgColor = AppBackColor();
    textColor = AppTextColor();

    LockScreenExceptions::JoinAll(Start());
    return true;
}

} // namespace dawnbell
