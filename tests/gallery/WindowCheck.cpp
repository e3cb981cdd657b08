#include "WindowCheck.h"

#include "KitTextFit.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTextDocument>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace dawnbell::gallery {

namespace {

// Controls a finger taps: two of them must never cover each other.
bool IsInteractive(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSlider*>(w)
        || qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w)
        || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// Parts of a composite control (scroll area viewports and bars, spin box
// editors, combo box pieces) are placed by Qt; a scroll area's content may
// lie outside its viewport on purpose. Only the window's own controls are checked.
bool IsInternal(const QWidget* w, const QWidget* window)
{
    if (w->objectName().startsWith(QLatin1String("qt_")))
        return true;
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QAbstractSpinBox*>(p)
            || qobject_cast<const QComboBox*>(p))
            return true;
    }
    return false;
}

QString Describe(const QWidget* w)
{
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
}

// The text a control shows (empty for controls without one, and for rich-text
// labels, which are laid out by their own document).
QString ShownText(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        const bool rich = label->textFormat() == Qt::RichText
            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        return rich ? QString() : label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    return QString();
}

// Whether the window shows `w`'s text: a visible control, or a hidden label in
// a shown parent (a holder whose text the window paints).
bool TextShown(const QWidget* w, const QWidget* window)
{
    if (w->geometry().isEmpty())
        return false;
    if (w->isVisibleTo(window))
        return true;
    const QWidget* parent = w->parentWidget();
    return qobject_cast<const QLabel*>(w) && w->isHidden()
        && (parent == window || (parent && parent->isVisibleTo(window)));
}

QString Quoted(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// The area a line edit draws its text in, as QLineEdit paints it: the style's
// contents rectangle inside the frame, less the text margins and the edit's own
// two pixels on either side.
QRect LineEditTextArea(const QLineEdit* edit)
{
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = edit->rect();
    opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    QRect r = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
    r = r.marginsRemoved(edit->textMargins());
    return r.adjusted(2, 0, -2, 0);
}

// The text a line edit shows: what is typed (as echoed), else its placeholder.
QString LineEditText(const QLineEdit* edit)
{
    const QString shown = edit->displayText();
    return shown.isEmpty() ? edit->placeholderText() : shown;
}

// The area a combo box without an editor draws its current text in, as the
// style's combo label does: the edit field less a pixel on either side, and
// less the item's icon when it has one.
QRect ComboTextArea(const QComboBox* combo)
{
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = false;
    opt.frame = combo->hasFrame();
    opt.currentText = combo->currentText();
    opt.subControls = QStyle::SC_All;
    QRect r = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    r.adjust(1, 0, -1, 0);
    if (combo->currentIndex() >= 0 && !combo->itemIcon(combo->currentIndex()).isNull())
        r.setLeft(r.left() + combo->iconSize().width() + 4);
    return r;
}

} // namespace

WindowCheck::WindowCheck(const QString& tag, bool strictTexts)
    : m_tag(tag), m_strict(strictTexts)
{
}

void WindowCheck::Print(const char* kind, const QString& what) const
{
    std::printf("%s %s: %s\n", kind, qPrintable(m_tag), qPrintable(what));
}

void WindowCheck::Overflow(const QString& what)
{
    ++m_overflows;
    if (m_strict)
        Fail(what);
    else
        Print("OVERFLOW", what);
}

void WindowCheck::Fail(const QString& what)
{
    Print("FAIL", what);
    ++m_failures;
}

void WindowCheck::Geometry(const QWidget* window, const QRect& screen)
{
    const QRect frame = window->frameGeometry();
    if (!screen.contains(frame))
        Fail(QStringLiteral("window %1,%2 %3x%4 falls off the %5x%6 screen")
                 .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
                 .arg(screen.width()).arg(screen.height()));
    const auto children = window->findChildren<QWidget*>();
    for (const QWidget* child : children) {
        if (child->isWindow() || !child->isVisibleTo(window) || IsInternal(child, window))
            continue;
        const QWidget* parent = child->parentWidget();
        if (!QRect(QPoint(0, 0), parent->size()).contains(child->geometry()))
            Fail(QStringLiteral("%1 at %2,%3 %4x%5 lies outside its parent (%6x%7)")
                     .arg(Describe(child)).arg(child->x()).arg(child->y()).arg(child->width())
                     .arg(child->height()).arg(parent->width()).arg(parent->height()));
        if (!IsInteractive(child))
            continue;
        for (const QObject* o : parent->children()) {
            const auto* sibling = qobject_cast<const QWidget*>(o);
            if (!sibling || !std::less<const QWidget*>()(child, sibling) || sibling->isWindow()
                || !sibling->isVisibleTo(window) || !IsInteractive(sibling) || IsInternal(sibling, window))
                continue;
            if (child->geometry().intersects(sibling->geometry()))
                Fail(QStringLiteral("%1 overlaps %2").arg(Describe(child), Describe(sibling)));
        }
    }
}

void WindowCheck::FieldText(const QWidget* control, const QString& text, const QFont& font, const QRect& area,
                            const QWidget* drawnIn)
{
    if (text.isEmpty())
        return;
    // `area` is in `drawnIn`'s coordinates; the field must lie inside the control.
    const QRect inControl(drawnIn->mapTo(control, area.topLeft()), area.size());
    const bool inside = QRect(QPoint(0, 0), control->size()).contains(inControl);
    if (inside && KitTextFit::Fits(text, font, area.size(), 0))
        return;
    const int need = QFontMetrics(font).horizontalAdvance(text);
    const QString what = QStringLiteral("%1 text %2 needs %3 pixels, has %4%5")
                             .arg(Describe(control), Quoted(text))
                             .arg(need).arg(area.width())
                             .arg(inside ? QString() : QStringLiteral(" (drawn outside the control)"));
    Overflow(what);
}

void WindowCheck::Fields(const QWidget* window)
{
    const auto children = window->findChildren<QWidget*>();
    for (const QWidget* w : children) {
        if (w->isWindow() || IsInternal(w, window) || !w->isVisibleTo(window) || w->geometry().isEmpty())
            continue;
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            // What the user types may run on (the edit scrolls with the cursor);
            // a placeholder and a read-only text must show whole.
            const QString text = edit->text().isEmpty() || edit->isReadOnly() ? LineEditText(edit) : QString();
            FieldText(w, text, edit->font(), LineEditTextArea(edit), edit);
        } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) {
            // The spin box shows its text in an editor of its own, placed by the style.
            const auto* editor = spin->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
            if (editor && !editor->geometry().isEmpty())
                FieldText(w, LineEditText(editor), editor->font(), LineEditTextArea(editor), editor);
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            if (const QLineEdit* editor = combo->lineEdit())
                FieldText(w, LineEditText(editor), editor->font(), LineEditTextArea(editor), editor);
            else
                FieldText(w, combo->currentIndex() >= 0 ? combo->currentText() : combo->placeholderText(),
                          combo->font(), ComboTextArea(combo), combo);
        }
    }
}

void WindowCheck::Texts(const QWidget* window)
{
    Fields(window);
    const auto children = window->findChildren<QWidget*>();
    for (const QWidget* w : children) {
        if (w->isWindow() || IsInternal(w, window))
            continue;
        const QString full = ShownText(w);
        if (full.isEmpty() || !TextShown(w, window))
            continue;
        KitTextFit::Drawn drawn;
        if (!KitTextFit::LastDrawn(w, &drawn)) {
            // Drawn outside the kit: the whole text in the control's font and rectangle.
            const auto* label = qobject_cast<const QLabel*>(w);
            drawn.text = full;
            drawn.font = w->font();
            drawn.area = label ? label->contentsRect() : w->rect();
            drawn.flags = label ? (label->wordWrap() ? int(Qt::TextWordWrap) : 0) : int(Qt::TextShowMnemonic);
        }
        const QSize area = drawn.area.size();
        const bool inside = QRect(QPoint(0, 0), w->size()).contains(drawn.area);
        if (!inside || !KitTextFit::Fits(drawn.text, drawn.font, area, drawn.flags)) {
            const QFontMetrics metrics(drawn.font);
            const bool wrapped = drawn.flags & Qt::TextWordWrap;
            const QRect need = metrics.boundingRect(QRect(0, 0, wrapped ? std::max(1, area.width()) : 1 << 20, 1 << 20),
                                                    (drawn.flags & ~Qt::AlignVertical_Mask) | Qt::AlignTop, drawn.text);
            const QString what = QStringLiteral("%1 text %2 needs %3x%4 pixels, has %5x%6%7")
                                     .arg(Describe(w), Quoted(drawn.text))
                                     .arg(need.width()).arg(need.height()).arg(area.width()).arg(area.height())
                                     .arg(inside ? QString() : QStringLiteral(" (drawn outside the control)"));
            Overflow(what);
            continue;
        }
        if (drawn.outcome == KitTextFit::Smaller) {
            ++m_smaller;
            Print("SMALLER", QStringLiteral("%1 text %2 at %3 pt")
                                 .arg(Describe(w), Quoted(full)).arg(drawn.font.pointSizeF()));
        } else if (drawn.outcome == KitTextFit::Elided) {
            ++m_elided;
            Print("ELIDED", QStringLiteral("%1 text %2 shown as %3").arg(Describe(w), Quoted(full), Quoted(drawn.text)));
        }
    }
}

} // namespace dawnbell::gallery
