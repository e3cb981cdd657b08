// Registry text files are outside input: parsing any bytes must neither crash nor
// yield steps outside the store's limits, and every value it yields must be
// written back by the writer in a form that parses to the same value.
#include "RegFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace dawnbell;

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<RegFileOp> ops;
    RegFileError error;
    if (!RegFile::Parse(data, size, &ops, &error)) {
        Check(ops.empty() && !error.message.empty() && error.line >= 0);
        return 0;
    }
    for (const RegFileOp& op : ops) {
        Check(op.line >= 1);
        Check(Utf8ToUtf16(op.name).size() <= kRegMaxValueNameChars);
        Check(op.data.size() <= kRegMaxValueBytes);
        if (op.kind == RegFileOp::DeleteKey)
            Check(!op.path.empty());
        if (op.kind != RegFileOp::SetValue)
            continue;
        RegValue value;
        value.name = op.name;
        value.type = op.type;
        value.data = op.data;
        std::string line;
        if (!RegFile::FormatValue(value, &line))
            continue; // a name with a control character: the writer refuses it
        const std::string text = std::string(RegFile::Header()) + "\n[HKCU\\K]\n" + line + "\n";
        std::vector<RegFileOp> again;
        Check(RegFile::Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &again, &error));
        Check(again.size() == 2 && again[1].kind == RegFileOp::SetValue);
        Check(again[1].name == op.name && again[1].type == op.type && again[1].data == op.data);
    }
    return 0;
}
