#include "UserService.h"

#include "DevicePaths.h"
#include "Notify.h"
#include "Shortcut.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dawnbell::install {

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string ConfigHome()
{
    const std::string xdg = Env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg[0] == '/')
        return xdg;
    return Env("HOME") + "/.config";
}

std::string Systemctl()
{
    const std::string custom = Env("DAWNBELL_SYSTEMCTL");
    return custom.empty() ? std::string("systemctl") : custom;
}

bool WriteFile(const std::string& path, const std::string& text)
{
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && !MakeDirs(path.substr(0, slash), 0755))
        return false;
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

// A systemd unit word: quoted, with the characters systemd treats specially
// escaped ("%" as "%%").
std::string UnitWord(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '%')
            out += "%%";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

// The device directory to hand to the service: DAWNBELL_HOME when it is set,
// else none (the daemon finds the default itself).
std::string HomeToPass()
{
    const std::string home = Env("DAWNBELL_HOME");
    return home.empty() ? std::string() : DeviceDir();
}

bool Systemd(std::initializer_list<const char*> words)
{
    std::vector<std::string> args = {"--user"};
    for (const char* w : words)
        args.emplace_back(w);
    return RunAndWait(Systemctl(), args) == 0;
}

} // namespace

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string UserService::UnitPath() { return ConfigHome() + "/systemd/user/" + kUnitName; }

std::string UserService::AutostartPath() { return ConfigHome() + "/autostart/dawnbell-notifyd.desktop"; }

bool UserService::ManagerRuns() { return Systemd({"show-environment"}); }

std::string UserService::UnitText(const std::string& daemonPath, const std::string& home)
{
    std::string text =
        "[Unit]\n"
        "Description=Dawnbell alarm service (starts Dawnbell at the times of its alarms)\n"
        "\n"
        "[Service]\n"
        "Type=simple\n"
        "ExecStart=" + UnitWord(daemonPath) + "\n";
    if (!home.empty())
        text += "Environment=" + UnitWord("DAWNBELL_HOME=" + home) + "\n";
    text +=
        "Restart=on-failure\n"
        "# Stopping or restarting the service ends the service alone: an alarm it\n"
        "# started and that is ringing goes on, and no program it started is killed\n"
        "# with it.\n"
        "KillMode=process\n"
        "# 3: the daemon of this device directory already runs (started by Dawnbell).\n"
        "RestartPreventExitStatus=3\n"
        "\n"
        "[Install]\n"
        "WantedBy=default.target\n";
    return text;
}

std::string UserService::AutostartText(const std::string& daemonPath, const std::string& home)
{
    std::string exec = DesktopExec(daemonPath, "");
    if (!home.empty())
        exec = "env " + DesktopExec("DAWNBELL_HOME=" + home, "") + " " + exec;
    std::string escaped;
    for (char c : exec)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "[Desktop Entry]\n"
           "Version=1.4\n"
           "Type=Application\n"
           "Name=Dawnbell alarm service\n"
           "Comment=Starts Dawnbell at the times of its alarms\n"
           "Exec=" + escaped + "\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool UserService::Install(const std::string& installDir, std::string* report)
{
    const std::string daemon = installDir + "/dawnbell-notifyd";
    const std::string home = HomeToPass();
    if (ManagerRuns()) {
        if (!WriteFile(UnitPath(), UnitText(daemon, home))) {
            *report = "could not write " + UnitPath() + ": " + std::strerror(errno);
            return false;
        }
        ::unlink(AutostartPath().c_str()); // one way of starting it, not two
        Systemd({"daemon-reload"});
        Stop(); // a daemon started by Dawnbell hands over to the service
        if (!Systemd({"enable", "--now", kUnitName})) {
            *report = "wrote " + UnitPath() + ", but systemctl --user enable --now " + kUnitName + " failed";
            return false;
        }
        *report = "alarm service: systemd user unit " + UnitPath() + " (enabled and started)";
        return true;
    }
    if (!WriteFile(AutostartPath(), AutostartText(daemon, home))) {
        *report = "could not write " + AutostartPath() + ": " + std::strerror(errno);
        return false;
    }
    *report = "alarm service: no systemd user manager runs, so the daemon starts at login through " +
              AutostartPath();
    return true;
}

void UserService::Stop()
{
    struct stat st;
    if (::stat(UnitPath().c_str(), &st) == 0 && ManagerRuns())
        Systemd({"stop", kUnitName});
    const pid_t pid = notify::NotifyDaemonPid();
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        for (int i = 0; i < 50 && notify::NotifyDaemonPid() == pid; ++i)
            ::usleep(20000); // up to a second for it to let go of its lock
    }
}

void UserService::Remove(std::string* report)
{
    struct stat st;
    const bool unit = ::stat(UnitPath().c_str(), &st) == 0;
    if (unit && ManagerRuns())
        Systemd({"disable", "--now", kUnitName});
    Stop();
    report->clear();
    if (unit && ::unlink(UnitPath().c_str()) == 0) {
        report->append("removed " + UnitPath());
        if (ManagerRuns())
            Systemd({"daemon-reload"});
    }
    if (::unlink(AutostartPath().c_str()) == 0)
        report->append((report->empty() ? "" : "; ") + std::string("removed ") + AutostartPath());
}

} // namespace dawnbell::install
