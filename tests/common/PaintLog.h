#pragma once
// Records what the widgets it watches paint: the region of every paint event
// they receive and how many there were, so a test can check that an update
// repaints only the area it means to (and that other widgets are left alone).
#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace dawnbell::test {

class PaintLog : public QObject {
public:
    // Starts recording the paint events of `w` (which must outlive this log).
    void Watch(QWidget* w) { w->installEventFilter(this); }
    // The union of the regions `w` painted since the last Clear.
    QRegion Painted(const QWidget* w) const { return painted_.value(w); }
    // The paint events `w` received since the last Clear.
    int Count(const QWidget* w) const { return counts_.value(w); }
    // Forgets everything recorded so far.
    void Clear()
    {
        painted_.clear();
        counts_.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            const auto* w = static_cast<const QWidget*>(watched);
            painted_[w] += static_cast<QPaintEvent*>(e)->region();
            ++counts_[w];
        }
        return false;
    }

private:
    QHash<const QWidget*, QRegion> painted_;
    QHash<const QWidget*, int> counts_;
};

// Runs what the event loop has queued (the repaints an update asked for among
// it) without waiting for anything.
inline void RunQueuedEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace dawnbell::test
