#pragma once
// The ringing window's painting: the gradient, the background picture (decoded
// and drawn once per client size), the texts of the window's hidden labels, the
// plain strip behind the sound controls and the battery gauge. The window keeps
// the labels (text, font, place); the canvas keeps the two caches.
#include <QPixmap>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QPainter;

namespace dawnbell {

class Alarm;

class RingingCanvas {
public:
    // What one paint shows.
    struct Scene {
        QSize size;                        // client size, logical pixels
        qreal dpr = 1.0;                   // device pixels per logical pixel
        uint32_t backColor = 0;            // effective background colour 0x00BBGGRR
        uint32_t textColor = 0;            // effective text colour
        int unit = 2;                      // layout unit u; wrapped texts keep this margin
        bool textBorder = true;            // texts get a one-pixel border (not noTextBorder)
        QString picturePath;               // background picture file; empty for none
        int pictureStyle = 0;              // backImageStyle: 1 stretch, 2 centre, 3 tile (2 and 3
                                           // at the picture's own size in device pixels)
        QRect pictureArea;                 // where the picture may be drawn
        std::vector<const QLabel*> labels; // the labels to paint, in order
        bool soundStrip = false;           // fill the strip behind the sound controls
    };

    // Shade of the gradient's top colour and of label frames.
    static constexpr int kGradientShade = 0x50;
    // Height of the plain strip behind the sound controls, device pixels (not scaled).
    static constexpr int kSoundStripHeight = 30;

    // The bare file name of `alarm`'s background picture for screen class `cls`
    // (whatever stands before the last slash or backslash is dropped); empty for none.
    static QString PictureName(const Alarm& alarm, int cls);

    // Paints `scene` (the battery gauge as last placed by UpdateBattery).
    void Paint(QPainter& painter, const Scene& scene);

    // Reads the device's power status and places the battery icon for the window:
    // `layoutStyle` 0 puts its right edge 5 px (at 96 dpi) in from the right and
    // its bottom level with `endButton`'s; 1 and 2 put it 6 px from the top right
    // corner. On mains power no icon is shown. True when the icon or its place
    // changed; `previous` then gets the old place (to be redrawn).
    bool UpdateBattery(int layoutStyle, const QSize& window, const QRect& endButton, int dpi, QRect* previous);
    // Battery icon shown (282-286), -1 when none; and where.
    int batteryIcon() const { return batteryIcon_; }
    QRect batteryRect() const { return batteryRect_; }

private:
    // Makes pictureCache_ for the scene unless it was made for the same picture,
    // style, area and size.
    void UpdatePicture(const Scene& scene);
    void PaintLabel(QPainter& painter, const Scene& scene, const QLabel* label) const;

    QPixmap pictureCache_;    // the picture drawn on a transparent canvas of the client size
    QString pictureCacheKey_; // what pictureCache_ was made for
    int batteryIcon_ = -1;    // battery icon shown, -1 = none
    QRect batteryRect_;       // where it is drawn
};

} // namespace dawnbell
