#pragma once
// Options page "Colors": the table of named colours (a list sorted by name, a
// name field and red, green and blue fields 0-255 with a preview of the three),
// Add and Remove, and the buttons that make the colour of the fields the
// program's background or text colour. The sheet takes a new colour at once
// as a preview; OK keeps it. A colour too close to the other one of the pair
// (at most 29 apart in every channel) is only taken after a warning question.
#include "COptionsPage.h"

#include <cstdint>

class QLineEdit;
class QListWidget;

namespace dawnbell {

class COptionsColors : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdList = 1110,
        IdName = 1111,
        IdRedLabel = 1112,
        IdGreenLabel = 1113,
        IdBlueLabel = 1114,
        IdRed = 1115,
        IdGreen = 1116,
        IdBlue = 1117,
        IdPreview = 1118,
        IdAdd = 1119,
        IdRemove = 1120,
        IdAsBack = 1121,
        IdAsText = 1122,
    };
    static constexpr int kLayout = 311;
    // Largest channel value; a larger typed number becomes this at once.
    static constexpr int kMaxChannel = 255;

    explicit COptionsColors(COptionsWizard* sheet);

    // What the buttons do.
    void Add();
    void Remove();
    // Makes the fields' colour the background (asBack) or text colour, after
    // the question when it is too close to the other one.
    void UseAs(bool asBack);
    // The colour of the three fields (0x00BBGGRR).
    uint32_t FieldColor() const;

protected:
    void CreateControls() override;
    void Fill() override;

private:
    // Rebuilds the list from the working copy and selects `row` (-1: none).
    void FillList(int row);
    // Copies the selected entry into the name and channel fields.
    void ShowSelected();
    void UpdateButtons();
    // Shows the fields' colour in the preview, named for screen readers.
    void ShowPreview();
};

} // namespace dawnbell
