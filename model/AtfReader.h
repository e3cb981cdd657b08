#pragma once
// Reads an alarm template file (versions 4 and 450, layout in AtfFormat.h) into
// a template, extracting the embedded sound and picture files into the program
// folder's sounds/ and images/.
//
// The file is outside input. Nothing it holds can write outside those two
// folders: embedded and playlist names are reduced to their last path
// component, and names that are then empty, "." or ".." refuse the file. Counts
// and sizes larger than what is left of the file refuse it at once, so no
// allocation follows a number from the file; texts and file contents are read in
// pieces (AtfFormat::kPieceUnits / kPieceBytes), and an extracted file replaces
// its target only once it is complete.
#include <QString>
#include <QStringList>

#include "Registry.h"

#include <functional>

class QIODevice;

namespace dawnbell {

class AlarmTemplate;

class AtfReader {
public:
    // Longest bar text (a name or a number), code units.
    static constexpr int kMaxBarTextChars = 32767;
    // Longest counted text: what one registry text value can hold.
    static constexpr int kMaxCountedTextChars = static_cast<int>(kRegMaxValueBytes / 2) - 1;
    // Most playlist entries (as many as a stored alarm keeps).
    static constexpr int kMaxPlaylistEntries = 10000;

    // Asked before an extracted file replaces the existing file `target`; false
    // keeps the existing file (the embedded bytes are skipped).
    using OverwriteQuestion = std::function<bool(const QString& target)>;

    // `programDir`: the program folder; `askOverwrite` may be empty (never
    // overwrite).
    AtfReader(const QString& programDir, OverwriteQuestion askOverwrite);

    // Reads one file from `in` (open for reading, random access) into `t`, a
    // freshly constructed template. The name is taken as written (the caller
    // makes it unique); alarmTime becomes today at the file's time of day. False
    // on a format error, an end of the file inside a field, or a file error while
    // extracting; Error() says which and where. Files extracted before the error
    // stay.
    bool Read(QIODevice* in, AlarmTemplate* t);

    // What went wrong, for logs and terminals (not a user text).
    const QString& Error() const { return error_; }
    // Version of the file read: AtfFormat::kVersion or kVersionOld (0 before the header).
    int Version() const { return version_; }
    // Full paths of the files written by the last Read, in order.
    const QStringList& Extracted() const { return extracted_; }

private:
    bool Fail(const QString& what);
    qint64 Left() const;
    bool Units(qint64 count, QString* text);
    bool Bar(QString* text, const char* field);
    bool Counted(QString* text, const char* field);
    bool Number(const char* field, qint64* value, bool zeroFallback = false);
    bool Bytes(char* data, qint64 size, const char* field);
    bool Skip(qint64 size);
    bool PeekBar(bool* atBar);
    bool ExtractFiles(const QString& folder, const char* field);
    bool Extract(const QString& target, qint64 size);

    QString programDir_;              // program folder
    OverwriteQuestion askOverwrite_;  // the overwrite question, may be empty
    QIODevice* in_ = nullptr;         // the file being read
    int version_ = 0;                 // version of the file being read
    QString error_;                   // last error
    QStringList extracted_;           // files written by the last Read
};

} // namespace dawnbell
