#pragma once
// The built-in English string table: the program's texts 1-205 by number, and
// a few later ones (206 on) for what the program added since.
// Language files replace entries through the language table; every caller goes
// through that table, never through these functions directly.
#include <QList>
#include <QString>

namespace dawnbell {

// The text with this number, or nullptr / an empty string when there is none.
const char* BuiltinStringUtf8(int id);
QString BuiltinString(int id);

// Every number the table holds, ascending.
QList<int> BuiltinStringIds();

} // namespace dawnbell
