// dawnbell-alarm: lists, adds, changes and removes Dawnbell's alarms from a shell.
// Runs without a display; see AlarmTool.h and 'dawnbell-alarm --help'.
#include "AlarmTool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

// Every failure the user must know of is told as one "dawnbell-alarm: ..." line;
// the libraries' own warnings would only repeat it.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "dawnbell-alarm: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietMessages);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    int code = 0;
    {
        dawnbell::cli::AlarmTool tool(out, err);
        code = tool.Run(QCoreApplication::arguments().mid(1));
    }
    out.flush();
    err.flush();
    return code;
}
