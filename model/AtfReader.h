#pragma once
// Reads an alarm template file (versions 4 and 450, layout in AtfFormat.h) into
// a template. Reading writes nothing: the embedded sound and picture files are
// only found and checked here (AtfEmbeddedFile); AtfExtraction puts them in
// place once the caller has accepted the whole template.
//
// The file is outside input. Embedded and playlist names are reduced to their
// last path component without control characters, and names that are then
// empty, "." or ".." refuse the file, so nothing it names can lie outside the
// program folder's sounds/ and images/. Counts and sizes larger than what is
// left of the file refuse it at once, so no allocation follows a number from
// the file; the embedded files are limited in number and total size
// (AtfFormat::kMaxEmbeddedFiles / kMaxEmbeddedBytes); texts are read in pieces
// (AtfFormat::kPieceUnits). Every number must lie in the range the editors give
// its field, and the error names the field that does not.
#include <QString>
#include <QStringList>

#include "Registry.h"

#include <functional>
#include <vector>

class QIODevice;

namespace dawnbell {

class AlarmTemplate;

// One sound or picture file carried by a template file.
struct AtfEmbeddedFile {
    QString folder;     // "sounds" or "images" (below the program folder)
    QString name;       // file name in that folder (a single, safe component)
    qint64 offset = 0;  // where its contents start in the template file
    qint64 size = 0;    // their length in bytes
};

class AtfReader {
public:
    // Longest bar text (a name or a number), code units.
    static constexpr int kMaxBarTextChars = 32767;
    // Longest counted text: what one registry text value can hold.
    static constexpr int kMaxCountedTextChars = static_cast<int>(kRegMaxValueBytes / 2) - 1;
    // Most playlist entries (as many as a stored alarm keeps).
    static constexpr int kMaxPlaylistEntries = 10000;

    // Asked before an extracted file replaces the existing file `target`; false
    // keeps the existing file.
    using OverwriteQuestion = std::function<bool(const QString& target)>;

    // `programDir`: the program folder the playlist's entries will point into.
    explicit AtfReader(const QString& programDir);

    // Reads one file from `in` (open for reading, random access) into `t`, a
    // freshly constructed template. The name is taken as written without its
    // control characters (the caller makes it unique); alarmTime becomes today
    // at the file's time of day; titles, messages and the command lose their
    // control characters other than tab and line breaks. Nothing is written.
    // False on a format error, an end of the file inside a field, a number out
    // of its field's range or a file beyond the limits; Error() says which and
    // where. Embedded() then lists the files to extract, in file order.
    bool Read(QIODevice* in, AlarmTemplate* t);

    // What went wrong, for logs and terminals (not a user text).
    const QString& Error() const { return error_; }
    // Version of the file read: AtfFormat::kVersion or kVersionOld (0 before the header).
    int Version() const { return version_; }
    // The sound files, then the picture files of the last Read, in file order.
    const std::vector<AtfEmbeddedFile>& Embedded() const { return embedded_; }

private:
    bool Fail(const QString& what);
    qint64 Left() const;
    bool Units(qint64 count, QString* text);
    bool Bar(QString* text, const char* field);
    bool Counted(QString* text, const char* field);
    bool Number(const char* field, qint64* value, bool zeroFallback = false);
    bool InRange(const char* field, qint64 value, qint64 min, qint64 max);
    bool Bytes(char* data, qint64 size, const char* field);
    bool Skip(qint64 size);
    bool PeekBar(bool* atBar);
    bool FindFiles(const QString& folder, const char* field);

    QString programDir_;              // program folder
    QIODevice* in_ = nullptr;         // the file being read
    int version_ = 0;                 // version of the file being read
    QString error_;                   // last error
    std::vector<AtfEmbeddedFile> embedded_; // files found by the last Read
    qint64 embeddedBytes_ = 0;        // their total size
};

} // namespace dawnbell
