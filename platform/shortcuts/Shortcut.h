#pragma once
// Shortcuts: freedesktop desktop entries (Version 1.4) that start a program with
// a command line, and the Programs folder where the desktop's menus find them.
// Plain C++.
#include <string>
#include <string_view>

namespace dawnbell {

// The Programs folder: $XDG_DATA_HOME/applications, else
// ~/.local/share/applications. Not created here.
std::string ProgramsFolder();

// Writes the shortcut `path` (a ".desktop" file; its name without the
// extension becomes the entry's name) that runs `target`: a program path in
// double quotes, optionally followed by a blank and its arguments, e.g.
// "\"/opt/dawnbell/dawnbell\" reset". The program runs with this process's
// device directory (DeviceExec). The program's folder icon dawnbell.png is
// used when it exists. The file is replaced atomically; false when it cannot be
// written or the target names no program.
bool CreateShortcut(const std::string& path, std::string_view target);

// Removes a shortcut; false when it did not exist or could not be removed.
bool DeleteShortcut(const std::string& path);

// The Exec value of a desktop entry that runs `program` with `arguments`
// (separated by blanks): each word quoted where it has to be, with the escapes
// the desktop entry format requires.
std::string DesktopExec(std::string_view program, std::string_view arguments);

// DesktopExec for a program that must use this process's device directory:
// when DAWNBELL_HOME is set, the program is started through env with it (as an
// absolute path), so an entry made for a device directory of its own opens the
// same alarms as the program that made it; otherwise DesktopExec as it is.
std::string DeviceExec(std::string_view program, std::string_view arguments);

} // namespace dawnbell
