#include "PictureFiles.h"

#include "AddedFiles.h"
#include "AtfFormat.h"
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
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace dawnbell {

namespace {

enum TextId {
    kTextError = 113,
    kTextWarning = 126,
    kTextOverwrite = 127, // "The file %s already exists. Do you want to overwrite it?"
    kTextCopyFailed = 272, // "The picture %s could not be copied to %s: %s"
};

const QString kSettings = QStringLiteral("settings");

} // namespace

const QString PictureFiles::kFolderSetting = QStringLiteral("lastSelectedImageFolder");

QString PictureFiles::Folder(const QString& programDir)
{
    const QString base = programDir.isEmpty() ? QString::fromStdString(ProgramDir()) : programDir;
    return base + QStringLiteral("/images");
}

QStringList PictureFiles::Names(const QString& folder)
{
    return AddedFiles::Names(folder, AddedFiles::kImages);
}

QString PictureFiles::PathOf(const QString& folder, const QString& name)
{
    return AddedFiles::Find(folder, AddedFiles::kImages, name);
}

bool PictureFiles::CopyInto(const QString& source, const QString& target, QString* why)
{
    QFile in;
    if (!AtfFormat::OpenRegularFile(source, &in, why)) // never waits on a FIFO or device
        return false;
    // Written whole under a hidden name beside the target first, then renamed
    // over it: the old picture stays until the new one is complete, and a
    // symbolic link at the target is replaced, never written through.
    const QString part = QFileInfo(target).path() + QStringLiteral("/.picture-") + QFileInfo(target).fileName();
    QFile::remove(part); // a leftover of an earlier copy that was cut short
    QSaveFile out(part);
    if (!out.open(QIODevice::WriteOnly)) {
        *why = out.errorString();
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 17);
        if (block.isEmpty() && in.error() != QFileDevice::NoError) {
            *why = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (out.write(block) != block.size()) {
            *why = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *why = out.errorString();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(part).toStdString(), QFile::encodeName(target).toStdString(), ec);
    if (ec) {
        *why = QString::fromLocal8Bit(ec.message().c_str());
        QFile::remove(part);
        return false;
    }
    return true;
}

bool PictureFiles::AddWithChooser(const QString& folder, QWidget* owner, const ChooserRunner& run)
{
    const QString last = Profile::ReadText(kSettings, kFolderSetting, QString());
    FileDialog chooser(FileDialog::Mode::Open, FileDialog::StartFolder(FileDialog::Purpose::Pictures, last), owner);
    chooser.SetFilter(FileDialog::PictureFilter());
    const bool chosen = (run ? run(chooser) : chooser.exec()) == QDialog::Accepted;
    if (chosen) {
        // The program folder's images/, or the user's own pictures folder when
        // the program folder cannot be written (a package install).
        const QString into = AddedFiles::TargetFolder(folder, AddedFiles::kImages);
        for (const QString& source : chooser.ChosenFiles()) {
            const QString name = QFileInfo(source).fileName();
            const QString existing = PathOf(folder, name);
            const QFileInfo there(existing);
            QString target = into + QLatin1Char('/') + name;
            if (there.exists() || there.isSymLink()) {
                if (there.canonicalFilePath() == QFileInfo(source).canonicalFilePath())
                    continue; // already in the folder
                const QString question = FormatText(Text(kTextOverwrite), {existing});
                if (ShowMessageBox(question, Text(kTextWarning), MsgButtons::YesNoSafe, MsgIcon::Warning, owner)
                    != MsgAnswer::Yes)
                    continue;
                // Replaced where it is, unless that folder cannot be written:
                // then the user's copy stands in for it.
                if (CanWriteIn(QFile::encodeName(there.path()).toStdString()))
                    target = existing;
            }
            QString why;
            if (!QDir().mkpath(QFileInfo(target).path()))
                why = QStringLiteral("the folder cannot be created");
            else
                CopyInto(source, target, &why);
            if (!why.isEmpty()) {
                qWarning("Could not copy the picture %s to %s: %s", qUtf8Printable(source), qUtf8Printable(target),
                         qUtf8Printable(why));
                ShowMessageBox(FormatText(Text(kTextCopyFailed), {source, QFileInfo(target).path(), why}),
                               Text(kTextError), MsgButtons::Ok, MsgIcon::Error, owner);
            }
        }
    }
    Profile::WriteText(kSettings, kFolderSetting, chooser.CurrentFolder());
    Profile::Flush();
    return chosen;
}

} // namespace dawnbell
