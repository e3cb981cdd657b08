#pragma once
// What a client can find out about the running notification service and the
// system it starts alarms in, to tell a user whether an alarm will ring: who
// started the service, the clock it armed, whether its binary may wake a
// suspended device, and whether a sound output is there. Every answer comes from
// the system as it is now (/proc, the service's log, the file's capabilities, the
// sound server); nothing is changed and nothing waits longer than the time given.
// Plain C++ and POSIX.
#include <string>
#include <sys/types.h>
#include <vector>

namespace dawnbell::notify {

// The systemd unit process `pid` runs in: the last part of its cgroup path
// ("dawnbell-notifyd.service") when that names a service, else empty (a process
// started from a shell, a desktop's autostart or on demand lives in a session
// scope or an application scope).
std::string ProcessUnit(pid_t pid);

// The executable process `pid` runs (the path /proc/PID/exe names; a file
// replaced since ends in " (deleted)"); empty when it cannot be read.
std::string ProcessExecutable(pid_t pid);

// The environment process `pid` started with, "NAME=value" entries (at most
// 256 KiB of it); empty when it cannot be read (another user's process).
std::vector<std::string> ProcessEnvironment(pid_t pid);

// Whether a program file may wake a suspended device.
struct WakeCapability {
    enum State {
        Granted, // CAP_WAKE_ALARM permitted and effective in the file's capabilities
        Missing, // the file has no capabilities, or not that one
        Unknown, // the file cannot be read, or its capability record is malformed
    };
    State state = Unknown;
    std::string detail; // for Unknown: why ("no such file", ...)
};
// Reads the file capabilities of `path` (its security.capability attribute,
// as `setcap cap_wake_alarm+ep` writes it).
WakeCapability FileWakeCapability(const std::string& path);

// The clock the service armed at its last start, as its log tells it.
struct ArmedClock {
    std::string clock; // "CLOCK_REALTIME_ALARM", "CLOCK_REALTIME"; empty when no start is logged
    std::string when;  // the log line's time stamp, "YYYY-MM-DD HH:MM:SS.mmm +zzzz"
};
// The last "timer on CLOCK_..." line of the service's log at `logPath` (the
// line the service writes each time it starts), looked for in the last 256 KiB
// of the log and, when the log holds none (it was just rotated), of its older
// copy `logPath`.1.
ArmedClock LastArmedClock(const std::string& logPath);

// A sound output the program could ring on.
struct SoundOutput {
    enum Kind {
        None,        // no sound server answered and no ALSA card exists
        SoundServer, // a PulseAudio or PipeWire pulse server answered
        AlsaCard,    // no server, but the kernel has a sound card
    };
    Kind kind = None;
    // What was found: "PulseAudio (on PipeWire 0.3.65), default output
    // alsa_output.pci-0000_00_1f.3.analog-stereo", "card 0: PCH (HDA Intel PCH)";
    // for None, why the server did not count.
    std::string name;
};
// Asks the sound server of this session (`pactl --format=json info`, waiting at
// most `timeoutMs`), then the kernel's list of sound cards (/proc/asound/cards).
// A server that answers without a default output does not count.
SoundOutput FindSoundOutput(int timeoutMs);

// --- the readers of what the system tells, for the functions above ------------
// Each takes text or bytes from outside (the kernel, the service's log, the sound
// server) as they are, of any size and content, and answers from them alone.

// The unit of a /proc/PID/cgroup text (see ProcessUnit): taken from the unified
// hierarchy's line "0::PATH", else the first line's path.
std::string UnitOfCgroup(const std::string& cgroupText);
// What a security.capability attribute of `size` bytes grants (see
// FileWakeCapability): revision 1, 2 or 3 records as the kernel defines them.
WakeCapability WakeCapabilityOfRecord(const unsigned char* data, size_t size);
// The last line of `logText` that is a time stamp followed by "timer on CLOCK_...".
ArmedClock LastArmedClockIn(const std::string& logText);
// The sound server output `pactl --format=json info` answered with: kind
// SoundServer with its name when it names a default output, else None with why.
SoundOutput SoundServerOf(const std::string& pactlJson);
// The first card of a /proc/asound/cards text: kind AlsaCard with its label, or
// None when it lists no card.
SoundOutput FirstSoundCardIn(const std::string& cardsText);

} // namespace dawnbell::notify
