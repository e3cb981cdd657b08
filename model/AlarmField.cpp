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

namespace {

// Tool rows, one builder per form. Arguments in the order of ToolField.
ToolField ToolText(const char* row, int place, const char* option, const char* json, const char* label,
                   const char* listColumn, const char* help)
{
    return {row, ToolForm::Text, ToolKinds::All, place, option, json, label, listColumn, "TEXT", help,
            nullptr, 0, 0, 1, nullptr, false, nullptr, nullptr, nullptr, nullptr, false};
}

ToolField ToolCommand(const char* row, int place, const char* option, const char* json, const char* label,
                      const char* metavar, const char* help)
{
    return {row, ToolForm::Command, ToolKinds::Command, place, option, json, label, nullptr, metavar, help,
            nullptr, 0, 0, 1, nullptr, false, nullptr, nullptr, nullptr, nullptr, false};
}

ToolField ToolPlaylist(const char* row, int place, const char* option, const char* json, const char* label,
                       const char* help)
{
    return {row, ToolForm::Playlist, ToolKinds::Ringing, place, option, json, label, nullptr, "FILE", help,
            nullptr, 0, 0, 1, nullptr, false, nullptr, nullptr, nullptr, nullptr, false};
}

ToolField ToolFlag(const char* row, ToolKinds kinds, int place, const char* option, const char* json,
                   const char* label, const char* help)
{
    return {row, ToolForm::Flag, kinds, place, option, json, label, nullptr, nullptr, help,
            nullptr, 0, 1, 1, nullptr, false, nullptr, nullptr, nullptr, nullptr, false};
}

ToolField ToolNumber(const char* row, ToolKinds kinds, int place, const char* option, const char* json,
                     const char* label, const char* metavar, const char* help, const char* hint, int min, int max,
                     int unit, const char* shown, const char* zeroText)
{
    return {row, ToolForm::Number, kinds, place, option, json, label, nullptr, metavar, help,
            hint, min, max, unit, nullptr, false, nullptr, nullptr, shown, zeroText, false};
}

// `switchRow` off: the value does not count; the option's 0 switches it off when
// `zeroSwitchesOff`, JSON shows null (`nullWhenOff`) or 0 then.
ToolField ToolSwitched(const char* row, ToolKinds kinds, int place, const char* option, const char* json,
                       const char* label, const char* metavar, const char* help, const char* hint, int min,
                       int max, int unit, const char* switchRow, bool zeroSwitchesOff, const char* offOption,
                       const char* offHelp, const char* shown, const char* offText, bool nullWhenOff)
{
    return {row, ToolForm::Switched, kinds, place, option, json, label, nullptr, metavar, help,
            hint, min, max, unit, switchRow, zeroSwitchesOff, offOption, offHelp, shown, offText, nullWhenOff};
}

// The values dawnbell-alarm shows and takes, in place order. The places leave
// room for the tool's own options (time 1-4, inactive 80, from-template 85).
// Texts are the tool's, in English like the rest of its help.
const std::vector<ToolField> kToolFields = {
    ToolText("title", 10, "title", "title", "Title", "TITLE", "first line shown when ringing"),
    ToolText("message", 20, "message", "message", "Message", nullptr, "message shown when ringing"),
    ToolPlaylist("playlistCount", 30, "sound", "sounds", "Sounds", "a sound to play; repeat for a playlist"),
    ToolSwitched("snooze", ToolKinds::Ringing, 40, "snooze", "snooze_seconds", "Snooze", "MINUTES",
                 "snooze length, 0 to 99 (0 = no snooze)", "minutes from 0 to 99; 0 switches snooze off", 0, 99,
                 60, "useSnooze", true, "no-snooze", "no snooze", "%1 s", "off", false),
    ToolNumber("quiz", ToolKinds::Ringing, 50, "quiz", "quiz", "Quiz", "N",
               "ask a quiz from the Nth snooze on (0 = never, up to 9)",
               "the snooze from which a quiz is asked, 0 to 9; 0 = never", 0, 9, 1, "from snooze %1", "never"),
    ToolFlag("vibrate", ToolKinds::Ringing, 60, "vibrate", "vibrate", "Vibrate",
             "vibrate while ringing (new alarms do)"),
    ToolSwitched("volume", ToolKinds::Ringing, 70, "volume", "volume", "Volume", "PERCENT",
                 "force the device volume while ringing", "percent from 0 to 100", 0, 100, 1, "forceVolume", false,
                 nullptr, nullptr, "%1%", "as set", true),
    ToolCommand("command", 90, "command", "command", "Command", "\"PROGRAM ARGS\"",
                "a command alarm: start PROGRAM with ARGS (or open a\ndocument) instead of ringing"),
};

} // namespace

const AlarmField& ToolField::Field() const
{
    return *FindAlarmField(row);
}

const AlarmField* ToolField::Switch() const
{
    return switchRow ? FindAlarmField(switchRow) : nullptr;
}

bool ToolField::AppliesTo(int type) const
{
    switch (kinds) {
    case ToolKinds::Ringing:
        return type != AlarmCommand;
    case ToolKinds::Command:
        return type == AlarmCommand;
    default:
        return true;
    }
}

std::optional<int64_t> ToolField::Shown(const Alarm& a) const
{
    if (const AlarmField* on = Switch(); on && on->Number(a) == 0)
        return std::nullopt;
    return Field().Number(a);
}

void ToolField::SetFromOption(Alarm* a, int number) const
{
    const AlarmField& f = Field();
    switch (form) {
    case ToolForm::Flag:
        f.SetNumber(a, number ? 1 : 0);
        break;
    case ToolForm::Number:
        f.SetNumber(a, int64_t(number) * unit);
        break;
    case ToolForm::Switched:
        if (zeroSwitchesOff && number == 0) {
            Switch()->SetNumber(a, 0); // the stored number stays for the next switch on
        } else {
            Switch()->SetNumber(a, 1);
            f.SetNumber(a, int64_t(number) * unit);
        }
        break;
    default:
        break; // texts, the playlist and the command are set by the tool itself
    }
}

const std::vector<ToolField>& ToolFields()
{
    return kToolFields;
}

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
