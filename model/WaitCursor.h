#pragma once
// Shows the busy cursor for the life of the object when the program runs with a
// window system (a QGuiApplication exists); does nothing in tools and tests
// without one.
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace dawnbell {

class WaitCursor {
public:
    WaitCursor() : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (active_)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_; // an override cursor was pushed
};

} // namespace dawnbell
