// Time pictures from the locale, converted to the clock's format and formatted:
// any picture must convert and format without a crash, within the length limits.
#include "ClockFormat.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString picture = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString format = dawnbell::ClockFormat::FromPicture(picture);
    // Every picture character becomes at most three format characters ("%#I").
    if (format.size() > 3 * dawnbell::ClockFormat::kMaxPictureChars)
        std::abort();
    // The format is also fed back as if it were a format of its own.
    for (const QString& f : {format, picture}) {
        const QString text = dawnbell::ClockFormat::Format(f, 23, 59, 58);
        if (text.size() > dawnbell::ClockFormat::kMaxTextChars)
            std::abort();
    }
    return 0;
}
