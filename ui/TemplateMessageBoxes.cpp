#include "TemplateMessageBoxes.h"

#include "FileDialog.h"
#include "MessageBox.h"

namespace dawnbell {

TemplateMessageBoxes::TemplateMessageBoxes(QWidget* owner) : owner_(owner) {}

bool TemplateMessageBoxes::Ask(Question question, const QString& text, const QString& caption)
{
    const MsgIcon icon = question == Question::OverwriteFile ? MsgIcon::Warning : MsgIcon::Question;
    // Every question here deletes or replaces a file or template of the user's
    // on Yes: Enter, pressed to get on, answers No.
    return ShowMessageBox(text, caption, MsgButtons::YesNoSafe, icon, owner_) == MsgAnswer::Yes;
}

void TemplateMessageBoxes::Tell(Notice notice, const QString& text, const QString& caption, const QString& detail)
{
    (void)detail; // logged by the operation; the box shows the user's text only
    ShowMessageBox(text, caption, MsgButtons::Ok, notice == Notice::Error ? MsgIcon::Error : MsgIcon::Information,
                   owner_);
}

int TemplateMessageBoxes::Run(FileDialog& chooser)
{
    return runner_ ? runner_(chooser) : chooser.exec();
}

bool TemplateMessageBoxes::ChooseExportFile(const QString& startFolder, const QString& proposedName, QString* path,
                                            QString* folder)
{
    FileDialog chooser(FileDialog::Mode::Save, FileDialog::StartFolder(FileDialog::Purpose::Templates, startFolder),
                       owner_);
    chooser.SetFilter(FileDialog::TemplateFilter());
    chooser.SetDefaultExtension(QStringLiteral(".atf"));
    chooser.SetDefaultFileName(proposedName);
    const bool chosen = Run(chooser) == QDialog::Accepted && !chooser.ChosenFiles().isEmpty();
    *folder = chooser.CurrentFolder();
    if (chosen)
        *path = chooser.ChosenFiles().first();
    return chosen;
}

bool TemplateMessageBoxes::ChooseImportFiles(const QString& startFolder, QStringList* paths, QString* folder)
{
    FileDialog chooser(FileDialog::Mode::Open, FileDialog::StartFolder(FileDialog::Purpose::Templates, startFolder),
                       owner_);
    chooser.SetFilter(FileDialog::TemplateFilter());
    const bool chosen = Run(chooser) == QDialog::Accepted && !chooser.ChosenFiles().isEmpty();
    *folder = chooser.CurrentFolder();
    if (chosen)
        *paths = chooser.ChosenFiles();
    return chosen;
}

} // namespace dawnbell
