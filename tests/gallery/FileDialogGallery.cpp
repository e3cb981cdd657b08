// The file chooser in open and save mode, on a small folder tree of sound
// files and templates made in the gallery's temporary home.
#include "Gallery.h"

#include "FileDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace dawnbell {
namespace {

// Makes the sample folders once per process; returns the folder with the files.
QString SampleFolder()
{
    static QString folder;
    if (!folder.isEmpty())
        return folder;
    const QString root = qEnvironmentVariable("DAWNBELL_HOME") + QStringLiteral("/files");
    const QString sounds = root + QStringLiteral("/Sounds");
    for (const char* sub : {"Sounds/Rock", "Sounds/Classic", "Templates", "Pictures"})
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
    const struct {
        const char* name;
        qint64 size;
        int daysAgo;
    } files[] = {
        {"Morning Birds.mp3", 3400000, 3}, {"alarm.wav", 88200, 40},   {"Bells.wma", 1536, 12},
        {"cuckoo.mid", 900, 200},          {"Zen Gong.mp3", 5300000, 1}, {"readme.txt", 2048, 5},
        {"Sunrise with a very long file name.mp3", 7800000, 60},
    };
    const QDateTime now = QDateTime::fromString(QString::fromLatin1(gallery::kGalleryNow), Qt::ISODate);
    for (const auto& f : files) {
        QFile file(sounds + QLatin1Char('/') + QLatin1String(f.name));
        if (file.open(QIODevice::WriteOnly) && file.resize(f.size))
            file.setFileTime(now.addDays(-f.daysAgo), QFileDevice::FileModificationTime);
    }
    QFile existing(root + QStringLiteral("/Templates/Weekdays.atf"));
    if (existing.open(QIODevice::WriteOnly) && existing.write("[Weekdays]\r\n") > 0 && existing.flush())
        existing.setFileTime(now.addDays(-7), QFileDevice::FileModificationTime);
    folder = sounds;
    return folder;
}

const bool registered = gallery::Register(
    {QStringLiteral("file-dialog"),
     {QStringLiteral("open"), QStringLiteral("open-sorted"), QStringLiteral("save")},
     [](const QString& state) -> QWidget* {
         const QString sounds = SampleFolder();
         if (state == QLatin1String("save")) {
             auto* dialog = new FileDialog(FileDialog::Mode::Save, sounds + QStringLiteral("/../Templates/"));
             dialog->SetFilter(FileDialog::TemplateFilter());
             dialog->SetDefaultExtension(QStringLiteral(".atf"));
             dialog->SetDefaultFileName(QStringLiteral("Weekend"));
             dialog->Prepare();
             return dialog;
         }
         auto* dialog = new FileDialog(FileDialog::Mode::Open, sounds + QLatin1Char('/'));
         // As the sound choosers open it: the program's filter and places.
         dialog->SetFilter(FileDialog::SoundFilter());
         dialog->AddSoundPlaces(sounds);
         dialog->Prepare();
         if (state == QLatin1String("open-sorted")) {
             dialog->TapColumn(FileDialog::kColumnSize);
             dialog->TapColumn(FileDialog::kColumnSize);
         }
         for (int row = 0; row < dialog->RowCount(); ++row) {
             const QString name = dialog->RowText(row, FileDialog::kColumnName);
             if (name.startsWith(QLatin1String("Zen")) || name.startsWith(QLatin1String("alarm")))
                 dialog->CheckRow(row, true);
         }
         return dialog;
     }});

} // namespace
} // namespace dawnbell
