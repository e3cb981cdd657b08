#include "AlarmField.h"

#include <cstring>

namespace dawnbell {

namespace {

// Row builders, one per kind: name, member, new value, load default, range.
#define DB_PLAYLIST(name) {name, FieldKind::Playlist, nullptr, nullptr, nullptr, -1, 0, 0, 0, 0}
#define DB_FADE(name) {name, FieldKind::Fade, nullptr, nullptr, nullptr, -1, 0, 0, 0, 0}
#define DB_TEXT(name, member) {name, FieldKind::Text, nullptr, nullptr, &Alarm::member, -1, 0, 0, 0, 0}
#define DB_IMAGE(name, field) {name, FieldKind::Text, nullptr, nullptr, nullptr, field, 0, 0, 0, 0}
#define DB_INT(name, member, newValue, loadDefault, min, max) \
    {name, FieldKind::Integer, &Alarm::member, nullptr, nullptr, -1, newValue, loadDefault, min, max}
#define DB_COLOUR(name, member, newValue, loadDefault) \
    {name, FieldKind::Colour, nullptr, &Alarm::member, nullptr, -1, newValue, loadDefault, 0, 0xFFFFFF}
#define DB_HANDLE(name) {name, FieldKind::Handle, nullptr, nullptr, nullptr, -1, 0, 0, 0, 0}

constexpr int64_t kMaxSnoozeSeconds = 999 * 60; // the editors offer up to 999 minutes

//                         value name            member             new  load  min  max
const std::vector<AlarmField> kFields = {
    DB_PLAYLIST("playlistCount"),
    DB_FADE("fade"),
    DB_TEXT("title", title),
    DB_TEXT("message", message),
    DB_TEXT("command", command),
    DB_IMAGE("backImageWVGA", BackImageWVGA),
    DB_IMAGE("backImageWQVGA", BackImageWQVGA),
    DB_IMAGE("backImageWVGALandscape", BackImageWVGALandscape),
    DB_IMAGE("backImageWQVGALandscape", BackImageWQVGALandscape),
    DB_IMAGE("backImageQVGA", BackImageQVGA),
    DB_IMAGE("backImageQVGAWide", BackImageQVGAWide),
    DB_IMAGE("backImageQVGASquare", BackImageQVGASquare),
    DB_IMAGE("backImageVGA", BackImageVGA),
    DB_IMAGE("backImageVGAWide", BackImageVGAWide),
    DB_IMAGE("backImageVGASquare", BackImageVGASquare),
    DB_IMAGE("backImageSquare", BackImageSquare),
    DB_INT("activated",         activated,           1,    0,   0,   1),
    DB_INT("random",            random,              1,    0,   0,   1),
    DB_INT("snooze",            snooze,            180,    0,   0,   kMaxSnoozeSeconds),
    DB_INT("forceVolume",       forceVolume,         0,    0,   0,   1),
    DB_INT("volume",            volume,             50,   50,   0, 100),
    DB_INT("fadeDuration",      fadeDuration,        5,    5,   0,  99),
    DB_INT("vibrate",           vibrate,             1,    0,   0,   1),
    DB_INT("quiz",              quiz,                3,    3,   0,  99),
    DB_INT("quizLevel",         quizLevel,           1,    1,   0,  99),
    DB_INT("quizTypes",         quizTypes,           7,    1,   0,   7),
    DB_INT("useSnooze",         useSnooze,           1,    1,   0,   1),
    DB_INT("useFade",           useFade,             1,    1,   0,   1),
    DB_INT("closeAfterMinutes", closeAfterMinutes,   0,    0,   0, 999),
    DB_INT("closeAfterTimes",   closeAfterTimes,     0,    0,   0, 999),
    DB_INT("useTextColor",      useTextColor,        0,    0,   0,   1),
    DB_INT("useBackColor",      useBackColor,        0,    0,   0,   1),
    DB_COLOUR("backColor",      backColor,    15116940, 15116940),
    DB_COLOUR("textColor",      textColor,    0xFFFFFF, 0xFFFFFF),
    DB_INT("backImageStyle",    backImageStyle,      0,    0,   0,   3),
    DB_INT("layoutStyle",       layoutStyle,         0,    0,   0,   2),
    DB_INT("showSoundControls", showSoundControls,   0,    0,   0,   1),
    DB_INT("vibrateInterval",   vibrateInterval,     1,    1,   0,   1),
    DB_INT("confirmClose",      confirmClose,        1,    1,   0,   1),
    DB_INT("type",              type,      AlarmWizard, AlarmCompact, AlarmCompact, AlarmCommand),
    DB_INT("noTextBorder",      noTextBorder,        0,    0,   0,   1),
    DB_HANDLE("notificationHandle"),
};

#undef DB_PLAYLIST
#undef DB_FADE
#undef DB_TEXT
#undef DB_IMAGE
#undef DB_INT
#undef DB_COLOUR
#undef DB_HANDLE

} // namespace

int64_t AlarmField::Number(const Alarm& a) const
{
    if (kind == FieldKind::Integer)
        return a.*integer;
    if (kind == FieldKind::Colour)
        return a.*colour;
    return 0;
}

void AlarmField::SetNumber(Alarm* a, int64_t v) const
{
    if (kind == FieldKind::Integer)
        a->*integer = static_cast<int>(v);
    else if (kind == FieldKind::Colour)
        a->*colour = static_cast<uint32_t>(v);
}

const QString& AlarmField::TextOf(const Alarm& a) const
{
    return image >= 0 ? a.backImages[image] : a.*text;
}

QString& AlarmField::TextOf(Alarm* a) const
{
    return image >= 0 ? a->backImages[image] : a->*text;
}

const std::vector<AlarmField>& AlarmFields()
{
    return kFields;
}

const AlarmField* FindAlarmField(const char* name)
{
    for (const AlarmField& f : kFields) {
        if (std::strcmp(f.name, name) == 0)
            return &f;
    }
    return nullptr;
}

std::array<uint8_t, kFadePoints> NewFadeCurve()
{
    std::array<uint8_t, kFadePoints> curve{};
    for (int i = 0; i < kFadePoints; ++i)
        curve[i] = static_cast<uint8_t>(2 * i);
    return curve;
}

} // namespace dawnbell
