#pragma once
// The program's own collaborators, each filled in one line: the windows the main
// window opens. Tests that drive the program as it runs use them too.
#include "MainWindowServices.h"

namespace dawnbell {

// The windows of this program for its main window; a window not built yet stays empty.
MainWindowServices ProgramMainWindowServices();

} // namespace dawnbell
