#pragma once
// Options page "Templates": the application's templates in a drop-down list
// with a preview of the chosen one,
// Import (template files into new templates), Export (the chosen template into
// a template file) and More images (its background picture for each screen
// class; not for command templates). These act at once through the template
// operations' own questions and messages; Cancel of the sheet does not undo them.
#include "COptionsPage.h"
#include "TemplateMessageBoxes.h"

namespace dawnbell {

class AlarmTemplate;
class CTemplatePreviewStatic;

class COptionsTemplates : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdList = 1113,
        IdPreview = 1114,
        IdImport = 1122,
        IdExport = 1123,
        IdMoreImages = 1124,
    };
    static constexpr int kLayout = 313;

    explicit COptionsTemplates(COptionsWizard* sheet);

    // What the buttons do.
    void Import();
    void Export();
    void MoreImages();
    // The chosen template; null when none.
    AlarmTemplate* Selected() const;

protected:
    void CreateControls() override;
    void Fill() override;

private:
    // Rebuilds the list from the template list and chooses `name` (or the first).
    void FillList(const QString& name);
    void SelectionChanged();

    CTemplatePreviewStatic* m_preview = nullptr; // the chosen template as it rings
    TemplateMessageBoxes m_boxes; // the operations' questions, messages and file choices
};

} // namespace dawnbell
