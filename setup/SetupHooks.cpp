#include "SetupHooks.h"

#include "Broadcast.h"
#include "DevicePaths.h"
#include "FirstUse.h"
#include "Notify.h"
#include "PlatformVersion.h"
#include "Registry.h"
#include "Shortcut.h"

#include <unistd.h>

namespace dawnbell::setup {

namespace {

// The program's key below HKEY_CURRENT_USER, and the maker's.
constexpr const char kProgramKey[] = "SOFTWARE\\Torvane\\Dawnbell";
constexpr const char kMakerKey[] = "SOFTWARE\\Torvane";
constexpr const char kTodayItemsKey[] = "SOFTWARE\\Microsoft\\Today\\Items";
constexpr const char kStartScreenKey[] = "Security\\Shell\\StartInfo\\Start";
constexpr const char kPowerTimeoutsKey[] = "System\\CurrentControlSet\\Control\\Power\\Timeouts";
// The power time-outs' value after removal (seconds).
constexpr uint32_t kDefaultResumingTimeout = 15;

std::string Program(const std::string& dir) { return dir + "/dawnbell"; }

// A shortcut's target: the program in double quotes, then the arguments.
std::string Target(const std::string& dir, const char* arguments)
{
    std::string target = "\"" + Program(dir) + "\"";
    if (arguments && *arguments)
        target += std::string(" ") + arguments;
    return target;
}

void BroadcastTodayChange() { SendBroadcast({kMsgSettingChange, kSettingChangeToday}); }

} // namespace

int InstallInit(bool previouslyInstalled, const std::string& installDir)
{
    const std::u16string dir = Utf8ToUtf16(installDir);
    RegKey program;
    if (previouslyInstalled) {
        if (RegKey::Open(Hive::CurrentUser, kProgramKey, &program) == RegOk) {
            program.WriteDword("UpdateInProgress", 1);
            program.WriteString("InstallDir", dir);
        }
        RegFlush(Hive::CurrentUser);
        return 0;
    }
    RegKey settings;
    if (RegKey::Open(Hive::CurrentUser, std::string(kProgramKey) + "\\settings", &settings) != RegOk
        && RegKey::Create(Hive::CurrentUser, std::string(kProgramKey) + "\\settings", &settings) == RegOk)
        settings.WriteDword("firstLaunch", 1);
    if (RegKey::Open(Hive::CurrentUser, kProgramKey, &program) == RegOk)
        program.WriteString("InstallDir", dir);
    RegFlush(Hive::CurrentUser);
    return 0;
}

int InstallExit(const std::string& installDir)
{
    CreateShortcut(installDir + "/Reset Dawnbell.desktop", Target(installDir, "reset"));
    CreateShortcut(installDir + "/Disable AutoStop.desktop", Target(installDir, "autoclose"));
    if (!IsNewerPlatform(CurrentPlatformVersion()))
        ::unlink((installDir + "/Start_Icon_Dawnbell.png").c_str());
    const std::string programs = ProgramsFolder();
    if (!programs.empty()) {
        MakeDirs(programs, 0755);
        CreateShortcut(programs + "/Dawnbell.desktop", Target(installDir, nullptr));
    }
    // The templates, colours and settings now, so the shell tool and the today
    // screen find them before the program is first opened.
    FirstUse::Run(QString::fromStdString(installDir));
    BroadcastTodayChange();
    RegFlush(Hive::LocalMachine);
    return 0;
}

int UninstallInit(const std::string& /*installDir*/)
{
    RegKey items;
    if (RegKey::Open(Hive::LocalMachine, kTodayItemsKey, &items) == RegOk)
        RegDeleteTree(Hive::LocalMachine, std::string(kTodayItemsKey) + "\\Dawnbell");
    BroadcastTodayChange();

    RegKey program;
    const bool update = RegKey::Open(Hive::CurrentUser, kProgramKey, &program) == RegOk
        && program.QueryValue("UpdateInProgress", nullptr, nullptr) == RegOk;

    const std::string programs = ProgramsFolder();
    if (!programs.empty())
        DeleteShortcut(programs + "/Dawnbell.desktop");

    if (update) {
        // Keep every alarm, template and setting, but switch the alarms off:
        // the new version starts with nothing scheduled.
        uint32_t count = 0;
        program.QueryInfo(&count, nullptr);
        std::string name;
        for (uint32_t i = 0; i < count; ++i) {
            if (program.EnumKey(i, &name) != RegOk || name == "settings" || (!name.empty() && name[0] == 'T'))
                continue;
            RegKey alarm;
            if (RegKey::Open(Hive::CurrentUser, program.path() + "\\" + name, &alarm) == RegOk)
                alarm.WriteDword("activated", 0);
        }
        program.DeleteValue("UpdateInProgress");
    } else {
        program.Close();
        RegDeleteTree(Hive::CurrentUser, kProgramKey);
        RegKey maker;
        uint32_t subkeys = 1;
        if (RegKey::Open(Hive::CurrentUser, kMakerKey, &maker) == RegOk && maker.QueryInfo(&subkeys, nullptr) == RegOk
            && subkeys == 0) {
            maker.Close();
            RegDeleteTree(Hive::CurrentUser, kMakerKey);
        }
        if (IsNewerPlatform(CurrentPlatformVersion())) {
            RegDeleteTree(Hive::CurrentUser, std::string(kStartScreenKey) + "\\Dawnbell.lnk");
            RegKey timeouts;
            if (RegKey::Open(Hive::LocalMachine, kPowerTimeoutsKey, &timeouts) == RegOk) {
                timeouts.WriteDword("BattResumingSuspendTimeout", kDefaultResumingTimeout);
                timeouts.WriteDword("ACResumingSuspendTimeout", kDefaultResumingTimeout);
            }
        }
    }
    // All alarm notifications of the program, snoozed ones included.
    {
        notify::NotifyBatch batch;
        notify::NotifyClearByApplication("DAWNBELL");
    }
    RegFlush(Hive::LocalMachine);
    RegFlush(Hive::CurrentUser);
    return 0;
}

int UninstallExit()
{
    // The library's own connections to the stores (its platform libraries are
    // private to it) end here, so a removal that emptied a store can delete it.
    RegCloseStore();
    notify::NotifyCloseStore();
    return 0;
}

} // namespace dawnbell::setup
