#include "KitRow.h"

#include "KitStyle.h"
#include "KitTextFit.h"
#include "Scaling.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <limits>
#include <numeric>

namespace dawnbell {

namespace {

// The control's own text, or "" for a control without one.
QString OwnText(const QWidget* control)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    return QString();
}

// `total` shared out over `weights` in proportion (largest remainders first),
// never more than each weight.
QList<int> ShareOut(const QList<int>& weights, int total)
{
    const int sum = std::accumulate(weights.begin(), weights.end(), 0);
    QList<int> parts(weights.size(), 0);
    if (sum <= 0 || total <= 0)
        return parts;
    total = std::min(total, sum);
    int given = 0;
    for (qsizetype i = 0; i < weights.size(); ++i) {
        parts[i] = int(qint64(weights[i]) * total / sum);
        given += parts[i];
    }
    for (qsizetype i = 0; given < total && i < weights.size(); ++i) {
        if (parts[i] < weights[i]) {
            ++parts[i];
            ++given;
        }
    }
    return parts;
}

} // namespace

int KitRow::Spare(const QWidget* control, const QStringList& texts)
{
    const QStringList all = texts.isEmpty() ? QStringList{OwnText(control)} : texts;
    const bool wrap = qobject_cast<const QLabel*>(control) && static_cast<const QLabel*>(control)->wordWrap();
    const QRect area = KitStyle::TextArea(control);
    int widest = -1; // no text at all
    for (const QString& text : all) {
        if (text.isEmpty())
            continue;
        // Wrapped labels break their lines; they need only their longest word.
        const QFontMetrics metrics(control->font());
        const int flags = (wrap ? Qt::TextWordWrap : Qt::TextShowMnemonic) | Qt::AlignLeft | Qt::AlignTop;
        const int width = metrics.boundingRect(QRect(0, 0, wrap ? 1 : 1 << 20, 1 << 20), flags, text).width();
        widest = std::max(widest, width);
    }
    if (widest < 0)
        return control->width() / 2;
    return area.width() - widest;
}

bool KitRow::Share(const QList<Column>& unsorted, const QHash<const QWidget*, QStringList>& texts)
{
    QList<Column> columns;
    for (const Column& c : unsorted) {
        if (!c.isEmpty() && c.front())
            columns << c;
    }
    if (columns.size() < 1)
        return false;
    std::sort(columns.begin(), columns.end(),
              [](const Column& a, const Column& b) { return a.front()->x() < b.front()->x(); });

    // What each column lacks or can give, and what each gap can give.
    const int n = int(columns.size());
    const int minGap = ScaleX(kMinGap);
    QList<int> lack(n, 0), give, widths(n, 0), lefts(n, 0);
    for (int i = 0; i < n; ++i) {
        lefts[i] = columns[i].front()->x();
        int spare = std::numeric_limits<int>::max();
        for (const QWidget* w : columns[i])
            spare = std::min(spare, Spare(w, texts.value(w)));
        widths[i] = columns[i].front()->width();
        lack[i] = std::max(0, -spare);
        give << std::max(0, std::min(spare, widths[i]));
    }
    for (int i = 0; i + 1 < n; ++i) {
        give << std::max(0, lefts[i + 1] - (lefts[i] + widths[i]) - minGap);
    }
    const int needed = std::accumulate(lack.begin(), lack.end(), 0);
    const int room = std::accumulate(give.begin(), give.end(), 0);
    if (needed == 0 || room == 0)
        return false;

    // Take what can be had from every giver in proportion, hand it to the
    // columns in proportion to what they lack, and place them again from the left.
    const int moved = std::min(needed, room);
    const QList<int> taken = ShareOut(give, moved);
    const QList<int> granted = ShareOut(lack, moved);
    int x = lefts[0];
    for (int i = 0; i < n; ++i) {
        const int width = widths[i] - taken[i] + granted[i];
        for (QWidget* w : columns[i])
            w->setGeometry(x, w->y(), width, w->height());
        if (i + 1 < n)
            x += width + (lefts[i + 1] - (lefts[i] + widths[i])) - taken[n + i];
    }
    return true;
}

} // namespace dawnbell
