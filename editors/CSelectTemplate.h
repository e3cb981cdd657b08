#pragma once
// The dialog behind the main window's Add button: a drop-down list with the
// four kinds of new alarm, a separator and every template, a live preview of
// the choice, arrows that move the choice, and Delete for a template. OK fills
// the caller's new alarm with the chosen kind or template and opens the
// matching editor (the compact editor for compact alarms, the wizard for the
// others); the dialog ends with OK only when that editor did.
#include "KitDialog.h"
#include "TemplateMessageBoxes.h"
#include "TemplateName.h"

#include <QFont>
#include <QString>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;

namespace dawnbell {

class Alarm;
class CTemplatePreviewStatic;
class KitArrowButton;

class CSelectTemplate : public KitDialog {
    Q_OBJECT
public:
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdUp = 1017,     // "^"
        IdDown = 1018,   // "v"
        IdTitle = 1025,  // hidden holder of the title's place
        IdDelete = 1082,
        IdChoice = 1113,
        IdPreview = 1114,
    };
    // Choice list entries before the templates.
    enum Entry : int { EntryWizard, EntryCompact, EntryAppointment, EntryCommand, EntrySeparator, kFirstTemplate };
    // Dialog layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 223;
    static constexpr int kLandscapeLayout = 226;
    static constexpr int kSquareLayout = 227;
    // Shade n of the background gradient (as the main window's).
    static constexpr int kShade = 80;

    // Runs an editor modally for the new alarm over the dialog; true on OK.
    using EditorRunner = std::function<bool(Alarm* alarm, QWidget* owner)>;
    struct Services {
        EditorRunner compactEditor; // compact alarms (type 0)
        EditorRunner wizard;        // wizard, appointment and command alarms (types 1-3)
        TemplateList* templates = nullptr; // the application's templates; null: none offered
        QString programDir;         // sounds/ and images/ for Delete; empty: the program's folder
    };

    // A selection for the new alarm `alarm` (not owned; outlives the dialog).
    CSelectTemplate(Alarm* alarm, QWidget* parent, Services services);

    // --- state -----------------------------------------------------------------
    int Current() const;
    int Count() const;
    CTemplatePreviewStatic* Preview() const { return m_preview; }
    QAbstractButton* Button(int id) const; // OK, Cancel, Delete, "^", "v"
    QString TitleText() const;
    QFont TitleFont() const { return m_titleFont; }
    // The template of entry `index`; null for the kinds and the separator.
    AlarmTemplate* TemplateAt(int index) const;
    // The questions of Delete (tests may drive them).
    TemplateMessageBoxes& Boxes() { return m_boxes; }

    // --- what the controls do ----------------------------------------------------
    void Choose(int index);
    void Up();
    void Down();
    void Delete();

public slots:
    void accept() override;

protected:
    void PaintLabels(QPainter& painter) override;

private:
    void CreateControls();
    void FillChoices();
    // Enables the buttons and sets the preview for the current entry.
    void SelectionChanged();
    void LayOutFor(const QSize& size) override;

    Alarm* m_alarm;                        // the caller's new alarm, not owned
    Services m_services;                   // editors and templates
    TemplateMessageBoxes m_boxes;          // Delete's questions
    QFont m_titleFont;                     // fitted to the title area

    QLabel* m_title = nullptr;             // 1025 "Select template"
    QComboBox* m_choice = nullptr;         // 1113
    CTemplatePreviewStatic* m_preview = nullptr; // 1114
    QPushButton* m_delete = nullptr;       // 1082
    KitArrowButton* m_up = nullptr;        // 1017
    KitArrowButton* m_down = nullptr;      // 1018
    QPushButton* m_ok = nullptr;           // 1
    QPushButton* m_cancel = nullptr;       // 2
};

} // namespace dawnbell
