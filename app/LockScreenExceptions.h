#pragma once
// The program's entry in the exception lists of another vendor's lock screen
// (S2U2), so that the lock screen lets a ringing alarm through. The lock screen
// reads the name "Dawnbell.exe" (the program's name on its own platform); it is
// written so, whatever this program's file is called here.
#include <QString>
#include <QStringList>

#include <functional>

namespace dawnbell {

class LockScreenExceptions {
public:
    // Name written into a free slot.
    static constexpr const char16_t* kProgramName = u"Dawnbell.exe";

    // Starts a program detached; true when it was started.
    using StartFunction = std::function<bool(const QString& program, const QStringList& args)>;

    // Outcome of Join.
    enum Result {
        NoList,      // the key does not exist
        AlreadyListed,
        NoFreeSlot,  // every slot is missing or holds another program
        Added,       // written into the first free slot (and the refresh started)
    };

    // Joins the list under HKCU `keyPath`: value names are `prefix` + the slot
    // number with at least `digits` digits, slots 0 ... `lastSlot`. A slot is free
    // when its value exists with fewer than 3 bytes (an empty text); missing values
    // are not free. After adding, flushes and starts the refresh program.
    static Result Join(const QString& keyPath, const QString& prefix, int digits, int lastSlot,
                       const StartFunction& start);

    // Both lists, in their order: "Software\A_C\S2U2" ("ExceptionEXE%d", 0-10),
    // then "Software\A_C\S2U2\Exceptions" ("ExceptionEXE%.2d", 0-20).
    static void JoinAll(const StartFunction& start);

    // Where the refresh program ("S2U2/iLock2" or "S2U2/iLock2.exe", argument
    // "-refresh") is looked for, in order: the programs folder ($DAWNBELL_PROGRAMS,
    // default /opt), then that path below each mounted removable medium
    // (/media/$USER/*, /run/media/$USER/*).
    static QStringList RefreshCandidates();
    // Starts the first candidate that `start` accepts; false when none did.
    static bool StartRefresh(const StartFunction& start);
};

} // namespace dawnbell
