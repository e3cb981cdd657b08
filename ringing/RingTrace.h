#pragma once
// Timing marks for the ring-latency benchmark. When DAWNBELL_TRACE names a file,
// each mark appends one line "<name> <ms>" with the wall-clock time in
// milliseconds since the epoch (fractional); otherwise marks cost nothing.
namespace dawnbell {

// True when DAWNBELL_TRACE names a file.
bool RingTraceEnabled();

// Appends the mark `name` (no blanks) once per process and name.
void RingTraceMark(const char* name);

} // namespace dawnbell
