#pragma once
// The user locale as the program sees it: formats are picture strings in the
// classic style ("h", "hh", "H", "HH", "m", "mm", "s", "ss", "t", "tt" for the
// time; "d", "dd", "M", "MM", "yy", "yyyy" for the date), read from the Linux
// locale through Qt.
#include <QString>
#include <cstdint>

namespace dawnbell {

// Time format with seconds, e.g. "HH:mm:ss" or "h:mm:ss tt".
QString LocaleTimeFormat();
// Time format without seconds, e.g. "HH:mm" or "h:mm tt".
QString LocaleShortTimeFormat();
// Short date format, e.g. "dd.MM.yyyy" or "M/d/yy".
QString LocaleShortDateFormat();

// A moment's local time of day without seconds / local date, in those formats.
QString FormatTimeNoSeconds(int64_t moment);
QString FormatShortDate(int64_t moment);

// The platform language identifier: primary language in the low 10 bits
// (7 German, 9 English, 10 Spanish, 12 French, ...), sublanguage above.
// DAWNBELL_LANGID (decimal or 0x-hex) overrides the locale.
int PlatformLanguageId();

// Converts a Qt date/time pattern to the classic picture style (AP -> tt, and
// Qt's time-zone letter is dropped).
QString QtFormatToPicture(const QString& qtFormat);
// Drops the seconds field and the separator before it ("h:mm:ss tt" -> "h:mm tt").
QString StripSeconds(const QString& picture);
// Converts a classic picture string to a Qt pattern (tt/t -> AP).
QString PictureToQtFormat(const QString& picture);

} // namespace dawnbell
