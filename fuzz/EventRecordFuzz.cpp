// Event files in the runtime directory can be written by anyone with access to
// it: any content must parse to a valid record or be refused, and a parsed
// record must format back to the same bytes.
#include "NamedEvent.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dawnbell::EventRecord record;
    const char* text = reinterpret_cast<const char*>(data);
    if (dawnbell::ParseEventRecord(text, size, &record)) {
        const std::string back = dawnbell::FormatEventRecord(record);
        if (back.size() != size || std::memcmp(back.data(), text, size) != 0) {
            // Leading zeros in the count are the only accepted difference.
            dawnbell::EventRecord again;
            if (!dawnbell::ParseEventRecord(back.data(), back.size(), &again) || again.setCount != record.setCount
                || again.signaled != record.signaled || again.manualReset != record.manualReset)
                std::abort();
        }
    }
    return 0;
}
