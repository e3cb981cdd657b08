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

} // namespace

WindowCheck::WindowCheck(const QString& tag, bool strictTexts)
    : m_tag(tag), m_strict(strictTexts)
{
}

void WindowCheck::Print(const char* kind, const QString& what) const
{
    std::printf("%s %s: %s\n", kind, qPrintable(m_tag), qPrintable(what));
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

void WindowCheck::Texts(const QWidget* window)
{
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
            ++m_overflows;
            if (m_strict)
                Fail(what);
            else
                Print("OVERFLOW", what);
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
