#pragma once
// Writes a template as an alarm template file (version 450, layout in
// AtfFormat.h), embedding the sound files of its playlist and its pictures.
#include <QString>

class QIODevice;

namespace dawnbell {

class AlarmTemplate;

class AtfWriter {
public:
    // `programDir`: the program folder whose images/ holds the template's pictures.
    explicit AtfWriter(const QString& programDir);

    // Writes `t` to `out` (open for writing). Sound files are read from the
    // playlist's full paths, each distinct path once; pictures from
    // programDir/images or the user's pictures folder (AddedFiles::Find), each
    // distinct non-empty name once. Texts go out in
    // pieces of at most AtfFormat::kPieceUnits code units, file contents in
    // blocks of at most AtfFormat::kPieceBytes bytes. Only regular files are
    // embedded, at most AtfFormat::kMaxEmbeddedFiles of them and
    // kMaxEmbeddedBytes together (what a reader takes). False on the first file
    // error (a file missing, unreadable, not a regular file or too large, a
    // failed write); Error() then holds the platform's description, with the
    // file's path.
    bool Write(const AlarmTemplate& t, QIODevice* out);

    // Writes `t` into the file `path`, created or replaced. The file is replaced
    // only when everything was written: after an error the old file (if any) is
    // untouched and no partial file is left. An existing `path` that is not a
    // regular file (a FIFO, a device) is refused and left as it is.
    bool WriteFile(const AlarmTemplate& t, const QString& path);

    // Description of the last error ("path: reason").
    const QString& Error() const { return error_; }

private:
    bool Fail(const QString& path, const QString& reason);
    bool Raw(const char* data, qint64 size);
    bool Units(const QString& text);
    bool Bar(const QString& text);
    bool Counted(const QString& text);
    bool Number(qint64 value);
    bool Embed(const QString& sourcePath, const QString& name);

    QString programDir_; // program folder (images/ below it)
    QIODevice* out_ = nullptr; // the file being written
    QString outName_;    // its name for error texts
    QString error_;      // last error, "path: reason"
    qint64 embeddedBytes_ = 0; // total size of the files embedded so far
};

} // namespace dawnbell
