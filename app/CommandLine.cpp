#include "CommandLine.h"

namespace dawnbell {

QString CommandLine::FromArguments(const QStringList& arguments)
{
    QString line = arguments.join(QLatin1Char(' '));
    if (line.size() > kMaxChars)
        line.truncate(kMaxChars);
    return line;
}

CommandLine::Parsed CommandLine::Classify(const QString& line)
{
    Parsed parsed;
    parsed.text = line;
    if (line.isEmpty())
        parsed.verb = Start;
    else if (line == QLatin1String("reinit"))
        parsed.verb = Reinit;
    else if (line == QLatin1String("autoclose"))
        parsed.verb = AutoClose;
    else if (line == QLatin1String("reset"))
        parsed.verb = Reset;
    else if (line.startsWith(QLatin1String("edit "))) {
        parsed.verb = Edit;
        parsed.key = line.mid(5);
    } else if (line.startsWith(QLatin1String("test "))) {
        parsed.verb = Test;
        parsed.key = line.mid(5);
    } else {
        parsed.verb = Ring;
        parsed.key = line;
    }
    return parsed;
}

CommandLine::Option CommandLine::FindOption(const QStringList& arguments, QString* bad)
{
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('-')))
            continue;
        if (argument == QLatin1String("--help"))
            return HelpOption;
        if (argument == QLatin1String("--version"))
            return VersionOption;
        if (bad)
            *bad = argument.left(kMaxChars);
        return BadOption;
    }
    return NoOption;
}

QString CommandLine::Usage()
{
    return QStringLiteral(
        "Usage: dawnbell [COMMAND]\n"
        "The Dawnbell alarm clock. Without a command it rebuilds the schedule and opens\n"
        "the main window; a running Dawnbell is brought to the front instead.\n"
        "\n"
        "Commands:\n"
        "  KEY          ring the alarm with this key (the alarm service starts it so);\n"
        "               with no display to open it rings without a window\n"
        "  edit KEY     open the alarm with this key in its editor\n"
        "  test KEY     ring the alarm with this key as a test (it stays as it is)\n"
        "  reset        write the first-launch defaults (colours, templates) again\n"
        "  reinit       rebuild the schedule of all alarms and end\n"
        "  autoclose    switch the automatic stop of ringing alarms off, or on again\n"
        "  --help       show this text and end\n"
        "  --version    show the version and end\n"
        "\n"
        "Environment:\n"
        "  DAWNBELL_HOME              device directory (default ~/.local/share/dawnbell)\n"
        "  DAWNBELL_NOW=YYYY-MM-DDTHH:MM:SS   fixes the program's idea of now\n"
        "  DAWNBELL_AUTO_ANSWER=yes|no|ok|cancel   answers every message box unseen\n"
        "  DAWNBELL_MSGBOX_RECORD=FILE            appends each message box to FILE\n"
        "  DAWNBELL_LANGID            platform language id (7 German, 12 French, ...)\n"
        "  DAWNBELL_PLATFORM_VERSION=major.minor.build   platform version to assume\n"
        "  DAWNBELL_SCREEN=WxH[@dpi]  emulates a handheld display, e.g. 480x800@192\n"
        "  DAWNBELL_SYSFS, DAWNBELL_DEVINPUT   roots instead of /sys and /dev/input\n"
        "  DAWNBELL_AUDIO_VIRTUAL=1   a device volume kept in the registry, not ALSA\n"
        "  DAWNBELL_TRACE=FILE        records start-up and ringing moments\n"
        "  DAWNBELL_PROGRAMS          where the lock screen's refresh program is looked for\n");
}

} // namespace dawnbell
