#pragma once
// The per-screen pictures of one template: the eleven background pictures, one
// per screen class, each chosen from the program's pictures folder, with Add to
// copy more pictures into that folder. OK writes the choices into the template
// and saves it; Cancel and the window manager's close change nothing. Add
// refills the lists from the template's stored fields, so choices not yet
// confirmed with OK are dropped.
#include "KitDialog.h"
#include "PictureFiles.h"

class QPushButton;
class QScrollArea;

namespace dawnbell {

class AlarmTemplate;
class CMoreImagesView;

class CMoreImagesDialog : public KitDialog {
    Q_OBJECT
public:
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdAdd = 1132, // "Add" (the view's first list has the same id, inside the view)
    };
    static constexpr int kLayout = 248;
    // Shade n of the background gradient (as the main window's).
    static constexpr int kShade = 80;

    // A dialog for `t` (not owned; outlives the dialog) over `parent`; pictures
    // live in `imagesDir` (empty: the program's images/ folder).
    CMoreImagesDialog(AlarmTemplate* t, QWidget* parent = nullptr, const QString& imagesDir = QString());

    // Replaces how Add runs the file chooser (tests); empty: exec().
    void SetChooserRunner(PictureFiles::ChooserRunner run) { m_run = std::move(run); }

    CMoreImagesView* View() const { return m_view; }
    QPushButton* Button(int id) const;

    // Add: choose and copy pictures, then refill from the stored fields.
    void Add();

public slots:
    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void DoLayout();
    void Refill();

    AlarmTemplate* m_template;            // the template, not owned
    QString m_imagesDir;                  // the pictures folder
    PictureFiles::ChooserRunner m_run;    // runs Add's chooser
    QScrollArea* m_scroll = nullptr;      // holds the view
    CMoreImagesView* m_view = nullptr;    // the eleven lists
    QPushButton* m_buttons[3] = {};       // Add, OK, Cancel
};

} // namespace dawnbell
