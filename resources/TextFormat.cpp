#include "TextFormat.h"

#include "Texts.h"

namespace dawnbell {

namespace {

QString Format(const QString& pattern, const TextArg* next, const TextArg* end)
{
    QString out;
    out.reserve(pattern.size());
    const qsizetype len = pattern.size();
    for (qsizetype i = 0; i < len; ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%') || i + 1 >= len) {
            out += c;
            continue;
        }
        const QChar conversion = pattern.at(i + 1);
        if (conversion == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        const bool wantsText = conversion == QLatin1Char('s');
        const bool wantsNumber = conversion == QLatin1Char('d');
        if (next != end && ((wantsText && next->IsText()) || (wantsNumber && !next->IsText()))) {
            if (wantsText)
                out += next->Text();
            else
                out += QString::number(next->Number());
            ++next;
            ++i;
            continue;
        }
        out += c; // not a conversion we were given: the "%" and what follows stay literal
    }
    return out;
}

} // namespace

QString FormatText(const QString& pattern, std::initializer_list<TextArg> args)
{
    return Format(pattern, args.begin(), args.end());
}

QString FormatText(const QString& pattern, const QList<TextArg>& args)
{
    return Format(pattern, args.constData(), args.constData() + args.size());
}

QString FormatTextId(int id, std::initializer_list<TextArg> args)
{
    return FormatText(Text(id), args);
}

} // namespace dawnbell
