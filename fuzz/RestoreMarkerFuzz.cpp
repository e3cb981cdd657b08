// The ringing's restore marker ("ringing-restore" in the device directory) is
// read at every start of the program, from whatever the file holds: any bytes
// must parse without a crash, and what was read must survive being written and
// read again unchanged (the program rewrites the marker from what it holds).
#include "RestoreMarker.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

using dawnbell::RestoreMarker;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qint64 pid = -1;
    const QMap<QString, RestoreMarker::Entries> parts = RestoreMarker::Parse(text, &pid);
    for (auto part = parts.cbegin(); part != parts.cend(); ++part) {
        // Names are whole: a part has no "." or "=", an entry name no "=", and
        // neither is empty or spans lines.
        if (part.key().isEmpty() || part.key().contains(QLatin1Char('.')) || part.key().contains(QLatin1Char('=')) ||
            part.key().contains(QLatin1Char('\n')) || part->isEmpty())
            std::abort();
        for (auto e = part->cbegin(); e != part->cend(); ++e) {
            if (e.key().isEmpty() || e.key().contains(QLatin1Char('=')) || e.key().contains(QLatin1Char('\n')))
                std::abort();
        }
    }
    qint64 again = -1;
    if (RestoreMarker::Parse(RestoreMarker::Format(pid, parts), &again) != parts || again != pid)
        std::abort();
    return 0;
}
