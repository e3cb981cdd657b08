#include "TemplateLibrary.h"

#include "AddedFiles.h"
#include "Alarm.h"
#include "AlarmStore.h"
#include "AtfExtraction.h"
#include "AtfFormat.h"
#include "AtfReader.h"
#include "AtfWriter.h"
#include "Profile.h"
#include "Registry.h"
#include "TemplateDialogue.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QFile>
#include <QtDebug>

#include <algorithm>

namespace dawnbell {

namespace {

const QString kSettings = QStringLiteral("settings");

enum TextId {
    kTextDeleteTemplate = 80,  // "Delete selected template?"
    kTextDeleteImages = 81,    // "Delete the file(s) of the background image too?"
    kCaptionError = 113,       // "Fehler"
    kCaptionInformation = 114, // "Information"
    kTextExported = 125,       // "Template successfully exported."
    kCaptionWarning = 126,     // "Warning"
    kTextOverwrite = 127,      // "The file %s already exists. Do you want to overwrite it?"
    kTextNotATemplate = 128,   // "File has no valid template file format!"
    kTextImported = 129,       // "Template successfully imported."
    kCaptionQuestion = 139,    // "Question"
    kTextDeleteSounds = 153,   // "Delete sound file(s) used by the template too?"
    kTextDeleteImported = 155, // "Delete the imported template file (%s)?"
    kTextNotImported = 273,    // "The template file %s could not be imported: %s"
    kTextImportedAs = 270,     // "Template successfully imported as \"%s\": a template named \"%s\" already exists."
};

void SortByName(TemplateList* list)
{
    std::stable_sort(list->begin(), list->end(),
                     [](const std::unique_ptr<AlarmTemplate>& a, const std::unique_ptr<AlarmTemplate>& b) {
                         return AlarmStore::NameLess(a->name, b->name);
                     });
}

// True when the template's section holds the values Save wrote last (`time`
// comes last), i.e. the registry took the whole template.
bool IsStored(const AlarmTemplate& t)
{
    const int time = (t.repeatDays & 0x7F) + t.GetSecondsOfDay() * 128;
    return Profile::ReadInt(t.GetKey(), QStringLiteral("time"), -1) == time
        && Profile::ReadInt(t.GetKey(), QStringLiteral("playlistCount"), -1) == t.playlist.size();
}

} // namespace

bool TemplateLibrary::Store(AlarmTemplate& t, const AlarmTemplate* replaced)
{
    bool stored = false;
    {
        RegWriteBatch batch; // Save's and DeleteSection's own writes join it
        if (replaced)
            AlarmStore::DeleteSection(*replaced);
        t.Save();
        stored = IsStored(t);
        if (!stored)
            batch.Cancel();
        else
            stored = batch.Commit() == RegOk;
    }
    if (!stored)
        qWarning("Template \"%s\" could not be stored; the templates stay as they were", qUtf8Printable(t.name));
    return stored;
}

const QString TemplateLibrary::kFolderSetting = QStringLiteral("lastSelectedTemplateFolder");

TemplateLibrary::TemplateLibrary(TemplateList* templates, const QString& programDir, TemplateDialogue* dialogue)
    : templates_(templates), programDir_(programDir), dialogue_(dialogue)
{
}

void TemplateLibrary::RememberFolder(const QString& folder)
{
    if (folder.isEmpty())
        return;
    Profile::WriteText(kSettings, kFolderSetting, folder);
    Profile::Flush();
}

bool TemplateLibrary::Export(const AlarmTemplate* t)
{
    if (!t)
        return false;
    const QString start = Profile::ReadText(kSettings, kFolderSetting, QString());
    // A "/" in the name would make the proposal a path into a subfolder.
    QString proposed = t->name + QStringLiteral(".atf");
    proposed.replace(QLatin1Char('/'), QLatin1Char('_'));
    QString path;
    QString folder;
    if (!dialogue_->ChooseExportFile(start, proposed, &path, &folder)) {
        RememberFolder(folder);
        return false;
    }
    if (!ExportTo(*t, path))
        return false;
    RememberFolder(folder);
    return true;
}

bool TemplateLibrary::ExportTo(const AlarmTemplate& t, const QString& path)
{
    AtfWriter writer(programDir_);
    if (!writer.WriteFile(t, path)) {
        qWarning("Template export of \"%s\" failed: %s", qUtf8Printable(t.name), qUtf8Printable(writer.Error()));
        dialogue_->Tell(TemplateDialogue::Notice::Error, writer.Error(), Text(kCaptionError), writer.Error());
        return false;
    }
    dialogue_->Tell(TemplateDialogue::Notice::Exported, Text(kTextExported), Text(kCaptionInformation), QString());
    return true;
}

int TemplateLibrary::Import()
{
    const QString start = Profile::ReadText(kSettings, kFolderSetting, QString());
    QStringList paths;
    QString folder;
    int imported = 0;
    if (dialogue_->ChooseImportFiles(start, &paths, &folder))
        imported = ImportFiles(paths);
    RememberFolder(folder);
    return imported;
}

int TemplateLibrary::ImportFiles(const QStringList& paths)
{
    int imported = 0;
    for (const QString& path : paths) {
        if (ImportFile(path))
            ++imported;
    }
    return imported;
}

void TemplateLibrary::RefuseImport(const QString& path, const QString& detail)
{
    qWarning("Template import of %s refused: %s", qUtf8Printable(path), qUtf8Printable(detail));
    dialogue_->Tell(TemplateDialogue::Notice::Error, Text(kTextNotATemplate), Text(kCaptionError),
                    path + QStringLiteral(": ") + detail);
}

void TemplateLibrary::FailImport(const QString& path, const QString& detail)
{
    qWarning("Template import of %s failed: %s", qUtf8Printable(path), qUtf8Printable(detail));
    dialogue_->Tell(TemplateDialogue::Notice::Error, FormatTextId(kTextNotImported, {path, detail}),
                    Text(kCaptionError), path + QStringLiteral(": ") + detail);
}

AlarmTemplate* TemplateLibrary::ImportFile(const QString& path)
{
    QFile file;
    QString why;
    if (!AtfFormat::OpenRegularFile(path, &file, &why)) {
        RefuseImport(path, why);
        return nullptr;
    }
    // Read and check the whole file first: nothing is written for a file that
    // is not a template.
    AtfReader reader(programDir_);
    auto t = std::make_unique<AlarmTemplate>();
    if (!reader.Read(&file, t.get())) {
        RefuseImport(path, reader.Error());
        return nullptr;
    }
    const QString nameInFile = t->name;
    t->name = TemplateName::Unique(*templates_, t->name);
    if (!TemplateName::IsStorable(t->name)) {
        FailImport(path, QStringLiteral("no free name of at most %1 characters").arg(TemplateName::kMaxChars));
        return nullptr;
    }

    // The files go to temporary folders first (asking before an existing one
    // is replaced); they take their places only together with the template's
    // section, in one registry transaction. Anything that fails undoes both.
    AtfExtraction extraction(programDir_);
    const auto ask = [this](const QString& target) {
        return dialogue_->Ask(TemplateDialogue::Question::OverwriteFile, FormatTextId(kTextOverwrite, {target}),
                              Text(kCaptionWarning));
    };
    if (!extraction.Stage(&file, reader.Embedded(), ask)) {
        FailImport(path, extraction.Error());
        return nullptr;
    }
    file.close();
    // Each playlist entry names the file its name has once the files are in
    // place: an extracted one, or the one already there (the program's or the
    // user's own).
    QStringList playlist;
    for (const QString& entry : t->playlist)
        playlist << extraction.Where(AddedFiles::kSounds, AtfFormat::FileNamePart(entry));
    t->SetPlaylist(playlist);
    QString failure;
    {
        RegWriteBatch batch; // Save's own writes join it
        t->Save();
        if (!IsStored(*t))
            failure = QStringLiteral("the template could not be stored");
        else if (!extraction.Install())
            failure = extraction.Error();
        if (!failure.isEmpty())
            batch.Cancel();
        else if (batch.Commit() != RegOk)
            failure = QStringLiteral("the template could not be stored");
    }
    if (!failure.isEmpty()) {
        extraction.Rollback();
        FailImport(path, failure);
        return nullptr;
    }
    extraction.Finish();

    AlarmTemplate* added = t.get();
    templates_->push_back(std::move(t));
    SortByName(templates_);
    qInfo("Template \"%s\" imported from %s", qUtf8Printable(added->name), qUtf8Printable(path));

    // A new name is said in the text too: a caption is easily overlooked, or not shown at all.
    const QString told = added->name == nameInFile ? Text(kTextImported)
                                                   : FormatTextId(kTextImportedAs, {added->name, nameInFile});
    dialogue_->Tell(TemplateDialogue::Notice::Imported, told, added->name, QString());
    if (dialogue_->Ask(TemplateDialogue::Question::DeleteImportedFile, FormatTextId(kTextDeleteImported, {path}),
                       Text(kCaptionQuestion))) {
        QFile imported(path);
        if (!imported.remove()) {
            const QString error = path + QStringLiteral(": ") + imported.errorString();
            qWarning("Imported template file not deleted: %s", qUtf8Printable(error));
            dialogue_->Tell(TemplateDialogue::Notice::Error, error, Text(kCaptionError), error);
        }
    }
    return added;
}

bool TemplateLibrary::Delete(AlarmTemplate* t)
{
    if (!t)
        return false;
    if (!dialogue_->Ask(TemplateDialogue::Question::DeleteTemplate, Text(kTextDeleteTemplate), Text(kCaptionQuestion)))
        return false;
    if (!AlarmStore::DeleteSection(*t))
        qWarning("Template section \"%s\" could not be deleted", qUtf8Printable(t->GetKey()));

    if (t->HasBackgroundImage()
        && dialogue_->Ask(TemplateDialogue::Question::DeleteImages, Text(kTextDeleteImages), Text(kCaptionQuestion))) {
        for (int field = 0; field < BackImageFieldCount; ++field) {
            // Picture fields are bare names in images/; anything else is not ours to delete.
            const QString name = AtfFormat::SafeFileName(t->BackImage(field));
            if (!name.isEmpty() && name == t->BackImage(field))
                QFile::remove(AddedFiles::Find(programDir_ + QStringLiteral("/images"), AddedFiles::kImages, name));
        }
    }
    if (!t->playlist.isEmpty()
        && dialogue_->Ask(TemplateDialogue::Question::DeleteSounds, Text(kTextDeleteSounds), Text(kCaptionQuestion))) {
        for (const QString& path : t->playlist)
            QFile::remove(path);
    }

    const auto it = std::find_if(templates_->begin(), templates_->end(),
                                 [t](const std::unique_ptr<AlarmTemplate>& p) { return p.get() == t; });
    if (it != templates_->end())
        templates_->erase(it); // destroys the template
    return true;
}

} // namespace dawnbell
