#include "Alarm.h"

#include "Clock.h"
#include "Locale.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Registry.h"
#include "SectionName.h"
#include "Texts.h"
#include "WaitCursor.h"


#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace dawnbell {

namespace {

// Value names of the background-image fields, indexed by BackImageField.
const char* const kBackImageNames[BackImageFieldCount] = {
    "backImageWVGA",        "backImageWQVGA",     "backImageWVGALandscape", "backImageWQVGALandscape",
    "backImageQVGA",        "backImageQVGAWide",  "backImageVGA",           "backImageVGAWide",
    "backImageQVGASquare",  "backImageVGASquare", "backImageSquare",
};

// The order in which a saved section holds the background images.
const BackImageField kBackImageSaveOrder[BackImageFieldCount] = {
    BackImageWVGA, BackImageWQVGA,     BackImageWVGALandscape, BackImageWQVGALandscape,
    BackImageQVGA, BackImageQVGAWide,  BackImageQVGASquare,    BackImageVGA,
    BackImageVGAWide, BackImageVGASquare, BackImageSquare,
};

std::u16string_view U16(const QString& s)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

// Milliseconds of a monotonic clock, the seed of the playlist shuffle.
unsigned TickCount()
{
    using namespace std::chrono;
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string SectionPath(const QString& section)
{
    return (Profile::RootPath() + QLatin1Char('\\') + section).toStdString();
}

} // namespace

QString BackImageValueName(int field)
{
    if (field < 0 || field >= BackImageFieldCount)
        return QString();
    return QLatin1String(kBackImageNames[field]);
}

Alarm::Alarm()
{
    alarmTime = clock::Now();
    const clock::LocalTime now = clock::ToLocal(alarmTime);
    dateYear = now.year;
    dateMonth = now.month;
    dateDay = now.day;
    for (int i = 0; i < kFadePoints; ++i)
        fade[i] = static_cast<uint8_t>(2 * i);
}

Alarm::~Alarm() = default;

QString Alarm::GetKey() const
{
    const int seconds = GetSecondsOfDay();
    switch (type) {
    case AlarmCompact:
    case AlarmWizard:
    case AlarmCommand:
        // Only the seven day bits belong to the key; anything above would collide
        // with the seconds.
        return QString::number((repeatDays & 0x7F) + seconds * 128);
    case AlarmAppointment:
        return QString::asprintf("A%d%04d%02d%02d", seconds, dateYear, dateMonth, dateDay);
    default:
        return QString();
    }
}

void Alarm::CopyFrom(const Alarm& other)
{
    if (&other == this)
        return;
    alarmTime = other.alarmTime;
    repeatDays = other.repeatDays;
    activated = other.activated;
    vibrate = other.vibrate;
    vibrateInterval = other.vibrateInterval;
    random = other.random;
    forceVolume = other.forceVolume;
    volume = other.volume;
    fadeDuration = other.fadeDuration;
    playlist.clear();
    for (const QString& entry : other.playlist)
        playlist.append(entry);
    snooze = other.snooze;
    quiz = other.quiz;
    quizLevel = other.quizLevel;
    type = other.type;
    dateYear = other.dateYear;
    dateMonth = other.dateMonth;
    dateDay = other.dateDay;
    quizTypes = other.quizTypes;
    useFade = other.useFade;
    useSnooze = other.useSnooze;
    fade = other.fade;
    closeAfterMinutes = other.closeAfterMinutes;
    closeAfterTimes = other.closeAfterTimes;
    useBackColor = other.useBackColor;
    useTextColor = other.useTextColor;
    backImageStyle = other.backImageStyle;
    backColor = other.backColor;
    textColor = other.textColor;
    for (int i = 0; i < BackImageFieldCount; ++i)
        backImages[i] = other.backImages[i];
    layoutStyle = other.layoutStyle;
    showSoundControls = other.showSoundControls;
    confirmClose = other.confirmClose;
    noTextBorder = other.noTextBorder;
    title = other.title;
    message = other.message;
    command = other.command;
    // The cursor pointed into the old playlist.
    if (playlistCursor >= playlist.size())
        playlistCursor = -1;
}

int Alarm::GetSecondsOfDay() const
{
    const clock::LocalTime t = clock::ToLocal(alarmTime);
    return t.hour * 3600 + t.minute * 60 + t.second;
}

void Alarm::SetActivated(bool on)
{
    if (on && type == AlarmAppointment) {
        const clock::LocalTime t = clock::ToLocal(alarmTime);
        const int64_t moment = clock::MakeLocal(dateYear, dateMonth, dateDay, t.hour, t.minute, t.second);
        if (moment <= clock::Now()) {
            activated = 0;
            ShowMessageBox(Text(78), Text(113), MsgButtons::Ok, MsgIcon::Error);
            return;
        }
        activated = 1;
        return;
    }
    activated = on ? 1 : 0;
}

void Alarm::UpdateTime()
{
    const clock::LocalTime t = clock::ToLocal(alarmTime);
    if (type == AlarmAppointment) {
        alarmTime = clock::MakeLocal(dateYear, dateMonth, dateDay, t.hour, t.minute, t.second);
        return;
    }
    const int64_t now = clock::Now();
    const clock::LocalTime today = clock::ToLocal(now);
    int64_t next = clock::MakeLocal(today.year, today.month, today.day, t.hour, t.minute, t.second);
    if (next < now)
        next = clock::MakeLocal(today.year, today.month, today.day + 1, t.hour, t.minute, t.second);
    alarmTime = next;
}

clock::LocalTime Alarm::GetNextOccurrence()
{
    UpdateTime();
    int64_t result = alarmTime;
    const int days = repeatDays & 0x7F;
    if (days != 0 && type != AlarmAppointment) {
        const clock::LocalTime t = clock::ToLocal(alarmTime);
        const int64_t now = clock::Now();
        const clock::LocalTime today = clock::ToLocal(now);
        const int weekday = (today.dayOfWeek + 6) % 7; // 0 = Monday
        const int64_t todayAt = clock::MakeLocal(today.year, today.month, today.day, t.hour, t.minute, t.second);
        if (todayAt > now && (days & (1 << weekday))) {
            result = todayAt;
        } else {
            const int twoWeeks = days + days * 128; // the mask doubled to 14 bits
            for (int i = 1; i <= 7; ++i) {
                if (twoWeeks & (1 << (weekday + i))) {
                    result = clock::MakeLocal(today.year, today.month, today.day + i, t.hour, t.minute, t.second);
                    break;
                }
            }
        }
    }
    clock::LocalTime out = clock::ToLocal(result);
    out.dayOfWeek = 0;
    out.milliseconds = 0;
    return out;
}

int64_t Alarm::GetTimeToNext()
{
    return clock::FromLocal(GetNextOccurrence()) - clock::Now();
}

bool Alarm::HasBackgroundImage() const
{
    for (const QString& image : backImages) {
        if (!image.isEmpty())
            return true;
    }
    return false;
}

const QString& Alarm::BackImage(int field) const
{
    static const QString kNone;
    if (field < 0 || field >= BackImageFieldCount)
        return kNone;
    return backImages[field];
}

void Alarm::SetBackImage(int field, const QString& name)
{
    if (field >= 0 && field < BackImageFieldCount)
        backImages[field] = name;
}

QString Alarm::GetTimeText()
{
    UpdateTime();
    QString text = FormatTimeNoSeconds(alarmTime);
    if (!title.isEmpty()) {
        QString oneLine = title;
        oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text += QLatin1String(" - ") + oneLine;
    }
    return text;
}

QString Alarm::GetDaysText() const
{
    if (type == AlarmAppointment)
        return FormatShortDate(alarmTime);
    QString text;
    for (int d = 0; d < 7; ++d) {
        if (repeatDays & (1 << d))
            text += QLatin1Char('[') + Text(42 + d) + QLatin1String("] ");
        while (!text.isEmpty() && text.back().isSpace())
            text.chop(1);
    }
    return text;
}

void Alarm::SetPlaylist(const QStringList& entries)
{
    playlist.clear();
    for (const QString& entry : entries)
        playlist.append(entry);
    playlistCursor = -1;
}

void Alarm::ShufflePlaylist()
{
    const int n = static_cast<int>(playlist.size());
    if (n < 2)
        return;
    std::srand(TickCount());
    std::vector<QString> places(static_cast<size_t>(n));
    std::vector<bool> taken(static_cast<size_t>(n), false); // a free slot is tracked here, not by its text
    for (int k = 0; k < n; ++k) {
        int skip = std::rand() % (n - k); // take the (skip + 1)-th free slot
        for (int s = 0; s < n; ++s) {
            if (taken[s])
                continue;
            if (skip-- == 0) {
                places[s] = playlist[k];
                taken[s] = true;
                break;
            }
        }
    }
    playlist.clear();
    for (const QString& entry : places)
        playlist.append(entry);
    playlistCursor = -1;
}

void Alarm::ResetPlaylistCursor()
{
    playlistCursor = playlist.isEmpty() ? -1 : 0;
}

QString Alarm::GetNextPlaylistEntry()
{
    if (playlist.isEmpty())
        return QString();
    if (playlistCursor < 0 || playlistCursor >= playlist.size())
        playlistCursor = 0;
    const QString entry = playlist[playlistCursor];
    ++playlistCursor;
    if (playlistCursor >= playlist.size())
        playlistCursor = -1;
    return entry;
}

void Alarm::Save()
{
    const QString section = GetKey();
    if (!IsStorableSectionName(section))
        return; // no section (unknown type), or one that is not a single key: never write elsewhere
    WaitCursor wait;
    {
        RegWriteBatch batch; // one transaction: other readers see the whole section or none of it
        RegKey key;
        if (RegKey::Create(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
            return;
        for (int n = 0; n < playlist.size(); ++n)
            key.WriteString("playlist" + std::to_string(n), U16(playlist[n]));
        key.WriteDword("playlistCount", static_cast<uint32_t>(playlist.size()));
        key.WriteBinary("fade", std::vector<uint8_t>(fade.begin(), fade.end()));
        key.WriteString("title", U16(title));
        key.WriteString("message", U16(message));
        key.WriteString("command", U16(command));
        for (BackImageField field : kBackImageSaveOrder)
            key.WriteString(kBackImageNames[field], U16(backImages[field]));
        const struct {
            const char* name;
            uint32_t value;
        } ints[] = {
            {"activated", static_cast<uint32_t>(activated)},
            {"random", static_cast<uint32_t>(random)},
            {"snooze", static_cast<uint32_t>(snooze)},
            {"forceVolume", static_cast<uint32_t>(forceVolume)},
            {"volume", static_cast<uint32_t>(volume)},
            {"fadeDuration", static_cast<uint32_t>(fadeDuration)},
            {"vibrate", static_cast<uint32_t>(vibrate)},
            {"quiz", static_cast<uint32_t>(quiz)},
            {"quizLevel", static_cast<uint32_t>(quizLevel)},
            {"quizTypes", static_cast<uint32_t>(quizTypes)},
            {"useSnooze", static_cast<uint32_t>(useSnooze)},
            {"useFade", static_cast<uint32_t>(useFade)},
            {"closeAfterMinutes", static_cast<uint32_t>(closeAfterMinutes)},
            {"closeAfterTimes", static_cast<uint32_t>(closeAfterTimes)},
            {"useTextColor", static_cast<uint32_t>(useTextColor)},
            {"useBackColor", static_cast<uint32_t>(useBackColor)},
            {"backColor", backColor},
            {"textColor", textColor},
            {"backImageStyle", static_cast<uint32_t>(backImageStyle)},
            {"layoutStyle", static_cast<uint32_t>(layoutStyle)},
            {"showSoundControls", static_cast<uint32_t>(showSoundControls)},
            {"vibrateInterval", static_cast<uint32_t>(vibrateInterval)},
            {"confirmClose", static_cast<uint32_t>(confirmClose)},
            {"type", static_cast<uint32_t>(type)},
            {"noTextBorder", static_cast<uint32_t>(noTextBorder)},
        };
        for (const auto& v : ints)
            key.WriteDword(v.name, v.value);
        key.WriteBinary("notificationHandle", std::vector<uint8_t>(4, 0));
    }
    Profile::Flush();
}

QString AlarmTemplate::GetKey() const
{
    return QLatin1Char('T') + name;
}

void AlarmTemplate::Save()
{
    if (!IsStorableSectionName(GetKey()))
        return;
    WaitCursor wait;
    {
        RegWriteBatch batch; // the alarm's values and `time` in one transaction
        Alarm::Save();
        RegKey key;
        if (RegKey::Create(Hive::CurrentUser, SectionPath(GetKey()), &key) != RegOk)
            return;
        key.WriteDword("time", static_cast<uint32_t>((repeatDays & 0x7F) + GetSecondsOfDay() * 128));
    }
    Profile::Flush();
}

} // namespace dawnbell
