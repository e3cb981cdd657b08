#pragma once
// The ringing alarm's two requests on the command channel, beside the main
// window's copy-data codes 0-5: snooze it or end it from a shell
// (dawnbell-alarm snooze / stop). They act on the innermost ringing of this
// process, shown in a window or ringing without a display; the key of the frame
// is not used. The answer tells the sender what happened.
namespace dawnbell {

class RingingCommands {
public:
    // Copy-data codes.
    enum Code : int {
        CopySnoozeRinging = 6, // snooze the ringing alarm, as a tap on its window does
        CopyEndRinging = 7,    // end the ringing alarm, as a confirmed End alarm does
    };
    // Answers; distinct from any answer to codes 0-5, so a sender can tell a
    // program that does not know these codes.
    enum Answer : int {
        Done = 16,           // the ringing snoozes (at once or on the next turn of the loop) or has ended
        NoSnooze = 17,       // the ringing alarm has no snooze: nothing changed
        NothingRinging = 18, // no alarm rings in this process
    };

    // True for the two codes above.
    static bool Handles(int code);
    // Carries out `code` on the innermost ringing and answers. A windowed snooze
    // runs on the next turn of the event loop, as its quiz may open a window the
    // answer must not wait for.
    static int Handle(int code);
};

} // namespace dawnbell
