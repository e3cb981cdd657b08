// Layout data: any bytes must be refused with a reason or give layouts whose
// rectangles stay inside the accepted limits and scale without overflow.
#include "DialogLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using dawnbell::DialogLayout;
    QMap<int, DialogLayout> layouts;
    QString error;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!DialogLayout::Parse(bytes, &layouts, &error)) {
        if (error.isEmpty() || !layouts.isEmpty())
            std::abort();
        return 0;
    }
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        if (!it->IsValid() || it->Id() != it.key())
            std::abort();
        (void)it->ScaledSize(2400, 24);
        for (const int id : it->ControlIds()) {
            QRect r;
            if (!it->ControlRect(id, &r) || r.width() < 0 || r.height() < 0
                || qAbs(r.x()) > DialogLayout::kMaxCoordinate || r.width() > DialogLayout::kMaxCoordinate)
                std::abort();
            (void)DialogLayout::Scale(r, 2400, 131);
        }
    }
    return 0;
}
