#include "LongPress.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimerEvent>

namespace dawnbell {

LongPress::LongPress(QObject* parent) : QObject(parent) {}

void LongPress::Watch(QWidget* w, std::function<bool()> offered)
{
    if (!w)
        return;
    watched_.push_back({w, std::move(offered)});
    w->installEventFilter(this);
}

void LongPress::Cancel()
{
    timer_.stop();
    pressed_ = nullptr;
}

bool LongPress::Offered(QWidget* w) const
{
    for (const Watched& entry : watched_) {
        if (entry.widget == w)
            return !entry.offered || entry.offered();
    }
    return false;
}

void LongPress::Fire(QWidget* w, const QPoint& globalPos)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setDown(false);
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    emit held(w, globalPos);
}

bool LongPress::eventFilter(QObject* watched, QEvent* e)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return QObject::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        swallow_ = nullptr;
        if (me->button() == Qt::LeftButton && w->isEnabled() && Offered(w)) {
            pressed_ = w;
            pressPos_ = me->globalPosition().toPoint();
            timer_.start(kHoldMs, this);
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (pressed_ == w && timer_.isActive() && !w->rect().contains(me->position().toPoint()))
            Cancel();
        break;
    }
    case QEvent::MouseButtonRelease:
        if (pressed_ == w)
            Cancel();
        if (swallow_ == w) {
            // The hold has been answered; this release is not a tap.
            swallow_ = nullptr;
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                b->setDown(false);
            return true;
        }
        break;
    case QEvent::ContextMenu:
        if (w->isEnabled() && Offered(w)) {
            Cancel();
            Fire(w, static_cast<QContextMenuEvent*>(e)->globalPos());
        }
        return true;
    case QEvent::Hide:
    case QEvent::EnabledChange:
        if (pressed_ == w)
            Cancel();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, e);
}

void LongPress::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != timer_.timerId()) {
        QObject::timerEvent(e);
        return;
    }
    timer_.stop();
    QPointer<QWidget> w = pressed_;
    pressed_ = nullptr;
    if (!w || !w->isEnabled() || !Offered(w))
        return;
    swallow_ = w;
    Fire(w, pressPos_);
}

} // namespace dawnbell
