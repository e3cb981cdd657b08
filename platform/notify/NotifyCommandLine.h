#pragma once
// The command line of dawnbell-notify, the notification service's tool:
//   dawnbell-notify list
//   dawnbell-notify add --at "YYYY-MM-DD HH:MM:SS" APPLICATION [ARGUMENTS]
//   dawnbell-notify clear HANDLE
//   dawnbell-notify --help
//   dawnbell-notify --version
#include "Clock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dawnbell::notify {

struct NotifyCommand {
    enum Verb { Invalid, Help, Version, List, Add, Clear };
    Verb verb = Invalid;
    std::string error;        // why the command line is invalid
    clock::LocalTime at;      // Add: the start time
    std::string application;  // Add
    std::string arguments;    // Add: the one argument, may be empty
    uint32_t handle = 0;      // Clear
};

// Parses the arguments after the program name.
NotifyCommand ParseNotifyCommand(const std::vector<std::string>& args);

// Parses "YYYY-MM-DD HH:MM:SS" (exactly that shape, a valid calendar date).
bool ParseNotifyTime(const std::string& text, clock::LocalTime* out);

// Parses a non-zero decimal 32-bit handle (digits only).
bool ParseNotifyHandle(const std::string& text, uint32_t* out);

// One line of `list`: HANDLE<TAB>YYYY-MM-DD HH:MM:SS<TAB>APPLICATION<TAB>ARGUMENTS,
// without the newline. Control characters and backslashes in the texts are
// escaped (\t, \n, \r, \\, \xHH) so a record is always one line and never
// reaches the terminal as control codes.
std::string FormatNotifyLine(uint32_t handle, const clock::LocalTime& start, const std::string& application,
                             const std::string& arguments);

// A text with control characters and backslashes escaped as in FormatNotifyLine.
std::string EscapeNotifyText(const std::string& text);

// The usage text.
const char* NotifyUsage();

} // namespace dawnbell::notify
