// Requests arriving on the command channel's socket: any byte stream must decode
// without reading past its end, and every decoded frame must respect the limits
// and encode back to the bytes it came from (for frames without padding).
#include "IpcFrame.h"

#include <cstdint>
#include <cstdlib>

using namespace dawnbell::ipc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Frames follow one another on a stream only as far as the server reads them.
    size_t offset = 0;
    while (offset < size) {
        Frame f;
        size_t consumed = 0;
        const ParseResult r = ParseFrame(data + offset, size - offset, &f, &consumed);
        if (r != ParseResult::Complete)
            break;
        if (consumed < kHeaderBytes || consumed > size - offset || consumed > kHeaderBytes + kMaxDataBytes)
            std::abort();
        if (f.key.size() > kMaxKeyChars)
            std::abort();
        if (f.message == MsgCopyData) {
            std::vector<uint8_t> again;
            if (!EncodeCopyData(f.code, f.key, &again))
                std::abort();
            Frame g;
            size_t used = 0;
            if (ParseFrame(again.data(), again.size(), &g, &used) != ParseResult::Complete || g.key != f.key ||
                g.code != f.code)
                std::abort();
        }
        offset += consumed;
    }
    return 0;
}
