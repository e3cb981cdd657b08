#include "ProgramLog.h"

#include "DevicePaths.h"
#include "LogFile.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

namespace dawnbell::ProgramLog {

namespace {

log::LogFile& File()
{
    static log::LogFile file(Path());
    return file;
}

const char* LevelPrefix(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug: ";
    case QtInfoMsg: return "";
    case QtWarningMsg: return "warning: ";
    case QtCriticalMsg: return "error: ";
    case QtFatalMsg: return "fatal: ";
    }
    return "";
}

void Handler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const std::string line = std::string(LevelPrefix(type)) + message.toStdString();
    File().Append(line);
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (terminal)
        std::fprintf(stderr, "dawnbell: %s\n", line.c_str());
}

} // namespace

std::string Path()
{
    const std::string dir = DeviceDir();
    return dir.empty() ? std::string() : dir + "/dawnbell.log";
}

void Install() { qInstallMessageHandler(Handler); }

} // namespace dawnbell::ProgramLog
