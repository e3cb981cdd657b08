#pragma once
/* Registry text files in the "Windows Registry Editor Version 5.00" format:

     Windows Registry Editor Version 5.00

     [HKEY_CURRENT_USER\Software\Torvane]
     "count"=dword:0000001f
     "title"="say \"hi\" C:\\"
     @="the default value"
     "fade"=hex:00,02,04,\
       06,08
     "note"=hex(1):41,00,0a,00,00,00
     "old"=-

     [-HKEY_CURRENT_USER\Software\Gone]
*/
// Files are read as UTF-8 (an optional UTF-8 byte-order mark is skipped) or as
// UTF-16LE with its byte-order mark; they are written as UTF-8 with '\n' line ends.
// A REG_SZ value is written as "text" only when that spelling reads back to the
// very same bytes (one terminator, no other zero, no control characters, no
// broken surrogate pair); any other data keeps its bytes in a hex(N) list.
//
// Parsing never touches the store: it turns the whole file into operations or
// fails with the number of the first bad line, so that a malformed file changes
// nothing. Apply then runs the operations in one write batch.
#include "Registry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dawnbell {

constexpr size_t kRegFileMaxBytes = size_t(64) << 20;     // a whole file, as read
constexpr size_t kRegFileMaxLineBytes = size_t(4) << 20;  // one physical line, UTF-8 bytes

// One step of a registry file, in file order.
struct RegFileOp {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    int line = 0;                   // 1-based line the step comes from
    Hive hive = Hive::CurrentUser;
    std::string path;               // key below the hive ('\'-separated); "" is the hive root
    std::string name;               // value name (SetValue, DeleteValue); "" is the default value
    RegType type = RegType::None;   // SetValue only
    std::vector<uint8_t> data;      // SetValue only, as stored
};

struct RegFileError {
    int line = 0;        // 1-based line of the fault; 0 when the file as a whole is at fault
    std::string message; // what is wrong, in plain English
};

class RegFile {
public:
    // First line of every registry file (without its line end).
    static const char* Header();

    // Parses a complete file. True with the steps in `ops`; false with `error`
    // describing the first fault, and `ops` left empty.
    static bool Parse(const uint8_t* data, size_t size, std::vector<RegFileOp>* ops, RegFileError* error);

    // Runs the steps in one write batch: a [KEY] section creates its key, [-KEY]
    // deletes the key with everything below it, "name"=- deletes a value; keys and
    // values that are already absent are not an error. On failure nothing is
    // applied and `failedLine` (may be null) gets the step's line (0 when the
    // commit itself failed). The caller flushes.
    static RegResult Apply(const std::vector<RegFileOp>& ops, int* failedLine);

    // Writes the header and then the key with all its subkeys (in enumeration
    // order, each followed by its values in creation order), read from one
    // snapshot. RegNotFound when the key does not exist; RegInvalidParameter (with
    // `error` set, and nothing appended) when a name cannot be spelled in the format
    // because it holds a control character.
    static RegResult Export(Hive hive, std::string_view path, std::string* out, std::string* error);
    // The same for both hives, current user first.
    static RegResult ExportAll(std::string* out, std::string* error);

    // One value line (with its continuation lines, no final line end), e.g.
    // "name"=dword:00000001. False when the name holds a control character.
    static bool FormatValue(const RegValue& value, std::string* line);
    // Reads `s` as 1..maxDigits hex digits (either case, nothing else) into *out;
    // false, leaving *out alone, for anything else.
    static bool ParseHex(std::string_view s, size_t maxDigits, uint32_t* out);
};

} // namespace dawnbell
