#include "AtfFormat.h"

#include "Alarm.h"
#include "RegularFile.h"

#include <QFile>

#include <algorithm>
#include <iterator>

namespace dawnbell {

namespace {

const int kPictureOrder[AtfFormat::kPictureCount] = {
    BackImageQVGA, BackImageQVGAWide, BackImageQVGASquare, BackImageVGA, BackImageVGAWide, BackImageVGASquare,
    BackImageWVGA, BackImageWVGALandscape, BackImageWQVGA, BackImageWQVGALandscape, BackImageSquare,
};

// One number of the file: an int field, or a colour (exactly one is set).
struct NumberField {
    const char* name;
    int Alarm::*integer;
    uint32_t Alarm::*colour;
};

const NumberField kNumbers[AtfFormat::kNumberCount] = {
    {"dateYear", &Alarm::dateYear, nullptr},
    {"random", &Alarm::random, nullptr},
    {"snooze", &Alarm::snooze, nullptr},
    {"forceVolume", &Alarm::forceVolume, nullptr},
    {"volume", &Alarm::volume, nullptr},
    {"vibrate", &Alarm::vibrate, nullptr},
    {"quiz", &Alarm::quiz, nullptr},
    {"quizTypes", &Alarm::quizTypes, nullptr},
    {"useSnooze", &Alarm::useSnooze, nullptr},
    {"useFade", &Alarm::useFade, nullptr},
    {"closeAfterMinutes", &Alarm::closeAfterMinutes, nullptr},
    {"closeAfterTimes", &Alarm::closeAfterTimes, nullptr},
    {"useTextColor", &Alarm::useTextColor, nullptr},
    {"useBackColor", &Alarm::useBackColor, nullptr},
    {"backColor", nullptr, &Alarm::backColor},
    {"textColor", nullptr, &Alarm::textColor},
    {"backImageStyle", &Alarm::backImageStyle, nullptr},
    {"layoutStyle", &Alarm::layoutStyle, nullptr},
    {"showSoundControls", &Alarm::showSoundControls, nullptr},
    {"vibrateInterval", &Alarm::vibrateInterval, nullptr},
    {"confirmClose", &Alarm::confirmClose, nullptr},
    {"type", &Alarm::type, nullptr},
    {"quizLevel", &Alarm::quizLevel, nullptr},
};
static_assert(std::size(kNumbers) == AtfFormat::kNumberCount, "one entry per number");

} // namespace

QString AtfFormat::Header(int version)
{
    if (version == kVersion)
        return QStringLiteral("ATF450");
    if (version == kVersionOld)
        return QStringLiteral("ATF");
    return QString();
}

int AtfFormat::VersionOf(const QString& header)
{
    if (header == Header(kVersion))
        return kVersion;
    if (header == Header(kVersionOld))
        return kVersionOld;
    return 0;
}

int AtfFormat::PictureField(int index)
{
    return index >= 0 && index < kPictureCount ? kPictureOrder[index] : -1;
}

const char* AtfFormat::NumberName(int index)
{
    return index >= 0 && index < kNumberCount ? kNumbers[index].name : "";
}

int32_t AtfFormat::GetNumber(const Alarm& alarm, int index)
{
    if (index < 0 || index >= kNumberCount)
        return 0;
    const NumberField& f = kNumbers[index];
    return f.integer ? alarm.*f.integer : static_cast<int32_t>(alarm.*f.colour);
}

void AtfFormat::SetNumber(Alarm* alarm, int index, int32_t value)
{
    if (index < 0 || index >= kNumberCount)
        return;
    const NumberField& f = kNumbers[index];
    if (f.integer)
        alarm->*f.integer = value;
    else
        alarm->*f.colour = static_cast<uint32_t>(value);
}

QString AtfFormat::FileNamePart(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

QString AtfFormat::EmbeddedName(const QString& path)
{
    QString name = FileNamePart(path);
    name.replace(QChar(kBar), QLatin1Char('_'));
    return name;
}

QString AtfFormat::SafeFileName(const QString& name)
{
    const QString part = FileNamePart(PlainName(name));
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
        return QString();
    return part;
}

namespace {

bool IsControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The embedding and override marks (LRE, RLE, PDF, LRO, RLO) and the isolates
// (LRI, RLI, FSI, PDI).
bool IsBidiControl(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString AtfFormat::PlainName(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!IsControl(c.unicode()) && !IsBidiControl(c.unicode()))
            out.append(c);
    }
    return out;
}

QString AtfFormat::PlainText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!IsControl(u) || u == u'\t' || u == u'\r' || u == u'\n')
            out.append(c);
    }
    return out;
}

QString AtfFormat::Quote(const QString& text, int maxChars)
{
    return PlainName(text.left(maxChars));
}

QString AtfFormat::KindName(std::filesystem::file_type type)
{
    using std::filesystem::file_type;
    switch (type) {
    case file_type::regular:
        return QStringLiteral("a regular file");
    case file_type::directory:
        return QStringLiteral("a folder");
    case file_type::fifo:
        return QStringLiteral("a FIFO");
    case file_type::block:
    case file_type::character:
        return QStringLiteral("a device");
    case file_type::socket:
        return QStringLiteral("a socket");
    case file_type::symlink:
        return QStringLiteral("a symbolic link");
    default:
        return QStringLiteral("an unknown entry");
    }
}

bool AtfFormat::OpenRegularFile(const QString& path, QFile* file, QString* error)
{
    std::string why;
    const int fd = dawnbell::OpenRegularFile(QFile::encodeName(path).toStdString(), &why);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(why.c_str());
        return false;
    }
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = file->errorString();
        CloseRegularFile(fd);
        return false;
    }
    return true;
}

} // namespace dawnbell
