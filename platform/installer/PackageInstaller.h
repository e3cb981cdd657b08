#pragma once
// The package installer: installs, updates and removes Dawnbell for the user.
//
// Install copies the program folder (the entries listed in program-files.txt of
// the folder the installer runs from) into a new or empty folder of its own,
// writes the package's registry entries (HKEY_LOCAL_MACHINE\SOFTWARE\Torvane\Dawnbell
// "InstallDir" with the folder's proof, the today item under
// SOFTWARE\Microsoft\Today\Items\Dawnbell, keeping its "Enabled" choice), sets
// up the alarm service, gives the daemon CAP_WAKE_ALARM when run as root, and
// calls the package's setup hooks (libdawnbell-setup.so of the installer's own
// folder, never another) in the platform's order. Installing into the folder
// the installer runs from (a package's folder) copies nothing, and the removal
// then keeps that folder.
//
// Update and remove delete only what the installer recorded when it copied it,
// in a folder it can prove it made (see InstallFolder.h); everything else stays,
// and a line says what stayed and why.
#include "InstallFolder.h"

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

    // Exit statuses: 0 done; 1 failed, or something the installer made was
    // left in place (each said in a line); 2 refused, nothing changed.
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
    // Loads the four hooks from libdawnbell-setup.so of the installer's own
    // folder (never from an installation folder); false with a message.
    bool LoadHooks(Hooks* hooks);
    // True when the program folder to install from is complete; else a message.
    bool CheckSource();
    // Checks a folder the user asked to install into (InstallFolder::CheckNew,
    // not inside the program folder nor holding it) and the program folder;
    // `*dir` gets the folder's canonical path. False with a message.
    bool CheckTarget(const std::string& wanted, std::string* dir);
    // Opens the recorded installation folder `dir` with the proof the package
    // key keeps; false with `*why` when it is not provably the installer's.
    bool OpenInstalled(const std::string& dir, InstallFolder* folder, std::string* why);
    // Copies every entry of the program folder's list into `folder`; false
    // with a message at the first failure (what was copied stays recorded).
    bool CopyProgramFolder(InstallFolder* folder);
    // Writes the folder's record; false with a message.
    bool SaveRecord(InstallFolder* folder);
    // Adds the setup hooks' shortcuts to the folder's record and writes it.
    bool RecordShortcuts(InstallFolder* folder);
    // The package's registry entries and the today launcher for an
    // installation in `dir`; `folder` is the installer's own folder (its proof
    // is stored), or null for a folder it does not own (a package's).
    void WriteEntries(const std::string& dir, const InstallFolder* folder, uint32_t enabled);
    // Removes the package's registry entries and the today launcher, and the
    // hooks' shortcuts when `dir` is this installer's own (package) folder.
    void RemoveEntries(const std::string& dir);
    // Sets up the alarm service for the daemon in `dir` and says how.
    void SetUpService(const std::string& dir);
    // Gives the daemon in `dir` CAP_WAKE_ALARM when run as root, else says how.
    void GrantWakeAlarm(const std::string& dir);
    // A line on the output; a line on the error output, after "dawnbell-install: ".
    void Say(const std::string& text);
    void Fail(const std::string& text);

    std::string source_; // program folder installed from
    FILE* out_;
    FILE* err_;
};

} // namespace dawnbell::install
