#pragma once
// A preset button of the fade-curve editor whose face shows the preset's shape:
// type 0 a parabola, 1 a straight diagonal, 2 a rise to the top at mid-width
// followed by a level line. Colours are the application's defaults, taken at
// construction.
#include <QAbstractButton>

#include <cstdint>

namespace dawnbell {

class CFadeButtons : public QAbstractButton {
    Q_OBJECT
public:
    explicit CFadeButtons(QWidget* parent = nullptr);

    // Sets the shape shown (0, 1 or 2; other values show 0).
    void SetType(int type);
    int type() const { return type_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int type_ = 0;        // FadePreset
    uint32_t lineColor_;  // application default text colour 0x00BBGGRR
    uint32_t faceColor_;  // application default background colour
};

} // namespace dawnbell
