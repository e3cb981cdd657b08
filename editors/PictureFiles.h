#pragma once
// The program's pictures folder (images/ below the program folder), where the
// background pictures of alarms and templates live under bare file names: the
// file chooser's picture filter, the names the folder holds, and the copying of
// chosen files into it.
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace dawnbell {

class FileDialog;

class PictureFiles {
public:
    // The file chooser's filter for pictures.
    static const QString kFilter;
    // Setting (section "settings") with the folder the picture chooser showed last.
    static const QString kFolderSetting;

    // images/ below `programDir`; below the running program's folder when empty.
    static QString Folder(const QString& programDir = QString());

    // The names of the files in `folder`, sorted without regard to case.
    static QStringList Names(const QString& folder);

    // Runs a prepared chooser; empty: exec().
    using ChooserRunner = std::function<int(FileDialog& chooser)>;

    // Lets the user choose pictures (several at once, starting in the folder
    // last shown) and copies each into `folder` (created when missing) under
    // its own name: a file that already is the target is skipped, an existing
    // target is replaced only after the overwrite question (text 127, caption
    // 126, owned by `owner`). The folder the chooser showed is remembered, also
    // after Cancel. True when the chooser ended with OK.
    static bool AddWithChooser(const QString& folder, QWidget* owner, const ChooserRunner& run = {});
};

} // namespace dawnbell
