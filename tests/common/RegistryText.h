#pragma once
// Registry values as text for test comparisons: a DWORD as its decimal number,
// a string as itself, "-" when the key or value is missing or of another type.
#include "Registry.h"

#include <QString>

#include <string>

namespace dawnbell::test {

inline QString RegistryText(Hive hive, const std::string& path, const char* name)
{
    RegKey key;
    if (RegKey::Open(hive, path, &key) != RegOk)
        return QStringLiteral("-");
    uint32_t v = 0;
    std::u16string s;
    if (key.ReadDword(name, &v))
        return QString::number(v);
    if (key.ReadString(name, &s))
        return QString::fromStdU16String(s);
    return QStringLiteral("-");
}

} // namespace dawnbell::test
