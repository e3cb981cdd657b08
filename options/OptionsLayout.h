#pragma once
// The options sheet's dialog layouts (frame and pages), from its own resource.
#include "DialogLayout.h"

namespace dawnbell {

// Layout `layoutId` of the options sheet; invalid when there is none.
DialogLayout OptionsLayout(int layoutId);

} // namespace dawnbell
