#pragma once
// What a ringing has changed on the device and not given back yet, kept in the
// file "ringing-restore" in the device directory for as long as it lasts. A
// crash cannot run the ringing's cleanup; the next start of the program finds
// the file (TakeLeftOver) and gives the device back from it.
//
// Each part that changes the device (the forced volume, the vibrators) keeps
// its own named entries: Hold writes them when it changes something, Release
// removes them once it has given it back. A part held twice in one process (a
// ringing inside a ringing) keeps its first entries, which hold the state from
// before either. The file is replaced atomically on every change and removed
// when nothing is held.
#include <QMap>
#include <QString>

namespace dawnbell {

class RestoreMarker {
public:
    using Entries = QMap<QString, QString>; // name -> value

    // Holds `part` with `entries` (names are stored as "<part>.<name>"); a part
    // already held keeps its entries and is held once more.
    static void Hold(const QString& part, const Entries& entries);
    // Releases `part` once; its entries go when it is no longer held.
    static void Release(const QString& part);

    // The entries of every part left by a program that ended without giving
    // them back, by part; the file is removed. Empty when there is no file, or
    // when the process that wrote it still runs.
    static QMap<QString, Entries> TakeLeftOver();

    // The file's path.
    static QString Path();

    // Most bytes of the file that are read; the rest of a larger file is ignored.
    static constexpr qint64 kMaxBytes = 64 * 1024;
    // The file's text: a line "pid=<writer's process id>", then one line
    // "<part>.<name>=<value>" per entry, with "\" and line feeds in values
    // written as "\\" and "\n". Part names hold neither "." nor "=", entry
    // names no "=", and neither holds a line feed.
    static QByteArray Format(qint64 pid, const QMap<QString, Entries>& parts);
    // Reads a text of that form, from any bytes: lines that are not entries are
    // skipped; a later entry of the same part and name replaces an earlier one.
    // `pid` is 0 when no number follows "pid=".
    static QMap<QString, Entries> Parse(const QByteArray& text, qint64* pid);
};

} // namespace dawnbell
