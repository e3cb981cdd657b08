#pragma once
// The package installer's interface to a package's setup library: four hooks,
// looked up by name, called on the installer's thread in this order:
//   install:  Install_Init, (registry entries written), Install_Exit
//   remove:   Uninstall_Init, (files and entries removed), Uninstall_Exit
//   update:   Install_Init of the new package with `previouslyInstalled` set,
//             then the removal of the old version, then the install of the new
//             files and Install_Exit.
// Files going into a new folder are copied before Install_Init, so a copy that
// fails is undone before any hook has changed the store. The hooks delete
// nothing in the installation folder: only the installer knows what it put there.
// Folders are UTF-8 absolute paths. Every hook answers 0 to let the installer
// continue. `parent` is the installer's window, always null here.
#include <cstdint>

namespace dawnbell::install {

// Results.
constexpr int kInstallContinue = 0;

using InstallInitFn = int (*)(void* parent, int firstCall, int previouslyInstalled, const char* installDir);
using InstallExitFn = int (*)(void* parent, const char* installDir, uint16_t failedDirs, uint16_t failedFiles,
                              uint16_t failedRegKeys, uint16_t failedRegValues, uint16_t failedShortcuts);
using UninstallInitFn = int (*)(void* parent, const char* installDir);
using UninstallExitFn = int (*)(void* parent);

constexpr const char kInstallInitName[] = "Install_Init";
constexpr const char kInstallExitName[] = "Install_Exit";
constexpr const char kUninstallInitName[] = "Uninstall_Init";
constexpr const char kUninstallExitName[] = "Uninstall_Exit";

} // namespace dawnbell::install
