#include "ExitDeadline.h"

#include "LogFile.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace dawnbell {

void ArmExitDeadline(int seconds, int code, const std::string& logPath)
{
    std::thread([seconds, code, logPath] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        char note[128];
        std::snprintf(note, sizeof note, "warning: the program's end took longer than %d s; ended it with code %d",
                      seconds, code);
        if (!logPath.empty())
            log::LogFile(logPath).Append(note);
        std::fprintf(stderr, "dawnbell: %s\n", note);
        std::fflush(nullptr);
        ::_exit(code);
    }).detach();
}

} // namespace dawnbell
