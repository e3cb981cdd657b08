#pragma once
// The program's own collaborators, each filled in one line: the windows the main
// window opens and the schedule's outside calls. Tests that drive the program as
// it runs use them too.
#include "MainWindowServices.h"

namespace dawnbell {

// The windows of this program for its main window; a window not built yet stays empty.
MainWindowServices ProgramMainWindowServices();

// Installs the schedule's outside calls for this process: each rebuild of the
// schedule ends by resetting the session's idle timer.
void InstallScheduleServices();

} // namespace dawnbell
