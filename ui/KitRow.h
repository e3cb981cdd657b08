#pragma once
// Sharing the room of a row of controls, so that a text longer than its layout
// planned (a translation, mostly) gets room its neighbours and the gaps can
// spare before the kit's fit rule has to shrink or elide it. A row whose texts
// all fit is left exactly as laid out, so the layouts keep their geometry for
// the texts they were made for.
#include <QHash>
#include <QList>
#include <QStringList>

class QWidget;

namespace dawnbell {

class KitRow {
public:
    // Smallest gap left between two columns, pixels at 96 dpi.
    static constexpr int kMinGap = 2;

    // One column of a row: controls stacked with the same left edge and width
    // (a plain row has one control per column).
    using Column = QList<QWidget*>;

    // Room `control` can spare beyond what its text needs in its own font
    // (negative: the width it lacks), in logical pixels. The text is the
    // control's own or, when `texts` is given, the widest of them (a button that
    // changes its caption). Controls without a text can spare half their width.
    static int Spare(const QWidget* control, const QStringList& texts = {});

    // Widens the columns whose text does not fit by the room the other columns
    // (Spare) and the gaps (down to kMinGap) can give, shared out in proportion,
    // keeping the row's left and right ends and its order. `texts` gives a
    // control's alternative captions. Returns false, moving nothing, when every
    // text fits (or there is no room to give).
    static bool Share(const QList<Column>& columns, const QHash<const QWidget*, QStringList>& texts = {});
};

} // namespace dawnbell
