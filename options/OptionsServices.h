#pragma once
// What the options sheet needs from the program around it: the program folder,
// the application's template and colour lists, the platform's age, the version
// text of the About page, the picture dialog of the Templates page, and how OK
// hands the new language and colours to the application. The program fills it
// (app/ProgramServices.cpp); tests fill their own.
#include "AlarmStore.h"
#include "TemplateName.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace dawnbell {

class AlarmTemplate;
class FileDialog;

struct OptionsServices {
    // Folder with languages/, help/, sounds/ and images/.
    QString programDir;
    // The application's template list (Templates page); null: the page lists none.
    TemplateList* templates = nullptr;
    // The application's named colours when the sheet opens.
    QList<NamedColor> namedColors;
    // True on platforms older than 5.2 build 21000 (the alarm-bug fix applies).
    bool olderPlatform = false;
    // First line of the About page ("Dawnbell v1.0.0").
    QString versionText;

    // Runs the per-screen picture dialog for `t` over `owner`; true on OK. Empty:
    // the page offers no "More images".
    std::function<bool(AlarmTemplate* t, QWidget* owner)> moreImages;
    // Runs a prepared file chooser (Import, Export); empty: exec().
    std::function<int(FileDialog& chooser)> runChooser;
    // Opens a document with the desktop's handler, with the results of
    // COptionsGeneral::OpenWithDesktop (0 started, errno not started, -N the
    // opener failed with status N). Empty: that function (xdg-open).
    std::function<int(const QString& path)> openDocument;

    // OK: the application takes the new language file ("english" = built-in
    // texts) and reloads its texts; then its default colours; then its named
    // colours. Empty members are skipped.
    std::function<void(const QString& languageFile)> setLanguage;
    std::function<void(uint32_t bgColor, uint32_t textColor)> setColors;
    std::function<void(const QList<NamedColor>& colors)> setNamedColors;
};

} // namespace dawnbell
