#include "FirstUse.h"

#include "LanguageTable.h"

#include <memory>

namespace dawnbell {

FirstLaunch::Outcome FirstUse::Run(const QString& programDir, LanguageTable* table)
{
    if (!FirstLaunch::Pending())
        return FirstLaunch::Outcome::AlreadyDone; // the common case, without the write lock
    const QString loaded = LanguageTable::ChosenFile(false);
    std::unique_ptr<LanguageTable> own;
    if (!table) {
        own = std::make_unique<LanguageTable>();
        own->InstallAsTextProvider(); // removed again when `own` goes
        own->Load(programDir, loaded);
        table = own.get();
    }
    return FirstLaunch::WriteDefaultsOnce(programDir, [&] {
        // Another program may have stored a choice since: the names follow it.
        const QString chosen = LanguageTable::ChosenFile(true);
        if (chosen != loaded)
            table->Load(programDir, chosen);
    });
}

} // namespace dawnbell
