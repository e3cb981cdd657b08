#include "IpcFrame.h"

namespace dawnbell::ipc {

namespace {

void PutU32(std::vector<uint8_t>* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

bool EncodeCopyData(uint32_t code, const std::u16string& key, std::vector<uint8_t>* out)
{
    if (key.size() > kMaxKeyChars || key.find(u'\0') != std::u16string::npos)
        return false;
    std::vector<uint8_t> bytes;
    bytes.reserve(kHeaderBytes + 2 * (key.size() + 1));
    PutU32(&bytes, kFrameMagic);
    PutU32(&bytes, MsgCopyData);
    PutU32(&bytes, code);
    PutU32(&bytes, 0);
    PutU32(&bytes, static_cast<uint32_t>(2 * (key.size() + 1)));
    for (char16_t c : key) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    *out = std::move(bytes);
    return true;
}

std::vector<uint8_t> EncodePosted(uint32_t message, uint32_t wparam, int32_t lparam)
{
    std::vector<uint8_t> bytes;
    PutU32(&bytes, kFrameMagic);
    PutU32(&bytes, message);
    PutU32(&bytes, wparam);
    PutU32(&bytes, static_cast<uint32_t>(lparam));
    PutU32(&bytes, 0);
    return bytes;
}

std::vector<uint8_t> EncodeAnswer(int32_t result)
{
    std::vector<uint8_t> bytes;
    PutU32(&bytes, kAnswerMagic);
    PutU32(&bytes, static_cast<uint32_t>(result));
    return bytes;
}

bool DecodeAnswer(const uint8_t* bytes, size_t size, int32_t* result)
{
    if (size != kAnswerBytes || GetU32(bytes) != kAnswerMagic)
        return false;
    *result = static_cast<int32_t>(GetU32(bytes + 4));
    return true;
}

ParseResult ParseFrame(const uint8_t* bytes, size_t size, Frame* frame, size_t* consumed)
{
    // Check each header field as soon as its bytes are there, so garbage is
    // refused without waiting for a whole header.
    if (size >= 4 && GetU32(bytes) != kFrameMagic)
        return ParseResult::Malformed;
    if (size >= 8) {
        const uint32_t m = GetU32(bytes + 4);
        if (m != MsgCopyData && m != MsgReinit && m != MsgForeground)
            return ParseResult::Malformed;
    }
    if (size < kHeaderBytes)
        return ParseResult::NeedMore;

    const uint32_t message = GetU32(bytes + 4);
    const uint32_t dataBytes = GetU32(bytes + 16);
    if (message == MsgCopyData) {
        if (dataBytes < 2 || dataBytes > kMaxDataBytes || dataBytes % 2 != 0)
            return ParseResult::Malformed;
    } else if (dataBytes != 0) {
        return ParseResult::Malformed;
    }
    if (size - kHeaderBytes < dataBytes)
        return ParseResult::NeedMore;

    Frame f;
    f.message = message;
    f.code = GetU32(bytes + 8);
    f.lparam = static_cast<int32_t>(GetU32(bytes + 12));
    if (message == MsgCopyData) {
        const uint8_t* data = bytes + kHeaderBytes;
        bool terminated = false;
        for (size_t i = 0; i + 1 < dataBytes; i += 2) {
            const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
            if (c == 0) {
                terminated = true;
                break;
            }
            f.key.push_back(c);
        }
        if (!terminated || f.key.size() > kMaxKeyChars)
            return ParseResult::Malformed;
    }
    *frame = std::move(f);
    *consumed = kHeaderBytes + dataBytes;
    return ParseResult::Complete;
}

} // namespace dawnbell::ipc
