#include "PictureFiles.h"

#include "DevicePaths.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "Profile.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dawnbell {

namespace {

enum TextId {
    kTextWarning = 126,
    kTextOverwrite = 127, // "The file %s already exists. Do you want to overwrite it?"
};

const QString kSettings = QStringLiteral("settings");

} // namespace

const QString PictureFiles::kFilter = QStringLiteral(
    "JPEG, GIF, BMP, PNG Files (*.jpg, *.jpeg, *.gif, *.bmp, *.png)|*.jpg, *.jpeg, *.gif, *.bmp, *.png|"
    "All Files (*.*)|*.*");
const QString PictureFiles::kFolderSetting = QStringLiteral("lastSelectedImageFolder");

QString PictureFiles::Folder(const QString& programDir)
{
    const QString base = programDir.isEmpty() ? QString::fromStdString(ProgramDir()) : programDir;
    return base + QStringLiteral("/images");
}

QStringList PictureFiles::Names(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

bool PictureFiles::AddWithChooser(const QString& folder, QWidget* owner, const ChooserRunner& run)
{
    const QString last = Profile::ReadText(kSettings, kFolderSetting, QString());
    FileDialog chooser(FileDialog::Mode::Open, FileDialog::StartFolder(FileDialog::Purpose::Pictures, last), owner);
    chooser.SetFilter(kFilter);
    const bool chosen = (run ? run(chooser) : chooser.exec()) == QDialog::Accepted;
    if (chosen) {
        QDir().mkpath(folder);
        for (const QString& source : chooser.ChosenFiles()) {
            const QString target = folder + QLatin1Char('/') + QFileInfo(source).fileName();
            const QFileInfo to(target);
            if (to.exists()) {
                if (to.canonicalFilePath() == QFileInfo(source).canonicalFilePath())
                    continue; // already in the folder
                const QString question = FormatText(Text(kTextOverwrite), {target});
                if (ShowMessageBox(question, Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, owner)
                    != MsgAnswer::Yes)
                    continue;
                QFile::remove(target);
            }
            if (!QFile::copy(source, target))
                qWarning("Could not copy the picture %s to %s", qPrintable(source), qPrintable(target));
        }
    }
    Profile::WriteText(kSettings, kFolderSetting, chooser.CurrentFolder());
    Profile::Flush();
    return chosen;
}

} // namespace dawnbell
