#pragma once
// The package installer: installs, updates and removes Dawnbell for the user.
//
// Install copies the program folder (the entries listed in program-files.txt of
// the folder the installer runs from) to the installation folder, writes the
// package's registry entries (HKEY_LOCAL_MACHINE\SOFTWARE\Torvane\Dawnbell
// "InstallDir", the today item under SOFTWARE\Microsoft\Today\Items\Dawnbell,
// keeping its "Enabled" choice), sets up the alarm service, gives the daemon
// CAP_WAKE_ALARM when run as root, and calls the package's setup hooks
// (libdawnbell-setup.so) in the platform's order. Installing into the folder the
// installer runs from (a package's folder) copies nothing, and the removal then
// keeps that folder. Remove undoes all of it and leaves nothing of Dawnbell.
#include <cstdio>
#include <string>

namespace dawnbell::install {

// Registry locations of the package (HKEY_LOCAL_MACHINE).
constexpr const char kPackageKey[] = "SOFTWARE\\Torvane\\Dawnbell";
constexpr const char kMakerKey[] = "SOFTWARE\\Torvane";
constexpr const char kTodayItemKey[] = "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell";
// The list of program folder entries, one per line ("name" or "folder/").
constexpr const char kManifestName[] = "program-files.txt";
// The today screen's launcher the package adds to the Programs folder.
constexpr const char kTodayLauncherName[] = "dawnbell-today.desktop";

class PackageInstaller {
public:
    // `sourceDir`: the program folder to install from (the installer's own).
    // Messages go to `out`, errors to `err`.
    PackageInstaller(std::string sourceDir, FILE* out, FILE* err);

    // Exit statuses: 0 done, 1 failed (nothing half-done is left), 2 refused.
    int Install(const std::string& installDir);
    int Update(const std::string& installDir);
    int Remove(const std::string& installDir);

    // The folder an install goes to when none is given: the installer's own
    // folder when the user cannot write it (a package's folder), else
    // /opt/dawnbell for root and ~/.local/lib/dawnbell for everyone else.
    std::string DefaultInstallDir() const;
    // The recorded installation folder; "" when Dawnbell is not installed.
    static std::string InstalledDir();

private:
    struct Hooks;
    bool LoadHooks(const std::string& libraryPath, Hooks* hooks);
    bool CheckTarget(const std::string& dir, bool allowExisting);
    bool CopyProgramFolder(const std::string& dir);
    void DeleteProgramFiles(const std::string& dir, const std::string& manifestFrom);
    void WriteEntries(const std::string& dir, bool ownsFolder, uint32_t enabled);
    void RemoveEntries(const std::string& dir, bool ownsFolder);
    void SetUpService(const std::string& dir);
    void GrantWakeAlarm(const std::string& dir);
    void Say(const std::string& text);
    void Fail(const std::string& text);

    std::string source_; // program folder installed from
    FILE* out_;
    FILE* err_;
};

} // namespace dawnbell::install
