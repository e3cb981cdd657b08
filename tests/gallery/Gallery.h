#pragma once
// The screenshot gallery: every window of the program, in each state worth
// seeing, rendered to PNG for one emulated display per process, in every
// shipped language, and checked (README.md in this folder).
//
// A window joins with one call in a source file of this folder (added to the
// dawnbell_gallery target with dawnbell_gallery_entry() in CMakeLists.txt):
//
//   static const bool registered = dawnbell::gallery::Register(
//       {"close-confirm", {"light", "dark"}, [](const QString& state) -> QWidget* { ... }});
//
// The factory builds the real window in the named state, sized as it would be
// on the current display (Scaling.h: CurrentScreen(), dpi_x(), dpi_y()), and
// returns it without showing it or running it modally; the gallery shows it,
// grabs it to <out>/<lang>/<WxH@dpi>/<name>-<state>.png, checks its geometry
// and texts, and deletes it. A null result counts as a failure. Settings live in a temporary DAWNBELL_HOME and the clock
// is fixed (kGalleryNow), so pictures are repeatable.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace dawnbell::gallery {

// The moment every gallery process sees (DAWNBELL_NOW).
constexpr const char kGalleryNow[] = "2026-03-14T07:30:00";

// Builds a window in `state`; the caller owns the result.
using Factory = std::function<QWidget*(const QString& state)>;

struct Entry {
    QString name;       // window name in file names, e.g. "ringing"
    QStringList states; // states to render, e.g. {"layout0", "snoozing"}
    Factory build;      // makes the window in one state
};

// Adds an entry (kept in registration order); returns true so it can
// initialise a static.
bool Register(Entry entry);
// All registered entries.
const std::vector<Entry>& Entries();

} // namespace dawnbell::gallery
