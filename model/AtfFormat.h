#pragma once
// The alarm template file (".atf"): what its writer and reader share.
//
// The file is a plain byte stream; every text is UTF-16LE code units without
// byte-order mark or terminator. Field forms:
//   bar text      the characters, then "|" (0x007C); the text holds no "|"
//   counted text  a bar text with the decimal count n, then exactly n characters
//   number        a bar text with a signed decimal integer
//   embedded file a bar text with the file name (no folder), a number with the
//                 size s in bytes, then exactly s raw bytes
//   byte          one raw 8-bit value
// Fields in order: header ("ATF450", or "ATF" for the older version 4); the name
// (counted); the sound files (embedded, then "|"); the picture files (embedded,
// then "|"); the playlist's file names (bar texts, then "|"); the 50 fade bytes;
// fadeDuration (number, version 450 only); title, message, command (counted);
// the pictures (counted, PictureOrder(), six in version 4); hour, minute, second
// (bytes); repeatDays, dateDay, dateMonth (bytes); the 23 numbers of
// NumberName(). The file ends after the last number.
#include <QString>

#include <cstdint>

namespace dawnbell {

class Alarm;

class AtfFormat {
public:
    static constexpr int kVersionOld = 4;   // header "ATF"
    static constexpr int kVersion = 450;    // header "ATF450", the one written
    // Largest piece of a text (code units) or a file's contents (bytes) read or
    // written at once.
    static constexpr int kPieceUnits = 131072;
    static constexpr int kPieceBytes = 131072;
    // Picture fields in the file, and their files among the embedded pictures.
    static constexpr int kPictureCount = 11;
    static constexpr int kPictureCountOld = 6;
    // Numbers at the end of the file.
    static constexpr int kNumberCount = 23;
    // The bar separating texts (one UTF-16 code unit).
    static constexpr char16_t kBar = u'|';

    // Header text of a version ("ATF450" / "ATF"); empty for an unknown one.
    static QString Header(int version);
    // Version of a header text, or 0 when it is neither.
    static int VersionOf(const QString& header);

    // The BackImageField at position `index` (0-10) of the file's picture order:
    // QVGA, QVGAWide, QVGASquare, VGA, VGAWide, VGASquare, then (version 450)
    // WVGA, WVGALandscape, WQVGA, WQVGALandscape, Square.
    static int PictureField(int index);

    // The numbers at the end of the file, by position 0-22: dateYear, random,
    // snooze, forceVolume, volume, vibrate, quiz, quizTypes, useSnooze, useFade,
    // closeAfterMinutes, closeAfterTimes, useTextColor, useBackColor, backColor,
    // textColor, backImageStyle, layoutStyle, showSoundControls,
    // vibrateInterval, confirmClose, type, quizLevel. Colours travel as signed
    // 32-bit values of their 0x00BBGGRR bits.
    static const char* NumberName(int index);
    static int32_t GetNumber(const Alarm& alarm, int index);
    static void SetNumber(Alarm* alarm, int index, int32_t value);

    // The file name part of a path: the text after the last "/" or "\".
    static QString FileNamePart(const QString& path);
    // The name an embedded file travels under: FileNamePart with every "|"
    // (which a bar text cannot carry) replaced by "_". Used alike for the
    // embedded files, the playlist names and the picture fields, so the three
    // keep referring to the same files.
    static QString EmbeddedName(const QString& path);
    // A name read from a file, made safe to use below a folder: FileNamePart,
    // refused (empty result) when that is empty, "." or "..", or holds a NUL.
    static QString SafeFileName(const QString& name);
};

} // namespace dawnbell
