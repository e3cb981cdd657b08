#pragma once
// Where Dawnbell keeps its state and where its program files live.
#include <string>

namespace dawnbell {

// The device directory: $DAWNBELL_HOME, else $XDG_DATA_HOME/dawnbell, else
// ~/.local/share/dawnbell. Created (mode 0700) when missing. Holds registry.db and
// notifications.db. Returns an empty string only when no folder can be made.
std::string DeviceDir();

// The runtime directory for sockets, locks and named events:
// $XDG_RUNTIME_DIR/dawnbell, else DeviceDir()/run. Created with mode 0700.
std::string RuntimeDir();

// Full path of the running executable (from /proc/self/exe).
std::string ProgramPath();

// Folder of the running executable, without a trailing '/'.
std::string ProgramDir();

// Folder of the executable or shared library that holds the code at `address`
// (a function of the caller's), without a trailing '/'; a library loaded into
// another program (the today item, the install hooks) finds its program folder
// this way. ProgramDir() when the loader cannot tell.
std::string ModuleDir(const void* address);

// True when this process may create and replace files in the folder `dir`;
// for a missing folder, in the nearest existing folder above it (where it would
// be made). A folder on a read-only mount is not writable, for root too.
bool CanWriteIn(const std::string& dir);

// Creates a folder and its parents with the given mode; true when it exists afterwards.
bool MakeDirs(const std::string& path, unsigned mode);

// Keeps an SQLite store private to its owner before it is opened: creates `path`
// empty with mode 0600 when missing (SQLite then gives its "-wal" and "-shm"
// files the same mode), and takes group and other access away from an existing
// file and its "-wal" and "-shm" companions. Never adds a permission (a
// read-only store stays read-only) and never follows a symbolic link. Failures
// are left for the open that follows to report.
void MakeStorePrivate(const std::string& path);

} // namespace dawnbell
