// The command line of dawnbell-alarm: arguments are the input split at line
// feeds, parsed with a fixed set of local day names. Any input must parse or be
// refused with a one-line message, without a crash; an accepted request must
// hold only values inside their bounds.
#include "ToolArguments.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace dawnbell::cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList args = input.split(QLatin1Char('\n'));
    if (args.size() > 32)
        args = args.mid(0, 32);
    DayNames local;
    const char* const names[7] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    for (int d = 0; d < 7; ++d)
        local.names[d] << QString::fromLatin1(names[d]) << QString();

    ToolRequest r;
    QString error;
    if (!ToolArguments::Parse(args, local, &r, &error)) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const AddOptions& a = r.add;
    if (a.secondsOfDay && (*a.secondsOfDay < 0 || *a.secondsOfDay >= 86400))
        std::abort();
    if (a.inSeconds && (*a.inSeconds <= 0 || *a.inSeconds >= 86400))
        std::abort();
    if (a.days && (*a.days <= 0 || *a.days > 127))
        std::abort();
    if (a.date && (a.date->month < 1 || a.date->month > 12 || a.date->day < 1 || a.date->day > 31))
        std::abort();
    for (const dawnbell::ToolField& f : dawnbell::ToolFields()) {
        const GivenValue* v = a.Value(f);
        if (!v)
            continue;
        switch (f.form) {
        case dawnbell::ToolForm::Text:
            if (v->text.size() > ToolArguments::kMaxTextChars)
                std::abort();
            break;
        case dawnbell::ToolForm::Playlist:
            if (v->files.isEmpty() || v->files.size() > ToolArguments::kMaxSounds || v->files.contains(QString()))
                std::abort();
            break;
        case dawnbell::ToolForm::Flag:
            if (v->number != 0 && v->number != 1)
                std::abort();
            break;
        case dawnbell::ToolForm::Number:
        case dawnbell::ToolForm::Switched:
            if (v->number < f.min || v->number > f.max)
                std::abort();
            break;
        default:
            break;
        }
    }
    if (r.command == Command::Add && !a.templateName && !a.secondsOfDay && !a.inSeconds)
        std::abort();
    return 0;
}
