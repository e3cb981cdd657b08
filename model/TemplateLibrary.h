#pragma once
// The user's operations on the template list: export to an alarm template file,
// import from such files, and deletion. The list itself is owned by the caller
// (the application object) and must mirror the registry's template sections; the
// operations keep both in step. Every question, message and file choice goes
// through a TemplateDialogue, so the same operations serve the options page
// (message boxes, file chooser) and a command-line tool (no windows).
//
// Texts: 125 exported, 127 overwrite question, 128 not a template file, 273 not
// put in place, 129 imported (270 under a new name), 155 delete the imported
// file, 80/81/153 the deletion questions; captions 113 (error), 114
// (information), 126 (warning), 139 (question).
#include "TemplateName.h"

#include <QString>
#include <QStringList>

namespace dawnbell {

class AlarmTemplate;
class TemplateDialogue;

class TemplateLibrary {
public:
    // Setting (section "settings") with the folder last shown by the file chooser.
    static const QString kFolderSetting;

    // Saves `t` in one registry transaction, together with the deletion of the
    // section of `replaced` (null: none; a template whose name differs only in
    // letter case shares the section). True when the registry took all of it;
    // otherwise nothing changed (the old template stays whole) and a warning is
    // logged.
    static bool Store(AlarmTemplate& t, const AlarmTemplate* replaced);

    // Works on `templates` (not owned; sorted by name) with the program folder
    // `programDir` (sounds/ and images/ below it), asking through `dialogue`.
    TemplateLibrary(TemplateList* templates, const QString& programDir, TemplateDialogue* dialogue);

    // Export of `t` with the file choice: a save choice starting in the folder
    // setting, proposing `name` + ".atf"; then ExportTo. The folder shown is
    // remembered after a cancel and after a successful export, not after a
    // failed one. Nothing happens for a null `t`. True when the file was written.
    bool Export(const AlarmTemplate* t);

    // Writes `t` with its sound and picture files to `path` (created or
    // replaced), then tells "exported" (text 125). On a file error tells the
    // platform's description and leaves no partial file. True on success.
    bool ExportTo(const AlarmTemplate& t, const QString& path);

    // Import with the file choice (several files, starting in the folder
    // setting), then ImportFiles. The folder shown is remembered, also after a
    // cancel. Returns the number of templates imported.
    int Import();

    // Imports each file in order (ImportFile). Returns the number imported.
    int ImportFiles(const QStringList& paths);

    // Imports one template file: reads and checks all of it, gives it a free
    // name (TemplateName::Unique), extracts its files (asking before replacing
    // one), saves it and adds it to the list, sorted by name; then tells
    // "imported" with the name as caption and asks whether to delete the file.
    // Only a regular file is read (a FIFO or device is refused without waiting
    // on it). A file that cannot be read as a template tells text 128; a
    // template that cannot be stored or whose files cannot be put in place
    // (a folder that cannot be written) tells text 273 with the reason. Either
    // changes nothing: no file extracted or replaced, nothing in the list or
    // the registry. Returns the new template (owned by the list) or null.
    AlarmTemplate* ImportFile(const QString& path);

    // Deletes `t` (a template of the list) after asking: its registry section,
    // on request its pictures (images/ + name) and its sound files (by full
    // path), then the list entry and the object. Files that cannot be deleted
    // are skipped. True when the template was deleted.
    bool Delete(AlarmTemplate* t);

private:
    void RememberFolder(const QString& folder);
    // Tells that `path` is no template file (text 128), with `detail` for the log.
    void RefuseImport(const QString& path, const QString& detail);
    // Tells that the template of `path` could not be put in place (its files
    // or its registry section): text 273 with `detail` ("path: reason").
    void FailImport(const QString& path, const QString& detail);

    TemplateList* templates_;     // the application's template list
    QString programDir_;          // program folder
    TemplateDialogue* dialogue_;  // questions, messages, file choices
};

} // namespace dawnbell
