#pragma once
// The pictures of alarms and templates, kept under bare file names in the
// program's images/ folder and, for pictures a user adds where the program
// folder cannot be written, in the user's own pictures folder (AddedFiles):
// the file chooser's picture filter, the names both hold, and the copying of
// chosen files into them.
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace dawnbell {

class FileDialog;

class PictureFiles {
public:
    // Setting (section "settings") with the folder the picture chooser showed last.
    static const QString kFolderSetting;

    // images/ below `programDir`; below the running program's folder when empty.
    static QString Folder(const QString& programDir = QString());

    // The names of the pictures: the files in `folder` (the program's images/)
    // and in the user's own pictures folder (AddedFiles), each once, sorted
    // without regard to case.
    static QStringList Names(const QString& folder);

    // Where the picture `name` is: the user's pictures folder when it has the
    // name, else `folder`.
    static QString PathOf(const QString& folder, const QString& name);

    // Copies the regular file `source` to `target`: written whole under a
    // hidden name in the target's folder, then renamed over `target`, so an
    // existing picture is replaced only by a complete copy. False, with the
    // platform's reason in `*why`, when it fails; `target` is then untouched.
    static bool CopyInto(const QString& source, const QString& target, QString* why);

    // Runs a prepared chooser; empty: exec().
    using ChooserRunner = std::function<int(FileDialog& chooser)>;

    // Lets the user choose pictures (several at once, starting in the folder
    // last shown) and copies each under its own name into `folder` (the
    // program's images/, created when missing) or, when that cannot be
    // written, into the user's pictures folder: a file that already is the
    // picture of that name is skipped, an existing picture is replaced (where
    // it is when its folder can be written) only after the overwrite question
    // (text 127, caption 126, No by default, owned by `owner`). A copy that
    // fails is logged and told (text 272, caption 113) and leaves the old
    // picture as it was. The folder the chooser showed is remembered, also
    // after Cancel. True when the chooser ended with OK.
    static bool AddWithChooser(const QString& folder, QWidget* owner, const ChooserRunner& run = {});
};

} // namespace dawnbell
