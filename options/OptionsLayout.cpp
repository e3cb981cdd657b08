#include "OptionsLayout.h"

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

} // namespace dawnbell
