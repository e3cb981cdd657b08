#include "Locale.h"

#include "Clock.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace dawnbell {

QString QtFormatToPicture(const QString& qtFormat)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < qtFormat.size(); ++i) {
        const QChar c = qtFormat[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (quoted) {
            out += c;
            continue;
        }
        if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
            if (i + 1 < qtFormat.size() && (qtFormat[i + 1] == QLatin1Char('P') || qtFormat[i + 1] == QLatin1Char('p')))
                ++i;
            out += QLatin1String("tt");
            continue;
        }
        if (c == QLatin1Char('t')) {
            // Qt's time-zone name has no picture counterpart: drop it and the blank before it.
            while (!out.isEmpty() && out.back() == QLatin1Char(' '))
                out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

QString PictureToQtFormat(const QString& picture)
{
    QString out;
    for (qsizetype i = 0; i < picture.size(); ++i) {
        const QChar c = picture[i];
        if (c == QLatin1Char('t')) {
            if (i + 1 < picture.size() && picture[i + 1] == QLatin1Char('t'))
                ++i;
            out += QLatin1String("AP");
            continue;
        }
        out += c;
    }
    return out;
}

QString LocaleTimeFormat()
{
    return QtFormatToPicture(QLocale::system().timeFormat(QLocale::LongFormat));
}

QString StripSeconds(const QString& pictureIn)
{
    QString picture = pictureIn;
    const qsizetype s = picture.indexOf(QLatin1Char('s'));
    if (s >= 0) {
        qsizetype start = s;
        while (start > 0 && !picture[start - 1].isLetter())
            --start;
        qsizetype end = s;
        while (end < picture.size() && picture[end] == QLatin1Char('s'))
            ++end;
        picture.remove(start, end - start);
    }
    return picture;
}

QString LocaleShortTimeFormat()
{
    // Some locales (C/POSIX among them) have seconds even in their short format.
    return StripSeconds(QtFormatToPicture(QLocale::system().timeFormat(QLocale::ShortFormat)));
}

QString LocaleShortDateFormat()
{
    return QtFormatToPicture(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString FormatTimeNoSeconds(int64_t moment)
{
    const clock::LocalTime lt = clock::ToLocal(moment);
    return QLocale::system().toString(QTime(lt.hour, lt.minute, lt.second),
                                      PictureToQtFormat(LocaleShortTimeFormat()));
}

QString FormatShortDate(int64_t moment)
{
    const clock::LocalTime lt = clock::ToLocal(moment);
    return QLocale::system().toString(QDate(lt.year, lt.month, lt.day), PictureToQtFormat(LocaleShortDateFormat()));
}

int PlatformLanguageId()
{
    const QByteArray env = qgetenv("DAWNBELL_LANGID").trimmed();
    if (!env.isEmpty()) {
        bool ok = false;
        const int id = env.toInt(&ok, 0);
        if (ok && id >= 0 && id <= 0xFFFF)
            return id;
    }
    static const struct {
        QLocale::Language language;
        int primary;
    } kPrimary[] = {
        {QLocale::Arabic, 0x01},   {QLocale::Bulgarian, 0x02}, {QLocale::Catalan, 0x03},
        {QLocale::Chinese, 0x04},  {QLocale::Czech, 0x05},     {QLocale::Danish, 0x06},
        {QLocale::German, 0x07},   {QLocale::Greek, 0x08},     {QLocale::English, 0x09},
        {QLocale::Spanish, 0x0A},  {QLocale::Finnish, 0x0B},   {QLocale::French, 0x0C},
        {QLocale::Hebrew, 0x0D},   {QLocale::Hungarian, 0x0E}, {QLocale::Icelandic, 0x0F},
        {QLocale::Italian, 0x10},  {QLocale::Japanese, 0x11},  {QLocale::Korean, 0x12},
        {QLocale::Dutch, 0x13},    {QLocale::NorwegianBokmal, 0x14}, {QLocale::Polish, 0x15},
        {QLocale::Portuguese, 0x16}, {QLocale::Romanian, 0x18}, {QLocale::Russian, 0x19},
        {QLocale::Croatian, 0x1A}, {QLocale::Slovak, 0x1B},    {QLocale::Swedish, 0x1D},
        {QLocale::Thai, 0x1E},     {QLocale::Turkish, 0x1F},   {QLocale::Ukrainian, 0x22},
    };
    const QLocale::Language lang = QLocale::system().language();
    for (const auto& entry : kPrimary) {
        if (entry.language == lang)
            return entry.primary | (1 << 10); // default sublanguage
    }
    return 0x0409; // English (United States)
}

} // namespace dawnbell
