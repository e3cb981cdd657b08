#include "Alarm.h"

#include "AlarmChanges.h"
#include "AlarmField.h"
#include "Clock.h"
#include "Locale.h"
#include "NextRinging.h"
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
    for (const AlarmField& f : AlarmFields()) {
        if (f.kind == FieldKind::Text && f.image == field && field >= 0)
            return QLatin1String(f.name);
    }
    return QString();
}

Alarm::Alarm()
{
    alarmTime = clock::Now();
    const clock::LocalTime now = clock::ToLocal(alarmTime);
    dateYear = now.year;
    dateMonth = now.month;
    dateDay = now.day;
    for (const AlarmField& f : AlarmFields())
        f.SetNumber(this, f.newValue); // texts and the playlist start empty
    fade = NewFadeCurve();
}

Alarm::~Alarm() = default;

QString Alarm::GetKey() const
{
    return AlarmKey(type, GetSecondsOfDay(), repeatDays, dateYear, dateMonth, dateDay);
}

void Alarm::CopyFrom(const Alarm& other)
{
    if (&other == this)
        return;
    // What the key holds, then every stored value but the notification handle.
    alarmTime = other.alarmTime;
    timeOfDay_ = other.timeOfDay_;
    timeOfDayMoment_ = other.timeOfDayMoment_;
    repeatDays = other.repeatDays;
    dateYear = other.dateYear;
    dateMonth = other.dateMonth;
    dateDay = other.dateDay;
    for (const AlarmField& f : AlarmFields()) {
        switch (f.kind) {
        case FieldKind::Playlist:
            playlist.clear();
            for (const QString& entry : other.playlist)
                playlist.append(entry);
            break;
        case FieldKind::Fade:
            fade = other.fade;
            break;
        case FieldKind::Text:
            f.TextOf(this) = f.TextOf(other);
            break;
        case FieldKind::Integer:
        case FieldKind::Colour:
            f.SetNumber(this, f.Number(other));
            break;
        case FieldKind::Handle:
            break;
        }
    }
    // The cursor pointed into the old playlist.
    if (playlistCursor >= playlist.size())
        playlistCursor = -1;
}

int Alarm::GetSecondsOfDay() const
{
    if (alarmTime != timeOfDayMoment_) {
        const clock::LocalTime t = clock::ToLocal(alarmTime);
        timeOfDay_ = t.hour * 3600 + t.minute * 60 + t.second;
        timeOfDayMoment_ = alarmTime;
    }
    return timeOfDay_;
}

void Alarm::SetTimeOfDay(int secondsOfDay)
{
    timeOfDay_ = secondsOfDay;
    const int64_t now = clock::Now();
    const clock::LocalTime today = clock::ToLocal(now);
    // Loading thousands of alarms at one moment shares the calendar work.
    alarmTime = NextRingingClockAt(now).MomentOn(CalendarDate{today.year, today.month, today.day}, secondsOfDay);
    timeOfDayMoment_ = alarmTime;
}

int Alarm::SnoozeMinutes() const
{
    if (useSnooze == 0)
        return 0;
    return snooze < 60 ? 1 : snooze / 60;
}

void Alarm::SetSnoozeMinutes(int minutes)
{
    useSnooze = minutes != 0 ? 1 : 0;
    if (minutes > 0)
        snooze = minutes * 60;
}

bool Alarm::SetActivated(bool on)
{
    if (on && type == AlarmAppointment) {
        const int64_t moment = MomentOn(CalendarDate{dateYear, dateMonth, dateDay}, GetSecondsOfDay());
        activated = moment > clock::Now() ? 1 : 0;
        return activated != 0;
    }
    activated = on ? 1 : 0;
    return true;
}

void Alarm::UpdateTime()
{
    const int seconds = GetSecondsOfDay();
    const NextRingingClock& at = NextRingingClockAt(clock::Now());
    if (type == AlarmAppointment)
        alarmTime = at.MomentOn(CalendarDate{dateYear, dateMonth, dateDay}, seconds);
    else
        alarmTime = at.MomentOn(at.NextDate(seconds, 0), seconds);
    timeOfDayMoment_ = alarmTime; // a computed moment: the time of day stays
}

clock::LocalTime Alarm::GetNextOccurrence()
{
    UpdateTime();
    const int seconds = GetSecondsOfDay();
    const CalendarDate date = type == AlarmAppointment ? CalendarDate{dateYear, dateMonth, dateDay}
                                                       : NextRingingDate(seconds, repeatDays, clock::Now());
    // The clock time as set, even on a day when it does not exist: converting it
    // to a moment (GetTimeToNext, the service) resolves it.
    clock::LocalTime out;
    out.year = date.year;
    out.month = date.month;
    out.day = date.day;
    out.hour = seconds / 3600;
    out.minute = (seconds % 3600) / 60;
    out.second = seconds % 60;
    out.dayOfWeek = 0;
    out.milliseconds = 0;
    return out;
}

int64_t Alarm::GetTimeToNext()
{
    UpdateTime(); // as GetNextOccurrence does
    const int64_t now = clock::Now();
    return NextRingingAt(now) - now;
}

int64_t Alarm::NextRingingAt(int64_t now) const
{
    const int seconds = GetSecondsOfDay();
    NextMemo& m = nextMemo_;
    if (m.now == now && m.seconds == seconds && m.repeatDays == repeatDays && m.type == type &&
        m.year == dateYear && m.month == dateMonth && m.day == dateDay)
        return m.moment;
    const CalendarDate own{dateYear, dateMonth, dateDay};
    const int64_t moment =
        NextRingingClockAt(now).NextMoment(seconds, repeatDays, type == AlarmAppointment ? &own : nullptr);
    m = NextMemo{now, moment, seconds, repeatDays, type, dateYear, dateMonth, dateDay};
    return m.moment;
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
    ++AlarmChanges::Trace().saves;
    WaitCursor wait;
    {
        RegWriteBatch batch; // one transaction: other readers see the whole section or none of it
        RegKey key;
        if (RegKey::Create(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
            return;
        for (const AlarmField& f : AlarmFields()) {
            switch (f.kind) {
            case FieldKind::Playlist:
                // Entries left over from a longer earlier playlist stay; the count hides them.
                for (int n = 0; n < playlist.size(); ++n)
                    key.WriteString("playlist" + std::to_string(n), U16(playlist[n]));
                key.WriteDword(f.name, static_cast<uint32_t>(playlist.size()));
                break;
            case FieldKind::Fade:
                key.WriteBinary(f.name, std::vector<uint8_t>(fade.begin(), fade.end()));
                break;
            case FieldKind::Text:
                key.WriteString(f.name, U16(f.TextOf(*this)));
                break;
            case FieldKind::Integer:
            case FieldKind::Colour:
                key.WriteDword(f.name, static_cast<uint32_t>(f.Number(*this)));
                break;
            case FieldKind::Handle:
                key.WriteBinary(f.name, std::vector<uint8_t>(4, 0));
                break;
            }
        }
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
