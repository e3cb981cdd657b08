#pragma once
// Puts the sound and picture files of a template file in place, all or none.
//
// Stage copies each wanted file (AtfReader::Embedded) into a hidden temporary
// folder beside its target, after asking before an existing entry is replaced;
// nothing the user has is touched yet. A file byte-for-byte equal to the one
// its name already finds (a built-in sound, a file imported before) is not
// copied and not asked about. Targets follow AddedFiles: sounds/ or images/
// below the program folder, or the user's folders in the device directory when
// the program folder cannot be written (an existing file there is then stood
// in for by the user's copy, never written). Install then moves the copies into place by renaming, so a symbolic link
// at a target is replaced as a link and never written through, and each entry
// it replaces is kept aside. Rollback undoes Install (and drops the copies),
// Finish makes it final. An extraction that is neither finished nor rolled back
// rolls back when it is destroyed, so a failed or refused import leaves every
// folder as it was.
#include "AtfReader.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class QIODevice;
class QTemporaryDir;

namespace dawnbell {

class AtfExtraction {
public:
    // `programDir`: the program folder with sounds/ and images/.
    explicit AtfExtraction(const QString& programDir);
    ~AtfExtraction(); // Rollback, unless Finish ran
    AtfExtraction(const AtfExtraction&) = delete;
    AtfExtraction& operator=(const AtfExtraction&) = delete;

    // Copies `files` from `in` (the template file Read them from) into the
    // temporary folders, in order. When the name is taken (any entry, a
    // dangling symbolic link too, in the user's or the program's folder) or an
    // earlier file of `files` has the same name, the file is skipped when its
    // bytes equal the regular file there; otherwise `ask` (may be empty: never)
    // decides, given the path the name finds now: false keeps what is there and
    // the file is skipped. False on a file error, or when a target to replace is
    // neither a regular file nor a symbolic link (a folder, a FIFO, ...); Error()
    // says which. Nothing outside the temporary folders changes.
    bool Stage(QIODevice* in, const std::vector<AtfEmbeddedFile>& files, const AtfReader::OverwriteQuestion& ask);

    // Moves every staged file to its target. False (with everything put back)
    // when a move fails.
    bool Install();

    // Puts back every entry Install replaced and removes the files it placed,
    // the temporary folders, and sounds/ or images/ when Stage created them.
    void Rollback();

    // Keeps what Install placed; the replaced entries and the temporary folders go.
    void Finish();

    // The path the file `name` of `kind` ("sounds", "images") has once the
    // staged files are installed: a staged file's target, the file a skipped
    // one was kept for, else where AddedFiles finds the name. For the
    // playlist's full paths.
    QString Where(const QString& kind, const QString& name) const;

    // What went wrong, "path: reason".
    const QString& Error() const { return error_; }
    // Targets Install placed (until Rollback), in order.
    const QStringList& Installed() const { return installed_; }

private:
    struct Staged {
        QString target;  // final path
        QString copy;    // the copy in the temporary folder
        QString aside;   // where Install moved the replaced entry, or empty
        bool placed = false; // the copy is at the target
        QString kind;    // "sounds" or "images"
        QString name;    // the file's name
    };

    bool Fail(const QString& path, const QString& reason);
    QTemporaryDir* TempFolder(const QString& dir);
    bool Copy(QIODevice* in, const AtfEmbeddedFile& file, const QString& to);
    bool SameContents(QIODevice* in, const AtfEmbeddedFile& file, const QString& path);

    QString programDir_;                   // program folder
    std::map<QString, std::unique_ptr<QTemporaryDir>> temp_; // by target folder: the temporary folder in it
    QStringList created_;                  // target folders Stage created
    std::map<QString, QString> kept_;      // "kind/name" -> the existing file a skipped file was kept for
    std::vector<Staged> staged_;           // one per target, in order
    QStringList installed_;                // targets placed by Install
    int copies_ = 0;                       // names handed out in the temporary folders
    bool finished_ = false;                // Finish or Rollback ran
    QString error_;                        // last error
};

} // namespace dawnbell
