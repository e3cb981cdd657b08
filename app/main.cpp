// dawnbell: the alarm clock program.
#include "CommandLine.h"
#include "Profile.h"
#include "Scheduler.h"

#include <QCoreApplication>

#include <cstdio>

using namespace dawnbell;

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString line = CommandLine::FromArguments(arguments);

    switch (CommandLine::Classify(line)) {
    case CommandLine::Reinit: {
        // Needs no display: rebuild the schedule from the registry and end.
        QCoreApplication app(argc, argv);
        Profile::SetRegistryKey(QStringLiteral("Torvane"));
        Scheduler::ReRegisterAll();
        return 0;
    }
    default:
        std::fprintf(stderr, "dawnbell: \"%s\": not available yet\n", line.toLocal8Bit().constData());
        return 2;
    }
}
