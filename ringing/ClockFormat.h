#pragma once
// The ringing window's clock text. The locale's time picture ("HH:mm:ss",
// "h:mm:ss tt", ...) is converted once into a strftime-style format in which
// "%#I", "%#H", "%#M" and "%#S" mean the number without a leading zero, and the
// clock is then formatted from it every second.
#include <QString>

namespace dawnbell {

class ClockFormat {
public:
    // Longest picture taken from the locale, characters.
    static constexpr int kMaxPictureChars = 80;
    // Longest clock text produced, characters.
    static constexpr int kMaxTextChars = 60;

    // Converts a time picture: hh -> %I, h -> %#I, HH -> %H, H -> %#H,
    // mm -> %M, m -> %#M, ss -> %S, s -> %#S, tt and t -> %p; a literal '%'
    // becomes "%%"; text in single quotes is literal ('' is one quote); everything
    // else is kept. Pictures are cut to 80 characters.
    static QString FromPicture(const QString& picture);

    // Formats hours (0-23), minutes and seconds with a converted format. Unknown
    // conversions are copied as they stand; the result is cut to 60 characters.
    // `am` / `pm` are the texts for %p.
    static QString Format(const QString& format, int hour, int minute, int second,
                          const QString& am = QStringLiteral("AM"), const QString& pm = QStringLiteral("PM"));
};

} // namespace dawnbell
