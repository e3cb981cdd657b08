#pragma once
// UTF-8 helpers shared by the registry store and the .reg reader/writer.
#include <cstddef>
#include <string>
#include <string_view>

namespace dawnbell {

// Decodes the UTF-8 sequence at s[i]: returns its length in bytes and stores the
// code point, or returns 0 when the sequence is malformed (truncated, overlong,
// a surrogate or past U+10FFFF).
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp);

// Appends the UTF-8 form of a code point (which must be valid).
void AppendUtf8(std::string* out, char32_t cp);

} // namespace dawnbell
