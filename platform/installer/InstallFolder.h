#pragma once
// An installation folder that the installer made and can prove is still that
// folder, and the only way the installer writes or deletes anything in it.
//
// The folder holds a record, ".dawnbell-install": a random token and the exact
// relative names of every file the installer put there and every folder it
// copied into. The package's registry entries keep the folder's path, the same
// token and the folder's inode. A removal or an update deletes only names the
// record lists, and only after the folder at the recorded path was opened
// without following a symbolic link anywhere on the way, belongs to the user
// running the installer, and matches the recorded inode and token. Every write
// and delete is relative to descriptors of folders opened that way
// (openat/unlinkat with O_NOFOLLOW), so a link placed in the folder is never
// followed: the link itself stays. A recorded file that is no longer a regular
// file stays too. Recorded folders go only when they end empty; so does the
// installation folder itself.
//
// The folder's device number is not compared: some file systems (btrfs
// subvolumes) get theirs when mounted, so it may differ after a reboot.
//
// A path is never an installation folder when it is relative, has "." or ".."
// parts, repeated or trailing "/", or is (or holds) a folder of the system or of
// the user: "/", a top-level folder, /usr/lib and the like, the home folder, an
// XDG user folder (Documents, Music, ...), an XDG base folder, the device
// directory.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace dawnbell::install {

// The record's file name inside the installation folder.
constexpr const char kRecordName[] = ".dawnbell-install";
// Bounds on a record read back (it may have been edited): entries and bytes.
constexpr size_t kRecordMaxEntries = 20000;
constexpr size_t kRecordMaxBytes = 4 << 20;

class InstallFolder {
public:
    InstallFolder() = default;
    ~InstallFolder(); // closes the folder's descriptors
    InstallFolder(const InstallFolder&) = delete;
    InstallFolder& operator=(const InstallFolder&) = delete;

    // Why `path` (absolute, as given) may never be an installation folder, in
    // words that follow "it ..." ("is your home folder"); "" when it may be one.
    // Looks at the path's own spelling and at the real path of what exists.
    static std::string ProtectedWhy(const std::string& path);

    // Checks a folder asked for by the user before anything changes: `wanted`
    // (relative to the working folder, trailing "/" allowed) must have no "." or
    // ".." parts, must not be protected, and must be new or an empty folder of
    // the user's own (not a symbolic link). `*canonical`: the folder's path with
    // the symbolic links of its existing parents resolved. `*why` says what is
    // wrong, else stays untouched.
    static bool CheckNew(const std::string& wanted, std::string* canonical, std::string* why);

    // Makes `canonical` (checked by CheckNew) the installation folder: creates it
    // (and missing parents) or takes the existing empty one, and writes a record
    // with a fresh token. False with `*why` when it cannot.
    bool Create(const std::string& canonical, std::string* why);

    // Opens the recorded installation folder `path` and proves it is the one
    // the installer made: token and inode as recorded in the registry. False
    // with `*why` ("it is your home folder", "its record is missing", ...) when
    // it cannot; then nothing in it may be touched.
    bool Open(const std::string& path, const std::string& token, uint64_t inode, std::string* why);

    // Reads a record's text: true when it starts with the record's header and
    // `token` (not empty); `*files` and `*folders` get the names it lists that
    // are safe relative names inside the folder (no "", "." or ".." part, not
    // absolute, no control character); other lines are ignored.
    static bool ParseRecord(const std::string& text, const std::string& token, std::set<std::string>* files,
                            std::set<std::string>* folders);

    // Copies the program folder entry `entry` of `sourceDir` ("name" for a file,
    // "name/" for a folder with everything in it; symbolic links are skipped)
    // into the folder and records what it wrote. A file is written beside its
    // place and renamed over it, so a running program keeps its old file. Only
    // regular files are read. False with `*why` at the first failure.
    bool Copy(const std::string& sourceDir, const std::string& entry, std::string* why);

    // Adds `relative`, a file someone else made for the program in the folder
    // (the setup hooks' shortcuts), to the record when it is a regular file.
    void Adopt(const std::string& relative);

    // Writes the record (atomically and durably). False with `*why`.
    bool Save(std::string* why);

    // The recorded files, and a way to start a fresh list (for copying a new
    // version over an old one): TakeFiles empties the list and returns it.
    const std::set<std::string>& files() const { return files_; }
    std::set<std::string> TakeFiles();
    // Puts files back on the list (those of an old version still there).
    void KeepFiles(const std::set<std::string>& names);

    // Deletes the recorded files `names` and then every recorded folder that
    // is empty. One line for each file that stays, saying why. True when none
    // stays. Names not on the record are ignored.
    bool DeleteFiles(const std::set<std::string>& names, std::vector<std::string>* kept);

    // Removes the installation: every recorded file and folder, the record, and
    // the folder itself when it ends empty. `*lines` tells what stayed and why.
    // True when nothing the installer made stays (a folder kept because it
    // holds what the installer did not put there counts as done).
    bool Remove(std::vector<std::string>* lines);

    // After a failed install: deletes what this run copied and the record, and
    // the folder when this run created it.
    void Rollback();

    const std::string& path() const { return path_; }
    const std::string& token() const { return token_; }
    uint64_t inode() const { return inode_; }

private:
    void Close();
    // Removes the recorded folders among `candidates` that are empty.
    void PruneFolders(const std::set<std::string>& candidates);
    // Deletes every recorded file and empty recorded folder and the record;
    // with `folderToo` also the folder when it ends empty, else a line naming
    // what it holds.
    bool DeleteAll(bool folderToo, std::vector<std::string>* lines);
    std::string Shown(const std::string& relative) const;

    int fd_ = -1;        // the folder, opened without following links
    int parentFd_ = -1;  // its parent, for removing the folder itself
    std::string path_;   // its absolute path
    std::string token_;  // the record's token (32 hex digits)
    uint64_t inode_ = 0;
    bool created_ = false;               // this run made the folder
    std::set<std::string> files_;        // recorded files, relative
    std::set<std::string> folders_;      // recorded folders, relative
};

// A path or name for a message: control characters shown as '?', so a stored
// value cannot move the cursor or fake lines.
std::string Printable(const std::string& text);

} // namespace dawnbell::install
