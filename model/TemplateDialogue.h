#pragma once
// What the template operations (TemplateLibrary) ask the user and tell the user,
// and the file choices they need. The operations build every text themselves
// (string-table texts through the language lookup, already filled in); an
// implementation only presents them: message boxes and the program's file
// chooser in the program, answers from options and stderr in a command-line tool,
// a script in tests.
#include <QString>
#include <QStringList>

namespace dawnbell {

class TemplateDialogue {
public:
    // Questions; each is answered yes or no.
    enum class Question {
        OverwriteFile,      // an extracted file exists: replace it? (warning icon)
        DeleteImportedFile, // delete the template file just imported? (question icon)
        DeleteTemplate,     // delete the selected template? (question icon)
        DeleteImages,       // delete its background pictures too? (question icon)
        DeleteSounds,       // delete its sound files too? (question icon)
    };
    // Messages; each is only acknowledged.
    enum class Notice {
        Exported, // the export succeeded (information icon)
        Imported, // a template was imported; the caption is its name (information icon)
        Error,    // an export or import failed (error icon)
    };

    virtual ~TemplateDialogue() = default;

    // Asks `question`; true for yes. `text` and `caption` are ready to show.
    virtual bool Ask(Question question, const QString& text, const QString& caption) = 0;

    // Shows `notice`. For errors `detail` says what exactly failed (for a log or a
    // terminal; message boxes show only `text`); empty otherwise.
    virtual void Tell(Notice notice, const QString& text, const QString& caption, const QString& detail) = 0;

    // The export's file choice: a save choice starting in `startFolder` and
    // proposing `proposedName`, filtered to template files. True with the full
    // path in `*path` when a file was chosen. `*folder` receives the folder shown
    // last, also on cancel; left empty, no folder is remembered. The default
    // offers no choice (cancel).
    virtual bool ChooseExportFile(const QString& startFolder, const QString& proposedName, QString* path,
                                  QString* folder)
    {
        (void)startFolder, (void)proposedName, (void)path, (void)folder;
        return false;
    }

    // The import's file choice: several files, starting in `startFolder`. True
    // with the full paths, in the order chosen, in `*paths`. `*folder` as above.
    // The default offers no choice (cancel).
    virtual bool ChooseImportFiles(const QString& startFolder, QStringList* paths, QString* folder)
    {
        (void)startFolder, (void)paths, (void)folder;
        return false;
    }
};

} // namespace dawnbell
