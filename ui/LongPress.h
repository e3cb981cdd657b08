#pragma once
// The tap-and-hold gesture, shared by every window whose controls open a menu on
// a long press: a left press held for kHoldMs on a watched widget without
// leaving it, or a right click / the context-menu key, is a hold. A plain tap
// stays a tap; the release that ends a hold is swallowed, so the widget never
// sees a click for it.
//
// Before `held` is emitted the pointer is let go: a button is no longer shown
// pressed and a mouse grab is released, so whatever the receiver opens (a menu,
// a modal window) gets every following press.
#include <QBasicTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace dawnbell {

class LongPress : public QObject {
    Q_OBJECT
public:
    static constexpr int kHoldMs = 600; // how long a press must last to be a hold, ms

    explicit LongPress(QObject* parent = nullptr);

    // Watches `w` (which must outlive this object or be destroyed with it).
    // `offered`, when given, is asked at each press whether `w` has something to
    // hold for at present; a press on a widget that has not stays a plain press.
    void Watch(QWidget* w, std::function<bool()> offered = {});

    // Ends the hold that is being timed, if any (the press became something else).
    void Cancel();

signals:
    // `w` was held; `globalPos` is where the press was.
    void held(QWidget* w, const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // Whether `w` has something to hold for now.
    bool Offered(QWidget* w) const;
    // Lets go of the pointer for `w` and emits held.
    void Fire(QWidget* w, const QPoint& globalPos);

    struct Watched {
        QPointer<QWidget> widget;
        std::function<bool()> offered; // empty: always
    };
    std::vector<Watched> watched_;   // the widgets and their questions
    QBasicTimer timer_;              // times the press
    QPointer<QWidget> pressed_;      // widget under the press being timed
    QPoint pressPos_;                // global position of that press
    QPointer<QWidget> swallow_;      // the widget whose next release ends a hold
};

} // namespace dawnbell
