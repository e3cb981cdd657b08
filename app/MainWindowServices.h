#pragma once
// The windows and outside pieces the main window works with, given to it when it
// is made: the program passes its own (ProgramServices.h), tests pass theirs.
// A window left empty does not exist for the main window: it shows no button
// and no menu entry that would open it.
//
// Adding a window: one member here, the line that fills it in
// ProgramMainWindowServices(), and its use in CMainDialog.
#include <functional>

class QWidget;

namespace dawnbell {

class Alarm;
class CMainDialog;

// Runs an editor (or the template selection) modally for `alarm` over `owner`;
// true on OK. The alarm belongs to the caller.
using EditorRunner = std::function<bool(Alarm* alarm, CMainDialog* owner)>;
// Runs the options sheet modally over `owner`; true on OK.
using OptionsRunner = std::function<bool(CMainDialog* owner)>;
// Rings `alarm` modally over `owner` and returns when the ringing has ended.
using RingRunner = std::function<void(Alarm* alarm, QWidget* owner)>;
// Refreshes the system-alarm simulation with `next` (null removes it).
using SimulationRefresh = std::function<void(Alarm* next)>;

struct MainWindowServices {
    EditorRunner compactEditor;     // compact alarms (type 0)
    EditorRunner wizard;            // wizard, appointment and command alarms (types 1-3)
    EditorRunner templateSelection; // Add: a new alarm from a template or blank
    OptionsRunner options;          // the options sheet
    RingRunner ring;                // empty: the ringing window run with exec()
    SimulationRefresh simulation;   // empty: no system-alarm simulation
};

} // namespace dawnbell
