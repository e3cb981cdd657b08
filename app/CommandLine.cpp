#include "CommandLine.h"

namespace dawnbell {

QString CommandLine::FromArguments(const QStringList& arguments)
{
    QString line = arguments.join(QLatin1Char(' '));
    if (line.size() > kMaxChars)
        line.truncate(kMaxChars);
    return line;
}

CommandLine::Verb CommandLine::Classify(const QString& line, QString* key)
{
    if (key)
        key->clear();
    if (line.isEmpty())
        return Start;
    if (line == QLatin1String("reinit"))
        return Reinit;
    if (line == QLatin1String("autoclose"))
        return AutoClose;
    if (line == QLatin1String("reset"))
        return Reset;
    if (line.startsWith(QLatin1String("edit "))) {
        if (key)
            *key = line.mid(5);
        return Edit;
    }
    if (line.startsWith(QLatin1String("test "))) {
        if (key)
            *key = line.mid(5);
        return Test;
    }
    if (key)
        *key = line;
    return Ring;
}

} // namespace dawnbell
