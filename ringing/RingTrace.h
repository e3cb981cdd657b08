#pragma once
// Timing marks for the ring-latency benchmark. When DAWNBELL_TRACE names a file,
// each mark appends one line "<name> <ms>" with the wall-clock time in
// milliseconds since the epoch (fractional); otherwise marks cost nothing.
class QObject;

namespace dawnbell {

class MediaPlayer;

// True when DAWNBELL_TRACE names a file.
bool RingTraceEnabled();

// Appends the mark `name` (no blanks) once per process and name.
void RingTraceMark(const char* name);

// Marks "playing" as soon as `player` reports that it plays: at once, or by
// polling every 2 ms for up to 5 s (the poll belongs to `owner`). Nothing
// unless tracing is on.
void RingTraceWhenPlaying(MediaPlayer* player, QObject* owner);

} // namespace dawnbell
