#include "KitTextFit.h"

#include <QFontMetrics>
#include <QHash>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace dawnbell {

namespace {

// The smaller font's size in percent of the control's: the kit's 9-point
// texts become 7 points.
constexpr int kSmallerPercent = 80;
// Smallest size SmallerFont goes down to, points (or pixels for pixel fonts).
constexpr qreal kMinPoints = 5.0;
constexpr int kMinPixels = 7;
// Flags that change how a text is measured; alignment does not.
constexpr int kMeasureFlags = Qt::TextWordWrap | Qt::TextSingleLine | Qt::TextShowMnemonic
    | Qt::TextHideMnemonic | Qt::TextExpandTabs | Qt::TextWrapAnywhere;

const QChar kEllipsis(0x2026);

// Per-widget state kept by the fit rule.
struct Store {
    QHash<const QWidget*, KitTextFit::Drawn> drawn; // last drawing of each widget
    QSet<const QWidget*> watched;                   // widgets whose destruction is watched
    QSet<const QWidget*> ownTip;                    // tooltip set by the rule
    QSet<const QWidget*> ownName;                   // accessible name set by the rule
};

Store& TheStore()
{
    static Store store;
    return store;
}

void Watch(const QWidget* widget)
{
    Store& store = TheStore();
    if (store.watched.contains(widget))
        return;
    store.watched.insert(widget);
    QObject::connect(widget, &QObject::destroyed, [widget] {
        Store& s = TheStore();
        s.drawn.remove(widget);
        s.watched.remove(widget);
        s.ownTip.remove(widget);
        s.ownName.remove(widget);
    });
}

// `text` as a reader sees it: shortcut marks removed ("&&" is one '&').
QString PlainText(const QString& text, int flags)
{
    if (!(flags & (Qt::TextShowMnemonic | Qt::TextHideMnemonic)) || !text.contains(QLatin1Char('&')))
        return text;
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text.at(i);
    }
    return plain;
}

// `text` with all but `keep` characters replaced by one ellipsis in its middle;
// the kept characters are split evenly, the extra one going to the front, and
// a surrogate pair is never split.
QString MiddleElided(const QString& text, qsizetype keep)
{
    qsizetype front = (keep + 1) / 2;
    qsizetype back = keep - front;
    if (front > 0 && front < text.size() && text.at(front).isLowSurrogate())
        --front;
    const qsizetype backStart = text.size() - back;
    if (back > 0 && backStart < text.size() && text.at(backStart).isLowSurrogate())
        --back;
    return text.left(front) + kEllipsis + text.right(back);
}

// The longest middle elision of `text` that fits; a lone ellipsis when none does.
QString Elide(const QString& text, const QFont& font, const QSize& area, int flags)
{
    if (!(flags & Qt::TextWordWrap)) {
        const QString elided = QFontMetrics(font).elidedText(text, Qt::ElideMiddle, std::max(0, area.width()),
                                                             flags & (Qt::TextShowMnemonic | Qt::TextHideMnemonic));
        if (!elided.isEmpty() && KitTextFit::Fits(elided, font, area, flags))
            return elided;
    }
    // Wrapped text (and the rare single line Qt cannot elide): search the
    // number of characters kept, which the drawn size grows with.
    qsizetype low = 0, high = text.size() - 1; // `low` characters always fit (the ellipsis is tried last)
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (KitTextFit::Fits(MiddleElided(text, mid), font, area, flags))
            low = mid;
        else
            high = mid - 1;
    }
    return MiddleElided(text, low);
}

} // namespace

QFont KitTextFit::SmallerFont(const QFont& font)
{
    QFont smaller = font;
    if (font.pointSizeF() > 0) {
        const qreal points = font.pointSizeF();
        qreal target = std::round(points * kSmallerPercent / 50.0) / 2.0; // to half points
        if (target >= points)
            target = points - 0.5;
        smaller.setPointSizeF(std::max(std::min(points, kMinPoints), target));
    } else if (font.pixelSize() > 0) {
        const int pixels = font.pixelSize();
        const int target = std::min(pixels - 1, int(std::lround(pixels * kSmallerPercent / 100.0)));
        smaller.setPixelSize(std::max(std::min(pixels, kMinPixels), target));
    }
    return smaller;
}

bool KitTextFit::Fits(const QString& text, const QFont& font, const QSize& area, int flags)
{
    if (text.isEmpty())
        return true;
    const QFontMetrics metrics(font);
    const int measure = (flags & kMeasureFlags) | Qt::AlignLeft | Qt::AlignTop;
    if (flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere)) {
        const QRect r = metrics.boundingRect(QRect(0, 0, std::max(1, area.width()), 1 << 20), measure, text);
        return r.width() <= area.width() && r.height() <= area.height();
    }
    return metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), measure, text).width() <= area.width();
}

KitTextFit::Result KitTextFit::Fit(const QString& text, const QFont& font, const QSize& area, int flags)
{
    if (Fits(text, font, area, flags))
        return {text, font, AsIs};
    const QFont smaller = SmallerFont(font);
    if (Fits(text, smaller, area, flags))
        return {text, smaller, Smaller};
    return {Elide(text, smaller, area, flags), smaller, Elided};
}

KitTextFit::Result KitTextFit::FitFor(const QWidget* widget, const QString& text, const QFont& font,
                                      const QRect& area, int flags)
{
    Result result = Fit(text, font, area.size(), flags);
    if (!widget)
        return result;
    Watch(widget);
    Store& store = TheStore();
    store.drawn.insert(widget, Drawn{text, result.text, result.font, area, flags, result.outcome});

    // While the text is elided, its full form is the tooltip and the
    // accessible name, unless the window gave the control its own.
    auto* w = const_cast<QWidget*>(widget);
    const bool elided = result.outcome == Elided;
    const QString full = PlainText(text, flags);
    if (elided && (w->toolTip().isEmpty() || store.ownTip.contains(widget))) {
        if (w->toolTip() != full)
            w->setToolTip(full);
        store.ownTip.insert(widget);
    } else if (!elided && store.ownTip.remove(widget)) {
        w->setToolTip(QString());
    }
    if (elided && (w->accessibleName().isEmpty() || store.ownName.contains(widget))) {
        if (w->accessibleName() != full)
            w->setAccessibleName(full);
        store.ownName.insert(widget);
    } else if (!elided && store.ownName.remove(widget)) {
        w->setAccessibleName(QString());
    }
    return result;
}

void KitTextFit::Record(const QWidget* widget, const QString& text, const QFont& font, const QRect& area, int flags)
{
    if (!widget)
        return;
    Watch(widget);
    TheStore().drawn.insert(widget, Drawn{text, text, font, area, flags, AsIs});
}

bool KitTextFit::LastDrawn(const QWidget* widget, Drawn* out)
{
    const auto it = TheStore().drawn.constFind(widget);
    if (it == TheStore().drawn.constEnd())
        return false;
    if (out)
        *out = *it;
    return true;
}

void KitTextFit::ForgetDrawn()
{
    TheStore().drawn.clear();
}

} // namespace dawnbell
