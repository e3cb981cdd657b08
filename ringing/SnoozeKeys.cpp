#include "SnoozeKeys.h"

#include <Qt>

namespace dawnbell {

int PlatformKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return 48 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if (qtKey >= Qt::Key_Launch0 && qtKey <= Qt::Key_Launch5)
        return 193 + (qtKey - Qt::Key_Launch0);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return 91;
    case Qt::Key_Space: return 32;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Backspace: return 8;
    default: break;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 65 + (qtKey - Qt::Key_A);
    return 0;
}

bool IsSnoozeKeyCode(int code)
{
    if (code == 13 || code == 27 || code == 91 || code == 112 || code == 114 || code == 115 || code == 4104)
        return true;
    return (code >= 37 && code <= 40) || (code >= 48 && code <= 57) || (code >= 117 && code <= 122) ||
           (code >= 126 && code <= 135) || (code >= 193 && code <= 198);
}

} // namespace dawnbell
