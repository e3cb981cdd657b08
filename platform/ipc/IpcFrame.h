#pragma once
// Frames of the command channel: a window message sent to the running main
// window ("Dawnbell") over its Unix socket, and the answer to it.
//
// Request (little-endian):  u32 magic, u32 message, u32 code (wParam),
// i32 lParam, u32 data size in bytes, then the data. Copy-data frames carry the
// key as UTF-16LE with its terminating zero (the text ends at the first zero
// unit; the data may be longer, as senders with fixed-size buffers send it).
// Answer: u32 magic, i32 result. Plain C++, no Qt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dawnbell::ipc {

constexpr uint32_t kFrameMagic = 0x4C424E44;     // "DNBL" in memory order
constexpr uint32_t kAnswerMagic = 0x534E4144;    // "DANS"
constexpr size_t kHeaderBytes = 20;              // request header
constexpr size_t kAnswerBytes = 8;               // whole answer
constexpr size_t kMaxKeyChars = 255;             // longest key (UTF-16 code units)
constexpr size_t kMaxDataBytes = 2 * (kMaxKeyChars + 1); // largest copy-data payload

// Messages the running window accepts.
enum Message : uint32_t {
    MsgCopyData = 0x004A,   // code 0-5 and a key; answered with the handler's result
    MsgReinit = 1024,       // posted by "reinit": rebuild the schedule (wParam 0, lParam -1)
    MsgForeground = 0x8001, // posted: bring the window to the front
};

// A decoded request.
struct Frame {
    uint32_t message = 0; // Message
    uint32_t code = 0;    // copy-data code, or the posted message's wParam
    int32_t lparam = 0;   // posted message's lParam
    std::u16string key;   // copy-data key without terminator
};

// Encodes a copy-data request; false (and `out` untouched) when the key is longer
// than kMaxKeyChars or holds a zero unit.
bool EncodeCopyData(uint32_t code, const std::u16string& key, std::vector<uint8_t>* out);
// Encodes a posted message (no data).
std::vector<uint8_t> EncodePosted(uint32_t message, uint32_t wparam, int32_t lparam);
// Encodes an answer.
std::vector<uint8_t> EncodeAnswer(int32_t result);
// Decodes an answer of exactly kAnswerBytes; false for anything else.
bool DecodeAnswer(const uint8_t* bytes, size_t size, int32_t* result);

// Outcome of looking at the start of a byte stream.
enum class ParseResult {
    NeedMore,  // the bytes so far are a valid beginning; read more
    Complete,  // one frame decoded; `consumed` bytes belong to it
    Malformed, // not a frame: bad magic, unknown message, sizes out of range, no
               // terminator, key too long; the connection is to be dropped
};

// Decodes one request from the start of `bytes`. Never reads past `size`.
ParseResult ParseFrame(const uint8_t* bytes, size_t size, Frame* frame, size_t* consumed);

} // namespace dawnbell::ipc
