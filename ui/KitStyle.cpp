#include "KitStyle.h"

#include "ColorHelpers.h"
#include "KitFont.h"
#include "KitTextFit.h"
#include "Scaling.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace dawnbell {

namespace {

QColor Shade(const QColor& c)
{
    const uint32_t v = FromQColor(c);
    return ToQColor(IsDark(v) ? Lighten(v, KitStyle::kShade) : Darken(v, KitStyle::kShade));
}

QColor Mix(const QColor& a, const QColor& b)
{
    return ToQColor(Average(FromQColor(a), FromQColor(b)));
}

// Corner radius of buttons and fields, logical pixels.
qreal Radius(const QRect& r)
{
    return std::min<qreal>(ScaleX(4), std::min(r.width(), r.height()) / 3.0);
}

QRectF Inner(const QRect& r, qreal pen)
{
    return QRectF(r).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
}

// The frame of an edit field, list or spin box: background fill and an outline.
void PaintField(QPainter* p, const QRect& rect, const QPalette& pal, bool focused)
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing, true);
    const qreal pen = focused ? 2.0 : 1.0;
    const QColor text = pal.color(QPalette::Text);
    p->setPen(QPen(focused ? text : Mix(text, pal.color(QPalette::Base)), pen));
    p->setBrush(pal.color(QPalette::Base));
    p->drawRoundedRect(Inner(rect, pen), Radius(rect), Radius(rect));
    p->restore();
}

// The label or button whose own text `painter` is drawing; null for any other
// painting (item views, combo boxes, pictures).
const QWidget* TextControl(const QPainter* painter)
{
    QPaintDevice* device = painter->device();
    if (!device || device->devType() != QInternal::Widget)
        return nullptr;
    const auto* widget = static_cast<const QWidget*>(device);
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget))
        return widget;
    return nullptr;
}

// Shows the tooltip of a hidden label (a holder whose text the window paints,
// with the full text as tooltip when it is elided) where the pointer rests on
// it: Qt offers tooltips for visible widgets only. Installed on every window.
class HiddenLabelTips : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        const auto* help = static_cast<QHelpEvent*>(event);
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->isHidden() || label->toolTip().isEmpty() || label->window() != window)
                continue;
            const QRect area(label->mapTo(window, QPoint(0, 0)), label->size());
            if (area.contains(help->pos())) {
                QToolTip::showText(help->globalPos(), label->toolTip(), window, area);
                return true;
            }
        }
        return false;
    }
};

} // namespace

KitStyle::KitStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    , m_hiddenLabelTips(new HiddenLabelTips(this))
{
}

KitStyle* KitStyle::Install()
{
    static QPointer<KitStyle> installed;
    if (installed && QApplication::style() == installed)
        return installed;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto* style = new KitStyle;
    QApplication::setStyle(style); // the application takes ownership
    QApplication::setFont(KitFont(9));
    installed = style;
    return style;
}

QRect KitStyle::TextArea(const QWidget* control)
{
    if (!control)
        return QRect();
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    if (!button) {
        if (const auto* label = qobject_cast<const QLabel*>(control))
            return label->contentsRect();
        return control->rect();
    }
    QStyleOptionButton opt;
    opt.initFrom(control);
    opt.text = button->text();
    QStyle* style = control->style();
    if (qobject_cast<const QPushButton*>(control)) {
        QRect r = style->subElementRect(QStyle::SE_PushButtonContents, &opt, control);
        const int margin = ScaleX(kButtonTextMargin);
        if (r.width() > 2 * margin)
            r.adjust(margin, 0, -margin, 0);
        return r;
    }
    if (qobject_cast<const QCheckBox*>(control))
        return style->subElementRect(QStyle::SE_CheckBoxContents, &opt, control);
    if (qobject_cast<const QRadioButton*>(control))
        return style->subElementRect(QStyle::SE_RadioButtonContents, &opt, control);
    return control->rect();
}

void KitStyle::PaintButtonFace(QPainter* p, const QRect& rect, const QPalette& pal, bool pressed, bool focused)
{
    if (rect.isEmpty())
        return;
    const QColor base = pal.color(QPalette::Button);
    const QColor shade = Shade(base);
    const QColor text = pal.color(QPalette::ButtonText);
    p->save();
    p->setRenderHint(QPainter::Antialiasing, true);
    const qreal pen = focused ? 2.0 : 1.0;
    const QRectF face = Inner(rect, pen);
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    gradient.setColorAt(0.0, pressed ? shade : base);
    gradient.setColorAt(1.0, pressed ? base : shade);
    p->setBrush(gradient);
    p->setPen(QPen(focused ? text : Mix(text, shade), pen));
    p->drawRoundedRect(face, Radius(rect), Radius(rect));
    p->restore();
}

void KitStyle::PaintArrow(QPainter* p, const QRect& rect, int arrow, const QColor& color)
{
    const int side = std::max(3, std::min(rect.width(), rect.height()) * 2 / 5);
    const QPointF c = QRectF(rect).center();
    const qreal h = side / 2.0;
    QPolygonF tri;
    switch (arrow) {
    case Qt::UpArrow: tri << QPointF(c.x() - h, c.y() + h / 2) << QPointF(c.x() + h, c.y() + h / 2) << QPointF(c.x(), c.y() - h / 2); break;
    case Qt::DownArrow: tri << QPointF(c.x() - h, c.y() - h / 2) << QPointF(c.x() + h, c.y() - h / 2) << QPointF(c.x(), c.y() + h / 2); break;
    case Qt::LeftArrow: tri << QPointF(c.x() + h / 2, c.y() - h) << QPointF(c.x() + h / 2, c.y() + h) << QPointF(c.x() - h / 2, c.y()); break;
    case Qt::RightArrow: tri << QPointF(c.x() - h / 2, c.y() - h) << QPointF(c.x() - h / 2, c.y() + h) << QPointF(c.x() + h / 2, c.y()); break;
    default: return;
    }
    p->save();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setPen(Qt::NoPen);
    p->setBrush(color);
    p->drawPolygon(tri);
    p->restore();
}

void KitStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    const QPalette& pal = opt->palette;
    const bool focused = opt->state & State_HasFocus;
    switch (element) {
    case PE_PanelButtonCommand:
    case PE_PanelButtonBevel:
    case PE_PanelButtonTool:
        if (element == PE_PanelButtonTool && !(opt->state & (State_Raised | State_Sunken | State_On)))
            return; // flat tool buttons show no face until used
        PaintButtonFace(p, opt->rect, pal, opt->state & (State_Sunken | State_On), focused);
        return;
    case PE_FrameFocusRect:
        return; // every control shows its focus in its own face
    case PE_FrameDefaultButton:
        return;
    case PE_IndicatorCheckBox:
    case PE_IndicatorRadioButton: {
        const bool radio = element == PE_IndicatorRadioButton;
        const QColor bg = pal.color(QPalette::Window);
        const QColor text = pal.color(QPalette::WindowText);
        const QRect r = opt->rect;
        p->save();
        p->setRenderHint(QPainter::Antialiasing, true);
        const qreal pen = focused ? 2.0 : 1.0;
        const QRectF box = Inner(r, pen);
        QLinearGradient gradient(box.topLeft(), box.bottomLeft());
        const bool sunken = opt->state & State_Sunken;
        gradient.setColorAt(0.0, sunken ? Shade(bg) : bg);
        gradient.setColorAt(1.0, sunken ? bg : Shade(bg));
        p->setBrush(gradient);
        p->setPen(QPen(text, pen));
        if (radio)
            p->drawEllipse(box);
        else
            p->drawRoundedRect(box, Radius(r) * 0.75, Radius(r) * 0.75);
        if (radio) {
            if (opt->state & State_On) {
                p->setPen(Qt::NoPen);
                p->setBrush(text);
                const qreal inset = box.width() * 0.27;
                p->drawEllipse(box.adjusted(inset, inset, -inset, -inset));
            }
        } else if (opt->state & State_On) {
            const qreal s = box.width();
            QPen mark(text, std::max<qreal>(2.0, s / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p->setPen(mark);
            p->setBrush(Qt::NoBrush);
            const QPointF o = box.topLeft();
            QPolygonF tick;
            tick << o + QPointF(s * 0.22, s * 0.52) << o + QPointF(s * 0.42, s * 0.72) << o + QPointF(s * 0.78, s * 0.28);
            p->drawPolyline(tick);
        } else if (opt->state & State_NoChange) {
            p->setPen(Qt::NoPen);
            p->setBrush(text);
            const qreal inset = box.width() * 0.28;
            p->drawRect(box.adjusted(inset, inset, -inset, -inset));
        }
        p->restore();
        return;
    }
    case PE_PanelLineEdit:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt); frame && frame->lineWidth <= 0) {
            p->fillRect(opt->rect, pal.color(QPalette::Base));
            return;
        }
        PaintField(p, opt->rect, pal, focused);
        return;
    case PE_FrameLineEdit:
    case PE_Frame:
        PaintField(p, opt->rect, pal, focused && element == PE_FrameLineEdit);
        return;
    case PE_PanelItemViewItem:
        if (opt->state & State_Selected) {
            p->save();
            p->setRenderHint(QPainter::Antialiasing, true);
            p->setPen(Qt::NoPen);
            p->setBrush(pal.color(QPalette::Highlight));
            p->drawRoundedRect(QRectF(opt->rect).adjusted(1, 0.5, -1, -0.5), Radius(opt->rect), Radius(opt->rect));
            p->restore();
        }
        return;
    case PE_IndicatorArrowUp:
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight: {
        static const int kArrows[] = {Qt::UpArrow, Qt::DownArrow, Qt::RightArrow, Qt::LeftArrow};
        const int index = element == PE_IndicatorArrowUp ? 0 : element == PE_IndicatorArrowDown ? 1
            : element == PE_IndicatorArrowRight ? 2 : 3;
        PaintArrow(p, opt->rect, kArrows[index], pal.color(QPalette::ButtonText));
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, opt, p, w);
    }
}

void KitStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    switch (element) {
    case CE_ShapedFrame:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
            if (frame->frameShape == QFrame::NoFrame)
                return;
            if (qobject_cast<const QAbstractScrollArea*>(w) || frame->frameShape == QFrame::StyledPanel
                || frame->frameShape == QFrame::Panel || frame->frameShape == QFrame::Box) {
                PaintField(p, opt->rect, opt->palette, false);
                return;
            }
        }
        break;
    case CE_PushButtonBevel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt)) {
            if (!(button->features & QStyleOptionButton::Flat) || (opt->state & (State_Sunken | State_On)))
                PaintButtonFace(p, opt->rect, opt->palette, opt->state & (State_Sunken | State_On),
                                opt->state & State_HasFocus);
            return;
        }
        break;
    case CE_PushButtonLabel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt)) {
            // The text keeps a margin from the frame (the area the fit rule measures).
            QStyleOptionButton inner(*button);
            const int margin = ScaleX(kButtonTextMargin);
            if (inner.rect.width() > 2 * margin)
                inner.rect.adjust(margin, 0, -margin, 0);
            QProxyStyle::drawControl(element, &inner, p, w);
            return;
        }
        break;
    case CE_ProgressBarGroove:
        PaintField(p, opt->rect, opt->palette, false);
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, opt, p, w);
}

void KitStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                            const QString& text, QPalette::ColorRole textRole) const
{
    const QWidget* control = text.isEmpty() ? nullptr : TextControl(painter);
    if (!control) {
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        return;
    }
    const KitTextFit::Result fit = KitTextFit::FitFor(control, text, painter->font(), rect, flags);
    painter->save();
    painter->setFont(fit.font);
    QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, fit.text, textRole);
    painter->restore();
}

void KitStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* opt, QPainter* p,
                                  const QWidget* w) const
{
    const QPalette& pal = opt->palette;
    switch (control) {
    case CC_Slider:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            const QRect groove = subControlRect(CC_Slider, opt, SC_SliderGroove, w);
            const QRect handle = subControlRect(CC_Slider, opt, SC_SliderHandle, w);
            const bool horizontal = slider->orientation == Qt::Horizontal;
            const int thick = std::max(3, ScaleX(4));
            QRect track = horizontal
                ? QRect(groove.left(), groove.center().y() - thick / 2, groove.width(), thick)
                : QRect(groove.center().x() - thick / 2, groove.top(), thick, groove.height());
            const QColor text = pal.color(QPalette::WindowText);
            p->save();
            p->setRenderHint(QPainter::Antialiasing, true);
            p->setPen(Qt::NoPen);
            p->setBrush(Mix(text, pal.color(QPalette::Window)));
            p->drawRoundedRect(track, thick / 2.0, thick / 2.0);
            QRect filled = track;
            if (horizontal) {
                if (slider->upsideDown)
                    filled.setLeft(handle.center().x());
                else
                    filled.setRight(handle.center().x());
            } else {
                if (slider->upsideDown)
                    filled.setBottom(handle.center().y());
                else
                    filled.setTop(handle.center().y());
            }
            p->setBrush(text);
            p->drawRoundedRect(filled, thick / 2.0, thick / 2.0);
            p->restore();
            const bool pressed = (slider->activeSubControls & SC_SliderHandle) && (opt->state & State_Sunken);
            QPalette facePal = pal;
            facePal.setColor(QPalette::Button, pal.color(QPalette::Window));
            facePal.setColor(QPalette::ButtonText, text);
            PaintButtonFace(p, handle, facePal, pressed, opt->state & State_HasFocus);
            return;
        }
        break;
    case CC_SpinBox:
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt)) {
            if (spin->frame)
                PaintField(p, opt->rect, pal, opt->state & State_HasFocus);
            const struct {
                SubControl sc;
                int arrow;
                QAbstractSpinBox::StepEnabledFlag enabled;
            } parts[] = {{SC_SpinBoxUp, Qt::UpArrow, QAbstractSpinBox::StepUpEnabled},
                         {SC_SpinBoxDown, Qt::DownArrow, QAbstractSpinBox::StepDownEnabled}};
            for (const auto& part : parts) {
                if (!(spin->subControls & part.sc))
                    continue;
                const QRect r = subControlRect(CC_SpinBox, opt, part.sc, w);
                const bool pressed = (spin->activeSubControls & part.sc) && (opt->state & State_Sunken);
                QPalette facePal = pal;
                const bool enabled = (opt->state & State_Enabled) && (spin->stepEnabled & part.enabled);
                if (!enabled)
                    facePal.setCurrentColorGroup(QPalette::Disabled);
                PaintButtonFace(p, r, facePal, pressed, false);
                PaintArrow(p, r, part.arrow, facePal.color(QPalette::ButtonText));
            }
            return;
        }
        break;
    case CC_ComboBox:
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt)) {
            const QRect arrow = subControlRect(CC_ComboBox, opt, SC_ComboBoxArrow, w);
            const bool pressed = opt->state & State_Sunken;
            if (combo->editable) {
                PaintField(p, opt->rect, pal, opt->state & State_HasFocus);
                PaintButtonFace(p, arrow, pal, pressed, false);
            } else {
                PaintButtonFace(p, opt->rect, pal, pressed || (opt->state & State_On), opt->state & State_HasFocus);
            }
            PaintArrow(p, arrow, Qt::DownArrow, pal.color(QPalette::ButtonText));
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawComplexControl(control, opt, p, w);
}

int KitStyle::pixelMetric(PixelMetric metric, const QStyleOption* opt, const QWidget* w) const
{
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return ScaleX(18); // large enough for a fingertip on a handheld
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
        return ScaleX(5);
    case PM_SliderThickness:
    case PM_SliderControlThickness:
        return ScaleY(22);
    case PM_SliderLength:
        return ScaleX(14);
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 1;
    case PM_ButtonMargin:
        return ScaleX(4);
    case PM_DefaultFrameWidth:
        return 2;
    case PM_ButtonDefaultIndicator:
        return 0;
    case PM_FocusFrameHMargin:
    case PM_FocusFrameVMargin:
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, opt, w);
    }
}

int KitStyle::styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* ret) const
{
    switch (hint) {
    case SH_Slider_AbsoluteSetButtons:
        return Qt::LeftButton; // a tap on the track moves the handle there
    case SH_ComboBox_Popup:
        return 0; // a plain drop-down list
    case SH_DialogButtonBox_ButtonsHaveIcons:
        return 0;
    case SH_ItemView_ShowDecorationSelected:
        return 1;
    default:
        return QProxyStyle::styleHint(hint, opt, w, ret);
    }
}

QRect KitStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* opt, SubControl sub,
                               const QWidget* w) const
{
    if (control == CC_SpinBox) {
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt)) {
            // Two finger-sized buttons side by side at the right, the field on the left.
            const QRect r = spin->rect;
            const int frame = spin->frame ? 2 : 0;
            const int buttonW = spin->buttonSymbols == QAbstractSpinBox::NoButtons
                ? 0
                : std::min(std::max(ScaleX(16), r.height() - 2 * frame), r.width() / 4);
            const int top = r.top() + frame, height = r.height() - 2 * frame;
            switch (sub) {
            case SC_SpinBoxDown:
                return buttonW ? QRect(r.right() - frame - 2 * buttonW + 1, top, buttonW, height) : QRect();
            case SC_SpinBoxUp:
                return buttonW ? QRect(r.right() - frame - buttonW + 1, top, buttonW, height) : QRect();
            case SC_SpinBoxEditField:
                // The editor takes all of the inside left of the buttons: its own
                // margins keep the digits off the frame, and small fields (a
                // quiz count, a time on a narrow screen) need every pixel.
                return QRect(r.left() + frame, top, r.width() - 2 * frame - 2 * buttonW, height);
            case SC_SpinBoxFrame:
                return r;
            default:
                break;
            }
        }
    }
    return QProxyStyle::subControlRect(control, opt, sub, w);
}

QSize KitStyle::sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size, const QWidget* w) const
{
    if (type == CT_PushButton) {
        // Text plus margins and the frame; no desktop minimum width, so short
        // captions stay small on narrow handheld displays.
        if (qstyleoption_cast<const QStyleOptionButton*>(opt)) {
            const int margin = pixelMetric(PM_ButtonMargin, opt, w);
            QSize hint(size.width() + 2 * margin + 2, std::max(size.height() + 8, ScaleY(22)));
            hint.rwidth() = std::max(hint.width(), hint.height()); // never narrower than square
            return hint;
        }
    }
    QSize result = QProxyStyle::sizeFromContents(type, opt, size, w);
    if (type == CT_SpinBox) {
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt)) {
            if (spin->buttonSymbols != QAbstractSpinBox::NoButtons)
                result.rwidth() = size.width() + 2 * std::max(ScaleX(16), result.height()) + 8;
        }
    }
    return result;
}

void KitStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (widget->isWindow())
        widget->installEventFilter(m_hiddenLabelTips);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // The drop-down list is a window of its own: let it follow the combo's palette.
        if (QAbstractItemView* view = combo->view()) {
            if (QWidget* popup = view->window(); popup && popup != combo->window())
                popup->setAttribute(Qt::WA_WindowPropagation, true);
        }
    }
}

QPalette KitPalette(uint32_t background, uint32_t text)
{
    const QColor bg = ToQColor(background);
    const QColor fg = ToQColor(text);
    const QColor grey = ToQColor(Average(background, text));
    const QColor shade = ToQColor(GradientShade(background, KitStyle::kShade));
    QPalette pal(fg, bg, ToQColor(Lighten(background, 60)), ToQColor(Darken(background, 60)),
                 shade, fg, ToQColor(Lighten(background, 90)), bg, bg);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, bg);
        pal.setColor(group, QPalette::Base, bg);
        pal.setColor(group, QPalette::AlternateBase, shade);
        pal.setColor(group, QPalette::Button, bg);
        pal.setColor(group, QPalette::ToolTipBase, bg);
        pal.setColor(group, QPalette::ToolTipText, fg);
        pal.setColor(group, QPalette::PlaceholderText, grey);
        const QColor ink = group == QPalette::Disabled ? grey : fg;
        pal.setColor(group, QPalette::WindowText, ink);
        pal.setColor(group, QPalette::ButtonText, ink);
        pal.setColor(group, QPalette::Text, ink);
        pal.setColor(group, QPalette::BrightText, ink);
        pal.setColor(group, QPalette::Highlight, group == QPalette::Disabled ? grey : fg);
        pal.setColor(group, QPalette::HighlightedText, bg);
    }
    return pal;
}

void ApplyKitColors(QWidget* widget, uint32_t background, uint32_t text)
{
    if (!widget)
        return;
    KitStyle::Install();
    widget->setPalette(KitPalette(background, text));
}

uint32_t KitBackground(const QWidget* widget)
{
    return widget ? FromQColor(widget->palette().color(QPalette::Active, QPalette::Window)) : 0x00FFFFFF;
}

uint32_t KitText(const QWidget* widget)
{
    return widget ? FromQColor(widget->palette().color(QPalette::Active, QPalette::WindowText)) : 0;
}

} // namespace dawnbell
