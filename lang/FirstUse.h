#pragma once
// The first use of a store by one of Dawnbell's other programs (dawnbell-alarm,
// the today item, the install hooks): when the store has never been set up,
// they write the same first-launch defaults the program's start writes, in the
// language the program would choose, so a fresh store is the same whoever
// opens it first.
#include "FirstLaunch.h"

#include <QString>

namespace dawnbell {

class LanguageTable;

class FirstUse {
public:
    // When the store has not been set up, in one write batch with the marker's
    // check (FirstLaunch::WriteDefaultsOnce): stores the language choice
    // (LanguageTable::ChosenFile) and writes the first-launch defaults in that
    // language, with the built-in templates' sounds in `programDir`/sounds.
    //
    // `table`: the current text provider, loaded with the language of
    // ChosenFile(false) by the caller. Null: a table of this call's own is
    // loaded from `programDir`/languages and is the provider while the
    // defaults are written; afterwards there is none (the built-in English
    // texts answer), for programs that show none of the program's texts.
    // The file is read before the store's write lock is taken, so a message
    // about a broken language file never holds the store.
    static FirstLaunch::Outcome Run(const QString& programDir, LanguageTable* table = nullptr);
};

} // namespace dawnbell
