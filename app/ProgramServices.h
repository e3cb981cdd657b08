#pragma once
// The program's own collaborators, each filled in one line: the windows the main
// window opens and the schedule's outside calls. Tests that drive the program as
// it runs use them too.
#include "MainWindowServices.h"

namespace dawnbell {

// The windows of this program for its main window; a window not built yet stays empty.
MainWindowServices ProgramMainWindowServices();

// Subscribes this process to the rebuilds of the schedule (AlarmChanges): each
// one resets the session's idle timer. Once per process; later calls do nothing.
void InstallScheduleServices();

} // namespace dawnbell
