#pragma once
// What the wizard and its pages need from the program around them, given to the
// wizard's constructor: the caller's time-clash check, the application's
// template list, the named colours, the pictures folder and how a file chooser
// is run. Every member has a working default, so a wizard made with an empty
// set of services still edits an alarm (without clash check or templates).
#include "AlarmStore.h"
#include "TemplateName.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace dawnbell {

class Alarm;
class AlarmTemplate;
class FileDialog;

struct WizardServices {
    // True when a candidate alarm rings at the same time as another alarm of the
    // caller's list (the edited alarm excluded); empty: never.
    std::function<bool(const Alarm& candidate)> clash;
    // The application's template list (sorted by name); a template saved at OK
    // goes into it in name order, replacing one of the same name. Null: no
    // templates to show, and none can be saved.
    TemplateList* templates = nullptr;
    // The named colours of the colour lists; empty: none besides "Custom".
    QList<NamedColor> namedColors;
    // Folder of the background pictures; empty: <program folder>/images.
    QString imagesDir;
    // Runs a prepared file chooser and returns QDialog::Accepted or Rejected;
    // empty: exec(). Tests drive the real chooser through it.
    std::function<int(FileDialog& chooser)> runFileDialog;

    // The pictures folder in use (imagesDir or its default).
    QString ImagesDir() const;
    // Runs `chooser` as runFileDialog says.
    int RunFileDialog(FileDialog& chooser) const;
};

} // namespace dawnbell
