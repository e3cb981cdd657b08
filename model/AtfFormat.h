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
#include <filesystem>

class QFile;

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

    // Most sound and picture files one template file carries, and their largest
    // total size in bytes. A real template embeds the distinct files of one
    // playlist (a handful of sounds, rarely more than a few dozen) and at most
    // eleven pictures, a few MB each; 512 files of 1 MB on average, or an album
    // of lossless sound, stay well inside. What the limits stop is a small file
    // that unpacks into tens of thousands of files (each costs a disk block and
    // a directory entry even when empty) or fills the disk. Both are checked
    // before anything is written, by the writer and by the reader.
    static constexpr int kMaxEmbeddedFiles = 512;
    static constexpr qint64 kMaxEmbeddedBytes = qint64(512) * 1024 * 1024;

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
    // A name read from a file, made safe to use below a folder: PlainName of its
    // FileNamePart, refused (empty result) when that is empty, "." or "..".
    static QString SafeFileName(const QString& name);

    // `text` without control characters (C0, DEL, C1) and without the
    // bidirectional embedding, override and isolate marks, which can make a
    // name print as another. For names: of templates and of files.
    static QString PlainName(const QString& text);
    // `text` without control characters other than tab, carriage return and
    // line feed (which titles and messages may hold). For texts shown or printed.
    static QString PlainText(const QString& text);
    // At most `maxChars` of `text` as PlainName, for quoting outside input in a
    // message or log line.
    static QString Quote(const QString& text, int maxChars = 80);

    // Opens the file `path` (open for reading into `file`) only when it is a
    // regular file; a FIFO, device or socket is refused at once, never waited
    // on. False with the reason in `*error`.
    static bool OpenRegularFile(const QString& path, QFile* file, QString* error);
    // What kind of entry `type` is, for messages: "a regular file", "a folder",
    // "a FIFO", "a device", "a socket", "a symbolic link", "an unknown entry".
    static QString KindName(std::filesystem::file_type type);
};

} // namespace dawnbell
