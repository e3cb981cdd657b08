#pragma once
// UTF-8 and UTF-16 at the registry's boundary: decoding and encoding, the check
// that a name can round-trip, and the case folding that makes key and value names
// case-insensitive. Shared by the registry store and the .reg reader/writer.
// (Utf8ToUtf16 and Utf16ToUtf8 are declared in Registry.h and defined here.)
#include <cstddef>
#include <string>
#include <string_view>

namespace dawnbell {

// Decodes the UTF-8 sequence at s[i]: returns its length in bytes and stores the
// code point, or returns 0 when the sequence is malformed (truncated, overlong,
// a surrogate or past U+10FFFF).
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp);

// Decodes the sequence at s[*i] and advances past it; a malformed sequence gives
// U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view s, size_t* i);

// Appends the UTF-8 form of a code point (which must be valid).
void AppendUtf8(std::string* out, char32_t cp);

// True for well-formed UTF-8 without NUL characters, the only spellings a key or
// value name may have (anything else could not round-trip through UTF-16).
bool IsValidName(std::string_view s);

// Upper-cased spelling used to compare and order names (ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters fold; everything else compares as is).
std::string RegFoldName(std::string_view utf8);

} // namespace dawnbell
