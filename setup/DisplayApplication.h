#pragma once
// A widget application of the install hooks' own while one hook runs, so a
// message the hook shows (a broken language file, found while the first-launch
// defaults are written) appears on screen when the installer runs with a
// display. The installer is no Qt program: without a display, on the offscreen
// platform, or in a process that already has an application object, nothing is
// made, and boxes keep their text answer on stderr.
#include <memory>

class QApplication;

namespace dawnbell::setup {

class DisplayApplication {
public:
    // Installs the on-screen message box (for this library's copy of the
    // presenter) and makes the application when a display is there.
    DisplayApplication();
    // Ends the application again.
    ~DisplayApplication();
    DisplayApplication(const DisplayApplication&) = delete;
    DisplayApplication& operator=(const DisplayApplication&) = delete;

    // Whether this object made an application.
    bool made() const { return app_ != nullptr; }

private:
    std::unique_ptr<QApplication> app_;
};

} // namespace dawnbell::setup
