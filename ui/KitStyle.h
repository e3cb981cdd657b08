#pragma once
// The control kit: one style that paints every standard control (push buttons,
// check boxes, option buttons, sliders, edits, spin boxes, combo boxes, lists)
// flat and finger-sized in the two colours of its window, the way the
// owner-drawn controls of a handheld look.
//
// The colours come from each widget's palette: QPalette::Window is the
// background colour and QPalette::WindowText / ButtonText the text colour, so a
// window sets its palette once (ApplyKitColors) and every child follows.
#include <QPalette>
#include <QProxyStyle>
#include <cstdint>

class QPainter;
class QWidget;

namespace dawnbell {

class KitStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Difference between a colour and its shade in gradients (Lighten for dark
    // colours, Darken for light ones), in colour steps of 0-255.
    static constexpr int kShade = 30;
    // Space between a push button's frame and its text on each side, pixels at 96 dpi.
    static constexpr int kButtonTextMargin = 1;

    KitStyle();

    // Makes the kit the application style and "Tahoma" 9 pt (KitFont) the
    // application font, once per process; returns the installed style. Needs a
    // QApplication.
    static KitStyle* Install();

    // The area in which the kit draws `control`'s text (widget coordinates): a
    // push button's inside less its frame and kButtonTextMargin, a check box's or
    // radio button's room right of its indicator, a label's contents rectangle;
    // the whole widget for anything else.
    static QRect TextArea(const QWidget* control);

    // Paints a kit button face into `rect`: rounded corners, a gradient of the
    // palette's Button colour and its shade (reversed when `pressed`), an outline
    // in a mix of the text and background colours, thicker in the text colour
    // when `focused`. Used by the style and by the kit's own widgets.
    static void PaintButtonFace(QPainter* painter, const QRect& rect, const QPalette& palette,
                                bool pressed, bool focused);
    // Paints a filled triangle pointing in `arrow` (Qt::ArrowType) centred in
    // `rect`, in `color`.
    static void PaintArrow(QPainter* painter, const QRect& rect, int arrow, const QColor& color);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    // Texts of labels and buttons follow the kit's fit rule (KitTextFit).
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    // Also shows the tooltips of a window's hidden labels (KitTextFit gives an
    // elided one its full text as tooltip).
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

private:
    QObject* m_hiddenLabelTips; // event filter on every window; owned by the style
};

// The kit palette of a window: Window/Button/Base = background, WindowText/
// ButtonText/Text = text, selection inverted (Highlight = text colour,
// HighlightedText = background), and the disabled text roles greyed to the mean
// of the two colours. Colours are 0x00BBGGRR.
QPalette KitPalette(uint32_t background, uint32_t text);
// Gives `widget` and, through palette inheritance, all its children (pop-up
// windows of combo boxes included) the kit palette of the two colours, and
// installs the kit style when it is not the application style yet. Null is ignored.
void ApplyKitColors(QWidget* widget, uint32_t background, uint32_t text);
// The background and text colours a widget paints with (0x00BBGGRR).
uint32_t KitBackground(const QWidget* widget);
uint32_t KitText(const QWidget* widget);

} // namespace dawnbell
