#include "FirstLaunch.h"

#include "Alarm.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "Profile.h"
#include "Registry.h"
#include "Texts.h"

namespace dawnbell {

namespace {

// One built-in template. Colours 0x00BBGGRR, time of day in hours.
struct TemplateDefaults {
    int nameId, titleId, messageId;
    int hour;
    int repeatDays;
    int type;
    uint32_t backColor, textColor;
    const char* prefix;
    int snooze, useSnooze, quiz, forceVolume, volume, useFade, vibrate;
    int closeAfterMinutes, closeAfterTimes, confirmClose, layoutStyle;
};

const TemplateDefaults kTemplates[FirstLaunch::kTemplateCount] = {
    {188, 189, 190, 7, 31, AlarmWizard, 701690, 150, "morning", 180, 1, 3, 1, 77, 1, 0, 0, 0, 1, 0},
    {191, 192, 193, 12, 127, AlarmWizard, 8536370, 16440520, "bigben", 180, 0, 0, 0, 77, 0, 0, 0, 1, 0, 1},
    {194, 195, 196, 18, 127, AlarmWizard, 0, 701690, "medication", 600, 1, 0, 0, 77, 0, 1, 5, 0, 0, 1},
    {197, 198, 199, 10, 0, AlarmAppointment, 16777215, 5263440, "meeting", 180, 0, 0, 0, 77, 0, 1, 5, 0, 0, 1},
    {200, 201, 202, 18, 0, AlarmWizard, 150, 3947770, "pizza", 180, 1, 0, 1, 100, 0, 1, 15, 0, 0, 0},
};

// Picture suffix per background-image field (BackImageField order).
const char* const kImageSuffixes[BackImageFieldCount] = {
    "WVGA",           // BackImageWVGA
    "WQVGA",          // BackImageWQVGA
    "WVGALandscape",  // BackImageWVGALandscape
    "WQVGALandscape", // BackImageWQVGALandscape
    "QVGA",           // BackImageQVGA
    "QVGALandscape",  // BackImageQVGAWide
    "VGA",            // BackImageVGA
    "VGALandscape",   // BackImageVGAWide
    "QVGASquare",     // BackImageQVGASquare
    "VGASquare",      // BackImageVGASquare
    "Square",         // BackImageSquare
};

const QString kSettings = QStringLiteral("settings");
const QString kMarker = QStringLiteral("firstLaunch");

QStringList Playlist(int index, const QString& sounds)
{
    switch (index) {
    case 0:
        return {sounds + QStringLiteral("morningMist.mp3")};
    case 1: {
        QStringList list{sounds + QStringLiteral("bigbenHighNoon.mp3")};
        for (int i = 0; i < 12; ++i)
            list << sounds + QStringLiteral("bigbenHour.mp3");
        return list;
    }
    case 2:
        return {sounds + QStringLiteral("siren.mp3")};
    case 3:
        return {sounds + QStringLiteral("ring.mp3")};
    default:
        return {sounds + QStringLiteral("oven.mp3")};
    }
}

} // namespace

const char* FirstLaunch::ImagePrefix(int index)
{
    return index >= 0 && index < kTemplateCount ? kTemplates[index].prefix : "";
}

const char* FirstLaunch::ImageSuffix(int field)
{
    return field >= 0 && field < BackImageFieldCount ? kImageSuffixes[field] : "";
}

void FirstLaunch::FillTemplate(int index, const QString& programDir, AlarmTemplate* t)
{
    if (index < 0 || index >= kTemplateCount)
        return;
    const TemplateDefaults& d = kTemplates[index];
    t->name = Text(d.nameId);
    t->title = Text(d.titleId);
    t->message = Text(d.messageId);
    // Only the time of day counts for a template; the date part is today's.
    const clock::LocalTime today = clock::ToLocal(clock::Now());
    t->alarmTime = clock::MakeLocal(today.year, today.month, today.day, d.hour, 0, 0);
    t->repeatDays = d.repeatDays;
    t->type = d.type;
    if (d.type == AlarmAppointment) {
        t->dateYear = 2008; // set on the record, though a template does not store it
        t->dateMonth = 1;
        t->dateDay = 1;
    }
    t->backColor = d.backColor;
    t->textColor = d.textColor;
    t->SetPlaylist(Playlist(index, programDir + QStringLiteral("/sounds/")));
    t->snooze = d.snooze;
    t->useSnooze = d.useSnooze;
    t->quiz = d.quiz;
    t->forceVolume = d.forceVolume;
    t->volume = d.volume;
    t->useFade = d.useFade;
    t->vibrate = d.vibrate;
    t->closeAfterMinutes = d.closeAfterMinutes;
    t->closeAfterTimes = d.closeAfterTimes;
    t->confirmClose = d.confirmClose;
    t->layoutStyle = d.layoutStyle;

    t->activated = 0;
    t->backImageStyle = 1;
    t->useBackColor = 1;
    t->useTextColor = 1;
    t->command.clear();
    t->quizLevel = 1;
    t->quizTypes = 7;
    t->random = 0;
    t->showSoundControls = 0;
    t->vibrateInterval = 1;
    t->noTextBorder = 0;
    t->fadeDuration = 15;
    // Integer part of 0.04 * (i + 1)^2, in integers so no rounding creeps in.
    for (int i = 0; i < kFadePoints; ++i)
        t->fade[i] = static_cast<uint8_t>((i + 1) * (i + 1) * 4 / 100);
    for (int field = 0; field < BackImageFieldCount; ++field)
        t->SetBackImage(field, QLatin1String(d.prefix) + QLatin1String(ImageSuffix(field)) + QStringLiteral(".jpg"));
}

bool FirstLaunch::Pending()
{
    return Profile::ReadInt(kSettings, kMarker, 1) == 1;
}

FirstLaunch::Outcome FirstLaunch::WriteDefaultsOnce(const QString& programDir, const std::function<void()>& prepare)
{
    // The batch takes the store's write lock before the marker is read: a second
    // program waits here and then reads the marker this one cleared.
    RegWriteBatch batch;
    if (!Pending()) {
        batch.Commit(); // nothing written
        return Outcome::AlreadyDone;
    }
    if (prepare)
        prepare();
    bool ok = Profile::WriteInt(kSettings, kMarker, 0);
    ok = AlarmStore::WriteDefaultNamedColors() && ok;
    ok = Profile::WriteInt(kSettings, QStringLiteral("bgColor"), static_cast<int>(kDefaultBgColor)) && ok;
    ok = Profile::WriteInt(kSettings, QStringLiteral("textColor"), static_cast<int>(kDefaultTextColor)) && ok;
    AlarmTemplate t;
    for (int i = 0; i < kTemplateCount; ++i) {
        FillTemplate(i, programDir, &t);
        t.Save();
    }
    Profile::Flush(); // done when the batch commits
    if (!ok) {
        batch.Cancel();
        return Outcome::Failed;
    }
    return batch.Commit() == RegOk ? Outcome::Written : Outcome::Failed;
}

} // namespace dawnbell
