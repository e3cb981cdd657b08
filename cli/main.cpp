// dawnbell-alarm: lists, adds, changes and removes Dawnbell's alarms from a shell.
// Runs without a display; see AlarmTool.h and 'dawnbell-alarm --help'.
#include "AlarmTool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
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
