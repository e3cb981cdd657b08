#include "SectionName.h"

#include <QDate>

namespace dawnbell {

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Decimal value of the digits in [from, to) of `s`, stopping at the first
// non-digit. Saturates above INT32_MAX so long digit runs cannot overflow.
int64_t DecimalPrefix(const QString& s, qsizetype from, qsizetype to)
{
    int64_t v = 0;
    for (qsizetype i = from; i < to && IsDigit(s[i]); ++i) {
        v = v * 10 + (s[i].unicode() - '0');
        if (v > INT32_MAX)
            return int64_t(INT32_MAX) + 1;
    }
    return v;
}

bool AllDigits(const QString& s, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i) {
        if (!IsDigit(s[i]))
            return false;
    }
    return true;
}

} // namespace

bool IsStorableSectionName(const QString& name)
{
    return !name.isEmpty() && name.size() <= kMaxSectionNameChars && !name.contains(QLatin1Char('\\'));
}

bool SplitKeyValue(int64_t keyValue, int* secondsOfDay, int* repeatDays)
{
    if (keyValue < 0)
        return false;
    const int64_t seconds = keyValue >> 7;
    if (seconds >= kSecondsPerDay)
        return false;
    *secondsOfDay = static_cast<int>(seconds);
    *repeatDays = static_cast<int>(keyValue & 0x7F);
    return true;
}

QString AlarmKey(int type, int secondsOfDay, int repeatDays, int year, int month, int day)
{
    switch (type) {
    case 0: // compact
    case 1: // wizard
    case 3: // command
        // Only the seven day bits belong to the key; anything above would collide
        // with the seconds.
        return QString::number((repeatDays & 0x7F) + secondsOfDay * 128);
    case 2: // appointment
        return QString::asprintf("A%d%04d%02d%02d", secondsOfDay, year, month, day);
    default:
        return QString();
    }
}

SectionKind ParseSectionName(const QString& name, SectionInfo* out)
{
    *out = SectionInfo();
    const qsizetype n = name.size();
    if (n == 0 || n > kMaxSectionNameChars)
        return SectionKind::None;
    if (name.compare(QLatin1String("settings"), Qt::CaseInsensitive) == 0)
        return SectionKind::None;
    if (name[0] == QLatin1Char('T')) {
        out->kind = SectionKind::Template;
        out->templateName = name.mid(1);
        return out->kind;
    }
    const bool appointment = name[0] == QLatin1Char('A');
    if (!appointment && !IsDigit(name[0]))
        return SectionKind::None;
    if (n == 1 ? appointment : !IsDigit(name[1]))
        return SectionKind::None;

    if (appointment) {
        // "A" + at least one digit of seconds + YYYYMMDD.
        if (n < 10 || !AllDigits(name, 1, n))
            return SectionKind::None;
        const int64_t seconds = DecimalPrefix(name, 1, n - 8);
        const int year = static_cast<int>(DecimalPrefix(name, n - 8, n - 4));
        const int month = static_cast<int>(DecimalPrefix(name, n - 4, n - 2));
        const int day = static_cast<int>(DecimalPrefix(name, n - 2, n));
        if (seconds >= kSecondsPerDay || !QDate::isValid(year, month, day))
            return SectionKind::None;
        out->secondsOfDay = static_cast<int>(seconds);
        out->year = year;
        out->month = month;
        out->day = day;
        out->kind = SectionKind::Appointment;
        return out->kind;
    }

    if (!SplitKeyValue(DecimalPrefix(name, 0, n), &out->secondsOfDay, &out->repeatDays)) {
        out->secondsOfDay = 0;
        out->repeatDays = 0;
        return SectionKind::None;
    }
    out->kind = SectionKind::Alarm;
    return out->kind;
}

} // namespace dawnbell
