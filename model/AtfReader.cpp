#include "AtfReader.h"

#include "Alarm.h"
#include "AtfFormat.h"
#include "Clock.h"
#include "TemplateName.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
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

} // namespace

AtfReader::AtfReader(const QString& programDir, OverwriteQuestion askOverwrite)
    : programDir_(programDir), askOverwrite_(std::move(askOverwrite))
{
}

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
            return Fail(QStringLiteral("%1 is not a number: \"%2\"").arg(QLatin1String(field), text.left(40)));
        *value = 1;
    }
    return true;
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

bool AtfReader::Extract(const QString& target, qint64 size)
{
    // Written beside the target and renamed over it when complete, so a file cut
    // short never replaces a good one.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(target + QStringLiteral(": ") + out.errorString());
    std::vector<char> block(static_cast<size_t>(std::min<qint64>(size, AtfFormat::kPieceBytes)));
    for (qint64 left = size; left > 0;) {
        const qint64 n = std::min<qint64>(left, AtfFormat::kPieceBytes);
        if (in_->read(block.data(), n) != n)
            return Fail(QStringLiteral("end of the file inside the contents of %1").arg(target));
        if (out.write(block.data(), n) != n)
            return Fail(target + QStringLiteral(": ") + out.errorString());
        left -= n;
    }
    if (!out.commit())
        return Fail(target + QStringLiteral(": ") + out.errorString());
    extracted_.append(target);
    return true;
}

bool AtfReader::ExtractFiles(const QString& folder, const char* field)
{
    const QString dir = programDir_ + QLatin1Char('/') + folder;
    if (!QDir().mkpath(dir))
        return Fail(dir + QStringLiteral(": the folder cannot be created"));
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
            return Fail(QStringLiteral("%1 has no usable name: \"%2\"").arg(QLatin1String(field), name.left(80)));
        if (!Number(field, &size))
            return false;
        if (size < 0 || size > Left())
            return Fail(QStringLiteral("%1 %2: size %3 does not fit the file").arg(QLatin1String(field), safe).arg(size));
        const QString target = dir + QLatin1Char('/') + safe;
        const QFileInfo existing(target);
        if ((existing.exists() || existing.isSymLink()) && !(askOverwrite_ && askOverwrite_(target))) {
            if (!Skip(size))
                return Fail(QStringLiteral("end of the file inside the contents of %1").arg(target));
            continue;
        }
        if (!Extract(target, size))
            return false;
    }
}

bool AtfReader::Read(QIODevice* in, AlarmTemplate* t)
{
    in_ = in;
    version_ = 0;
    error_.clear();
    extracted_.clear();
    if (in->isSequential())
        return Fail(QStringLiteral("the template file is not a regular file"));

    QString header;
    if (!Bar(&header, "header"))
        return false;
    version_ = AtfFormat::VersionOf(header);
    if (version_ == 0)
        return Fail(QStringLiteral("unknown header \"%1\"").arg(header.left(40)));

    if (!Counted(&t->name, "name"))
        return false;
    // Checked before anything is extracted: such a name could never be saved.
    if (!TemplateName::IsStorable(t->name))
        return Fail(QStringLiteral("the name \"%1\" cannot be a template's name").arg(t->name.left(80)));

    if (!ExtractFiles(QStringLiteral("sounds"), "sound file") || !ExtractFiles(QStringLiteral("images"), "picture file"))
        return false;

    QStringList playlist;
    for (;;) {
        QString name;
        if (!Bar(&name, "playlist entry"))
            return false;
        if (name.isEmpty())
            break;
        const QString safe = AtfFormat::SafeFileName(name);
        if (safe.isEmpty())
            return Fail(QStringLiteral("playlist entry has no usable name: \"%1\"").arg(name.left(80)));
        if (playlist.size() >= kMaxPlaylistEntries)
            return Fail(QStringLiteral("more than %1 playlist entries").arg(kMaxPlaylistEntries));
        playlist.append(programDir_ + QStringLiteral("/sounds/") + safe);
    }
    t->SetPlaylist(playlist);

    if (!Bytes(reinterpret_cast<char*>(t->fade.data()), kFadePoints, "fade curve"))
        return false;
    qint64 number = 0;
    if (version_ == AtfFormat::kVersion) {
        if (!Number("fadeDuration", &number))
            return false;
        t->fadeDuration = static_cast<int>(number);
    }
    if (!Counted(&t->title, "title") || !Counted(&t->message, "message") || !Counted(&t->command, "command"))
        return false;
    const int pictures = version_ == AtfFormat::kVersion ? AtfFormat::kPictureCount : AtfFormat::kPictureCountOld;
    for (int i = 0; i < pictures; ++i) {
        QString name;
        if (!Counted(&name, "picture"))
            return false;
        if (!name.isEmpty()) {
            const QString safe = AtfFormat::SafeFileName(name);
            if (safe.isEmpty())
                return Fail(QStringLiteral("picture has no usable name: \"%1\"").arg(name.left(80)));
            name = safe;
        }
        t->SetBackImage(AtfFormat::PictureField(i), name);
    }

    uint8_t bytes[6];
    if (!Bytes(reinterpret_cast<char*>(bytes), sizeof bytes, "time and days"))
        return false;
    const int dateYear = t->dateYear; // the import day, kept unless the file has a real date
    for (int i = 0; i < AtfFormat::kNumberCount; ++i) {
        if (!Number(AtfFormat::NumberName(i), &number, i == AtfFormat::kNumberCount - 1))
            return false;
        AtfFormat::SetNumber(t, i, static_cast<int32_t>(number));
    }

    // A part of the time of day out of its range (255: "unknown") reads as 0.
    const int hour = bytes[0] < 24 ? bytes[0] : 0;
    const int minute = bytes[1] < 60 ? bytes[1] : 0;
    const int second = bytes[2] < 60 ? bytes[2] : 0;
    t->SetTimeOfDay(hour * 3600 + minute * 60 + second); // kept as read, also on a daylight-saving day
    t->repeatDays = bytes[3] & 0x7F;
    if (t->dateYear >= 1 && t->dateYear <= 9999 && QDate::isValid(t->dateYear, bytes[5], bytes[4])) {
        t->dateDay = bytes[4];
        t->dateMonth = bytes[5];
    } else {
        t->dateYear = dateYear;
    }
    return true;
}

} // namespace dawnbell
