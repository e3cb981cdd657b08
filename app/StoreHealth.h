#pragma once
// The registry store's health as the program sees it: checked once at start,
// before anything reads or writes it, and watched while the program runs.
//
// At start a damaged store (not a database, corrupt pages, something else under
// its name) is moved aside as registry.db.damaged-YYYYMMDD-HHMMSS, kept for the
// user, and the program begins on a fresh store with the first-launch defaults;
// it never writes into the damaged file. A read-only store is used as it is and
// said so once. A store that cannot be opened at all ends the program with a
// message rather than run with no alarms. Every finding goes to dawnbell.log.
//
// While the program runs, the first failure of each kind (read-only, disk full,
// damaged, locked, unusable) is logged and shown in one message box; later
// failures of the same kind are not shown again, nor one already told at start.
#include <QString>

namespace dawnbell::StoreHealth {

// What the start check did.
enum class Start {
    Sound,    // usable as it is
    ReadOnly, // readable, every change will fail
    Renewed,  // was damaged: moved aside, a fresh store follows
    Unusable, // cannot be used and could not be mended: the program should end
};

// Checks the store (and moves a damaged one aside) unless this start has checked
// it already. Call as early as possible; the result is kept for TellAtStart.
Start CheckAtStart();

// Shows the message for what CheckAtStart found (running it first when it has
// not run), once, and from then on watches the store's failures. Returns what
// the check found; the pending finding is cleared, so the next start checks anew.
Start TellAtStart();

// The text of the message box shown for the last start finding (empty when the
// store was sound); for tests and the log.
QString LastStartMessage();

// Stops watching and forgets what was told (the next TellAtStart starts over).
void Reset();

} // namespace dawnbell::StoreHealth
