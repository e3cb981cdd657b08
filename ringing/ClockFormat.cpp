#include "ClockFormat.h"

namespace dawnbell {

QString ClockFormat::FromPicture(const QString& pictureIn)
{
    const QString picture = pictureIn.left(kMaxPictureChars);
    QString out;
    for (int i = 0; i < picture.size();) {
        const QChar c = picture[i];
        if (c == QLatin1Char('\'')) {
            // Quoted text is literal; '' stands for one quote.
            int j = i + 1;
            if (j < picture.size() && picture[j] == QLatin1Char('\'')) {
                out += c;
                i = j + 1;
                continue;
            }
            for (; j < picture.size() && picture[j] != QLatin1Char('\''); ++j)
                out += picture[j] == QLatin1Char('%') ? QStringLiteral("%%") : QString(picture[j]);
            i = j + 1;
            continue;
        }
        const bool doubled = i + 1 < picture.size() && picture[i + 1] == c;
        const char* two = nullptr;
        const char* one = nullptr;
        switch (c.unicode()) {
        case 'h': two = "%I"; one = "%#I"; break;
        case 'H': two = "%H"; one = "%#H"; break;
        case 'm': two = "%M"; one = "%#M"; break;
        case 's': two = "%S"; one = "%#S"; break;
        case 't': two = "%p"; one = "%p"; break;
        default: break;
        }
        if (two) {
            // The two-letter form is taken first, so "hh" never becomes two "h".
            out += QLatin1String(doubled ? two : one);
            i += doubled ? 2 : 1;
            continue;
        }
        if (c == QLatin1Char('%'))
            out += QLatin1String("%%");
        else
            out += c;
        ++i;
    }
    return out;
}

QString ClockFormat::Format(const QString& format, int hour, int minute, int second, const QString& am,
                            const QString& pm)
{
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    QString out;
    for (int i = 0; i < format.size() && out.size() < kMaxTextChars; ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        int j = i + 1;
        const bool noPad = format[j] == QLatin1Char('#');
        if (noPad)
            ++j;
        if (j >= format.size()) {
            out += format.mid(i);
            break;
        }
        int value = -1;
        switch (format[j].unicode()) {
        case 'I': value = hour12; break;
        case 'H': value = hour; break;
        case 'M': value = minute; break;
        case 'S': value = second; break;
        case 'p': out += hour < 12 ? am : pm; i = j; continue;
        case '%': out += QLatin1Char('%'); i = j; continue;
        default:
            out += format.mid(i, j - i + 1);
            i = j;
            continue;
        }
        out += noPad ? QString::number(value) : QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
        i = j;
    }
    return out.left(kMaxTextChars);
}

} // namespace dawnbell
