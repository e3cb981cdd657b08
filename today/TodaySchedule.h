#pragma once
// The today item's own rebuild of the program's notifications, used after it
// switches an alarm: the same result as the program's rebuild, computed from the
// registry alone.
#include <string>

namespace dawnbell::today {

// Clears every notification whose application path, in upper case, contains
// "DAWNBELL", then registers one time notification per active alarm section,
// starting `programPath` with the section's key at its next occurrence. As the
// program's rebuild, a record the service has not started yet stays while it is
// at most notify::kMissedAfterSeconds overdue and its alarm is on; one overdue
// longer is recorded as a missed alarm, and a missed one-time alarm or
// appointment is switched off instead of being scheduled again.
void ReRegisterAll(const std::string& programPath);

} // namespace dawnbell::today
