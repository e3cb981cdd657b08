#pragma once
// The today item's fifteen icons, drawn in code so they stay sharp at every
// pixel density. Ids are the item's icon resource numbers.
#include <QImage>

#include <map>
#include <utility>

namespace dawnbell::today {

enum TodayIconId {
    IconProgram = 104,
    IconProgramFocused = 111,
    IconToggleOn = 122,
    IconToggleOnFocused = 123,
    IconToggleOff = 124,
    IconToggleOffFocused = 125,
    IconEdit = 121,
    IconEditFocused = 128,
    IconEditEmpty = 113,
    IconUp = 118,
    IconUpFocused = 126,
    IconUpDisabled = 114,
    IconDown = 120,
    IconDownFocused = 127,
    IconDownDisabled = 112,
};

// Draws icon `id` as a square image of `pixels` device pixels (transparent
// outside the artwork). An unknown id gives a transparent image.
QImage DrawTodayIcon(int id, int pixels);

// Icons drawn once per id and size and kept until Clear.
class TodayIconCache {
public:
    const QImage& Get(int id, int pixels);
    void Clear() { images_.clear(); }

private:
    std::map<std::pair<int, int>, QImage> images_; // by (id, pixels)
};

} // namespace dawnbell::today
