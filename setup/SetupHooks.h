#pragma once
// Dawnbell's install hooks: what the package installer runs around installing,
// updating and removing the program. They record where the program went, mark
// a first launch and write its defaults, create the shortcuts, make the today screen reload, and on
// removal delete the program's data, shortcut, today item and notifications;
// an update keeps alarms and settings but switches every alarm off. The
// installation folder's files are the installer's to delete: only it knows
// which ones it put there, so the hooks never delete in that folder. The hooks
// keep no state between calls (everything is in the registry), ignore every
// failure and always answer 0, so the installer never stops.
#include <string>

namespace dawnbell::setup {

// Before the files are copied. `previouslyInstalled`: an update.
int InstallInit(bool previouslyInstalled, const std::string& installDir);
// After the files and the package's registry entries are in place. A store
// no program has set up (a fresh install) gets the program's first-launch
// defaults here, in the user's language, with the installed folder's sounds.
int InstallExit(const std::string& installDir);
// Before the files and entries are removed (also for the old version during an
// update). Nothing in `installDir` is deleted.
int UninstallInit(const std::string& installDir);
// After the removal: closes this library's connections to the stores, so the
// installer can delete a store the removal emptied.
int UninstallExit();

} // namespace dawnbell::setup
