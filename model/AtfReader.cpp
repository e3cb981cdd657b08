#include "AtfReader.h"

#include "Alarm.h"
#include "AlarmField.h"
#include "AtfFormat.h"
#include "Clock.h"
#include "TemplateName.h"

#include <QDate>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <vector>

namespace dawnbell {

namespace {

bool IsCSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The value of `text` as a C integer conversion reads it: leading white space,
// an optional sign, then the leading decimal digits (the rest is ignored; no
// digits read as 0). Saturates at the 32-bit range.
int64_t CNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsCSpace(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    int64_t v = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        v = std::min<int64_t>(v * 10 + (text[i].unicode() - u'0'), int64_t(std::numeric_limits<int32_t>::max()) + 1);
    v = negative ? -v : v;
    return std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

// The range a number of the file's end must lie in: the one the program gives
// its field. dateYear has no stored value of its own: an appointment's key
// holds it in four digits.
void RangeOf(int index, qint64* min, qint64* max)
{
    const char* name = AtfFormat::NumberName(index);
    if (const AlarmField* f = FindAlarmField(name)) {
        *min = f->min;
        *max = f->max;
    } else {
        *min = 1;
        *max = 9999;
    }
}

} // namespace

AtfReader::AtfReader(const QString& programDir) : programDir_(programDir) {}

bool AtfReader::Fail(const QString& what)
{
    error_ = what;
    return false;
}

qint64 AtfReader::Left() const
{
    return std::max<qint64>(0, in_->size() - in_->pos());
}

bool AtfReader::Units(qint64 count, QString* text)
{
    std::vector<char> piece;
    while (count > 0) {
        const qint64 n = std::min<qint64>(count, AtfFormat::kPieceUnits);
        piece.resize(static_cast<size_t>(n * 2));
        if (in_->read(piece.data(), n * 2) != n * 2)
            return false;
        const qsizetype at = text->size();
        text->resize(at + n);
        QChar* out = text->data() + at;
        for (qint64 i = 0; i < n; ++i)
            out[i] = QChar(qFromLittleEndian<char16_t>(piece.data() + 2 * i));
        count -= n;
    }
    return true;
}

bool AtfReader::Bar(QString* text, const char* field)
{
    text->clear();
    for (;;) {
        char unit[2];
        if (in_->read(unit, 2) != 2)
            return Fail(QStringLiteral("end of the file inside %1").arg(QLatin1String(field)));
        const char16_t c = qFromLittleEndian<char16_t>(unit);
        if (c == AtfFormat::kBar)
            return true;
        if (text->size() >= kMaxBarTextChars)
            return Fail(QStringLiteral("%1 longer than %2 characters").arg(QLatin1String(field)).arg(kMaxBarTextChars));
        text->append(QChar(c));
    }
}

bool AtfReader::Number(const char* field, qint64* value, bool zeroFallback)
{
    QString text;
    if (!Bar(&text, field))
        return false;
    *value = CNumber(text);
    if (*value == 0 && text != QLatin1String("0")) {
        if (!zeroFallback)
            return Fail(QStringLiteral("%1 is not a number: \"%2\"").arg(QLatin1String(field), AtfFormat::Quote(text, 40)));
        *value = 1;
    }
    return true;
}

bool AtfReader::InRange(const char* field, qint64 value, qint64 min, qint64 max)
{
    if (value >= min && value <= max)
        return true;
    return Fail(QStringLiteral("%1 %2 is out of its range %3-%4").arg(QLatin1String(field)).arg(value).arg(min).arg(max));
}

bool AtfReader::Counted(QString* text, const char* field)
{
    qint64 count = 0;
    if (!Number(field, &count))
        return false;
    if (count < 0 || count > kMaxCountedTextChars || count * 2 > Left())
        return Fail(QStringLiteral("%1: count %2 does not fit the file").arg(QLatin1String(field)).arg(count));
    text->clear();
    if (!Units(count, text))
        return Fail(QStringLiteral("end of the file inside %1").arg(QLatin1String(field)));
    return true;
}

bool AtfReader::Bytes(char* data, qint64 size, const char* field)
{
    if (in_->read(data, size) != size)
        return Fail(QStringLiteral("end of the file inside %1").arg(QLatin1String(field)));
    return true;
}

bool AtfReader::Skip(qint64 size)
{
    return in_->seek(in_->pos() + size);
}

bool AtfReader::PeekBar(bool* atBar)
{
    char unit[2];
    if (in_->peek(unit, 2) != 2)
        return Fail(QStringLiteral("end of the file before the end of the embedded files"));
    *atBar = qFromLittleEndian<char16_t>(unit) == AtfFormat::kBar;
    return true;
}

bool AtfReader::FindFiles(const QString& folder, const char* field)
{
    for (;;) {
        bool atBar = false;
        if (!PeekBar(&atBar))
            return false;
        if (atBar)
            return Skip(2);
        QString name;
        qint64 size = 0;
        if (!Bar(&name, field))
            return false;
        const QString safe = AtfFormat::SafeFileName(name);
        if (safe.isEmpty())
            return Fail(QStringLiteral("%1 has no usable name: \"%2\"").arg(QLatin1String(field), AtfFormat::Quote(name)));
        if (!Number(field, &size))
            return false;
        if (size < 0 || size > Left())
            return Fail(QStringLiteral("%1 %2: size %3 does not fit the file").arg(QLatin1String(field), safe).arg(size));
        if (static_cast<qint64>(embedded_.size()) >= AtfFormat::kMaxEmbeddedFiles)
            return Fail(QStringLiteral("more than %1 embedded sound and picture files").arg(AtfFormat::kMaxEmbeddedFiles));
        if (size > AtfFormat::kMaxEmbeddedBytes - embeddedBytes_)
            return Fail(QStringLiteral("the embedded files are larger than %1 MiB together")
                            .arg(AtfFormat::kMaxEmbeddedBytes / (1024 * 1024)));
        embeddedBytes_ += size;
        embedded_.push_back(AtfEmbeddedFile{folder, safe, in_->pos(), size});
        if (!Skip(size))
            return Fail(QStringLiteral("end of the file inside the contents of %1").arg(safe));
    }
}

bool AtfReader::Read(QIODevice* in, AlarmTemplate* t)
{
    in_ = in;
    version_ = 0;
    error_.clear();
    embedded_.clear();
    embeddedBytes_ = 0;
    if (in->isSequential())
        return Fail(QStringLiteral("the template file is not a regular file"));

    QString header;
    if (!Bar(&header, "header"))
        return false;
    version_ = AtfFormat::VersionOf(header);
    if (version_ == 0)
        return Fail(QStringLiteral("unknown header \"%1\"").arg(AtfFormat::Quote(header, 40)));

    QString name;
    if (!Counted(&name, "name"))
        return false;
    t->name = AtfFormat::PlainName(name);
    if (!TemplateName::IsStorable(t->name))
        return Fail(QStringLiteral("the name \"%1\" cannot be a template's name").arg(AtfFormat::Quote(t->name)));

    if (!FindFiles(QStringLiteral("sounds"), "sound file") || !FindFiles(QStringLiteral("images"), "picture file"))
        return false;

    QStringList playlist;
    for (;;) {
        QString entry;
        if (!Bar(&entry, "playlist entry"))
            return false;
        if (entry.isEmpty())
            break;
        const QString safe = AtfFormat::SafeFileName(entry);
        if (safe.isEmpty())
            return Fail(QStringLiteral("playlist entry has no usable name: \"%1\"").arg(AtfFormat::Quote(entry)));
        if (playlist.size() >= kMaxPlaylistEntries)
            return Fail(QStringLiteral("more than %1 playlist entries").arg(kMaxPlaylistEntries));
        playlist.append(programDir_ + QStringLiteral("/sounds/") + safe);
    }
    t->SetPlaylist(playlist);

    if (!Bytes(reinterpret_cast<char*>(t->fade.data()), kFadePoints, "fade curve"))
        return false;
    // Each point is a volume in percent of the target.
    for (int i = 0; i < kFadePoints; ++i) {
        if (t->fade[i] > 100)
            return Fail(QStringLiteral("fade point %1 is %2, out of its range 0-100").arg(i).arg(t->fade[i]));
    }
    qint64 number = 0;
    if (version_ == AtfFormat::kVersion) {
        const AlarmField* duration = FindAlarmField("fadeDuration");
        if (!Number("fadeDuration", &number) || !InRange("fadeDuration", number, duration->min, duration->max))
            return false;
        t->fadeDuration = static_cast<int>(number);
    }
    if (!Counted(&t->title, "title") || !Counted(&t->message, "message") || !Counted(&t->command, "command"))
        return false;
    t->title = AtfFormat::PlainText(t->title);
    t->message = AtfFormat::PlainText(t->message);
    t->command = AtfFormat::PlainText(t->command);
    const int pictures = version_ == AtfFormat::kVersion ? AtfFormat::kPictureCount : AtfFormat::kPictureCountOld;
    for (int i = 0; i < pictures; ++i) {
        QString picture;
        if (!Counted(&picture, "picture"))
            return false;
        if (!picture.isEmpty()) {
            const QString safe = AtfFormat::SafeFileName(picture);
            if (safe.isEmpty())
                return Fail(QStringLiteral("picture has no usable name: \"%1\"").arg(AtfFormat::Quote(picture)));
            picture = safe;
        }
        t->SetBackImage(AtfFormat::PictureField(i), picture);
    }

    uint8_t bytes[6];
    if (!Bytes(reinterpret_cast<char*>(bytes), sizeof bytes, "time and days"))
        return false;
    // A part of the time of day may be 255, "could not be determined" (read as 0).
    const auto timePart = [this](const char* field, uint8_t value, int max, int* out) {
        *out = value == 255 ? 0 : value;
        return value == 255 || InRange(field, value, 0, max);
    };
    int hour = 0, minute = 0, second = 0;
    if (!timePart("hour", bytes[0], 23, &hour) || !timePart("minute", bytes[1], 59, &minute)
        || !timePart("second", bytes[2], 59, &second) || !InRange("repeatDays", bytes[3], 0, 127)
        || !InRange("dateDay", bytes[4], 1, 31) || !InRange("dateMonth", bytes[5], 1, 12))
        return false;

    const int dateYear = t->dateYear; // the import day, kept unless the file has a real date
    for (int i = 0; i < AtfFormat::kNumberCount; ++i) {
        qint64 min = 0, max = 0;
        RangeOf(i, &min, &max);
        if (!Number(AtfFormat::NumberName(i), &number, i == AtfFormat::kNumberCount - 1)
            || !InRange(AtfFormat::NumberName(i), number, min, max))
            return false;
        AtfFormat::SetNumber(t, i, static_cast<int32_t>(number));
    }

    t->SetTimeOfDay(hour * 3600 + minute * 60 + second); // kept as read, also on a daylight-saving day
    t->repeatDays = bytes[3];
    if (QDate::isValid(t->dateYear, bytes[5], bytes[4])) {
        t->dateDay = bytes[4];
        t->dateMonth = bytes[5];
    } else {
        t->dateYear = dateYear; // a day the month does not have (30 February)
    }
    return true;
}

} // namespace dawnbell
