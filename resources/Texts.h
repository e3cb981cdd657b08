#pragma once
// Text lookup by number. Every text the program shows is fetched here: the
// language table, once loaded, installs itself as the provider; until then (and
// for numbers it does not supply) the built-in English table answers.
#include <QString>
#include <functional>

namespace dawnbell {

// Text number `id` in the current language (empty when no such text exists).
QString Text(int id);

// Installs the provider consulted first; it returns a null QString for numbers
// it does not supply. Pass an empty function to remove it.
void SetTextProvider(std::function<QString(int)> provider);

} // namespace dawnbell
