#include "OptionsLayout.h"

#include "Scaling.h"

#include <algorithm>

// The layout data is compiled into this static library; the initialiser must be
// called explicitly or the linker drops it.
static void InitOptionsResources()
{
    Q_INIT_RESOURCE(COptionsWizard);
}

namespace dawnbell {

DialogLayout OptionsLayout(int layoutId)
{
    static const bool initialised = (InitOptionsResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QStringLiteral(":/options/COptionsWizard.json"), layoutId);
}

QRect ScaleEdges(const QRect& design, int dpiX, int dpiY)
{
    const int l = mul_div_round(design.x(), dpiX, 96);
    const int t = mul_div_round(design.y(), dpiY, 96);
    const int r = mul_div_round(design.x() + design.width(), dpiX, 96);
    const int b = mul_div_round(design.y() + design.height(), dpiY, 96);
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

} // namespace dawnbell
