#pragma once
// Wizard page "Colors": the ringing window's own background and text colours
// (a named colour or custom red, green and blue) and its background picture,
// one per screen class, with its placement (stretch, centre, tile). Pictures
// are chosen from the program's pictures folder; "..." copies new ones in, and
// its hold menu deletes the chosen one.
#include "CEditWizardPage.h"

#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace dawnbell {

class LongPress;

class CStep7 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdBackList = 1006,
        IdBackSwatch = 1028,
        IdUseImage = 1030,
        IdUseText = 1031,
        IdUseBack = 1032,
        IdBackR = 1034,
        IdBackG = 1035,
        IdBackB = 1036,
        IdImageList = 1071,
        IdStretch = 1079,
        IdCenter = 1080,
        IdTile = 1081,
        IdBrowse = 1082,       // "..."; hold: "Delete"
        IdBackRLabel = 1097,
        IdTextRLabel = 1098,
        IdBackGLabel = 1099,
        IdTextGLabel = 1100,
        IdBackBLabel = 1101,
        IdTextBLabel = 1102,
        IdTextList = 1108,
        IdTextSwatch = 1109,
        IdTextR = 1110,
        IdTextG = 1111,
        IdTextB = 1112,
    };
    static constexpr int kLayout = 217;
    static constexpr int kCmdDelete = 32801; // the hold menu's "Delete"
    // Colours whose red, green and blue each differ by less than this are "alike".
    static constexpr int kAlikeDistance = 30;

    CStep7(Alarm* work, const WizardServices* services);

    // Asks before keeping a text colour that is hard to read on the background.
    bool StoreToAlarm() override;

    // The screen class whose picture the list shows.
    int ScreenClassShown() const { return m_class; }
    // The page's copy of the eleven picture fields (BackImageField order).
    QString ImageChoice(int field) const { return m_images[field]; }
    // The hold menu of "...".
    QMenu* DeleteMenu() const { return m_menu; }

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;
    void Placed() override;

private:
    struct Group {
        QCheckBox* use = nullptr;
        QComboBox* list = nullptr;
        QWidget* swatch = nullptr;
        QSpinBox* rgb[3] = {};
        int labelIds[3] = {};
    };
    void MakeGroup(Group* g, int useId, int listId, int swatchId, const int (&rgbIds)[3], const int (&labelIds)[3]);
    void FillGroup(Group* g, uint32_t color, bool use);
    void ColorChosen(Group* g);
    void UpdateSwatch(Group* g);
    static uint32_t ColorOf(const Group& g);
    void FillImageList();
    void ImageChosen();
    void AddImages();
    void DeleteImage();
    void UpdateVisibility();

    Group m_back;                        // background colour
    Group m_text;                        // text colour
    QCheckBox* m_useImage = nullptr;     // 1030
    QComboBox* m_imageList = nullptr;    // 1071: "(None)", then the pictures' names
    QPushButton* m_browse = nullptr;     // 1082
    QMenu* m_menu = nullptr;             // hold menu of 1082
    LongPress* m_hold = nullptr;         // tap-and-hold on 1082
    QRadioButton* m_styles[3] = {};      // Stretch, Center, Tile
    QString m_images[11];                // the page's copy of the picture fields
    int m_class = -1;                    // screen class shown by the list
};

} // namespace dawnbell
