#pragma once
// The program's side of the template operations: their questions and messages
// as message boxes (warning icon for the overwrite question, question icon for
// the others; information and error icons for the messages) and their file
// choices through the program's file chooser with the template filter.
#include "TemplateDialogue.h"

#include <functional>

class QWidget;

namespace dawnbell {

class FileDialog;

class TemplateMessageBoxes : public TemplateDialogue {
public:
    // Boxes and the chooser are owned by `owner` (may be null).
    explicit TemplateMessageBoxes(QWidget* owner);

    bool Ask(Question question, const QString& text, const QString& caption) override;
    void Tell(Notice notice, const QString& text, const QString& caption, const QString& detail) override;
    // Save mode, default extension ".atf"; choosing an existing file is
    // confirmed in the chooser.
    bool ChooseExportFile(const QString& startFolder, const QString& proposedName, QString* path,
                          QString* folder) override;
    // Open mode with several files checked.
    bool ChooseImportFiles(const QString& startFolder, QStringList* paths, QString* folder) override;

    // Runs a prepared chooser and returns its result; the default is exec().
    // Tests drive the chooser through this.
    using ChooserRunner = std::function<int(FileDialog& chooser)>;
    void SetChooserRunner(ChooserRunner runner) { runner_ = std::move(runner); }

private:
    int Run(FileDialog& chooser);

    QWidget* owner_;        // parent of boxes and the chooser
    ChooserRunner runner_;  // replaces exec() when set
};

} // namespace dawnbell
