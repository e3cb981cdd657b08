#pragma once
// The form of the picture dialog (CMoreImagesDialog): for each of the eleven
// screen classes a label with its name and resolution and a sorted drop-down
// list offering "(None)" and every file of the program's pictures folder. The
// form is taller than a small display; the dialog shows it in a scrolling area.
#include "DialogLayout.h"

#include <QString>
#include <QWidget>

class QComboBox;

namespace dawnbell {

class Alarm;

class CMoreImagesView : public QWidget {
    Q_OBJECT
public:
    // One row: the list's control id, the layout's fixed label text and the field it edits.
    struct Row {
        int listId;
        const char* label;
        int field; // BackImageField
    };
    static const Row kRows[11];
    static constexpr int kLayout = 274;
    // Control id of a row's label: the list's id + kLabelIdOffset.
    static constexpr int kLabelIdOffset = 1000;

    explicit CMoreImagesView(QWidget* parent = nullptr);

    // Fills every list with "(None)" and the names in `pictures`, choosing the
    // entry equal to the alarm's field ("(None)" for an empty one). A field that
    // names a file the folder lacks keeps its entry, so it is not lost unseen.
    void Fill(const Alarm& alarm, const QStringList& pictures);
    // Writes the chosen entries into the alarm's fields ("(None)" gives "").
    void Store(Alarm* alarm) const;
    // The list of a row by its control id; null for others.
    QComboBox* List(int listId) const;
    // Places the rows for a form `width` pixels wide at dpiX x dpiY and sizes the form.
    void Place(int width, int dpiX, int dpiY);
    // Colours the labels are painted in (0x00BBGGRR).
    void SetColors(uint32_t background, uint32_t text, int shade);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_background = 0x00FFFFFF;
    uint32_t m_text = 0;
    int m_shade = 0x50;
};

// Layout `id` (248 the dialog, 274 the form) of the picture dialog.
DialogLayout MoreImagesLayout(int id);

} // namespace dawnbell
