#include "AtfFormat.h"

#include "Alarm.h"

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
    const QString part = FileNamePart(name);
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") || part.contains(QChar(0)))
        return QString();
    return part;
}

} // namespace dawnbell
