#pragma once
// A window's numbered timers (ids 1 .. count - 1), each remembering the period
// it was last started with, so a window keeps its timers by the fixed ids its
// behaviour is written in, its parts can share them, and tests can read them back.
#include <QBasicTimer>

#include <algorithm>
#include <array>

class QObject;

namespace dawnbell {

class WindowTimers {
public:
    static constexpr int kMaxCount = 16; // ids stay below this

    // Ids 1 .. count - 1 (count at most kMaxCount); timer events go to `owner`
    // (its timerEvent asks Find for the id).
    WindowTimers(QObject* owner, int count) : owner_(owner), count_(std::min(count, kMaxCount))
    {
        intervals_.fill(-1);
    }

    // (Re)starts timer `id` with a period of `ms` (negative counts as 0).
    void Start(int id, int ms)
    {
        if (!Valid(id))
            return;
        timers_[id].start(std::max(ms, 0), owner_);
        intervals_[id] = std::max(ms, 0);
    }
    void Kill(int id)
    {
        if (Valid(id))
            timers_[id].stop();
    }
    void KillAll()
    {
        for (QBasicTimer& t : timers_)
            t.stop();
    }
    bool Active(int id) const { return Valid(id) && timers_[id].isActive(); }
    // Period of the last start in ms; -1 when never started (or an unknown id).
    int Interval(int id) const { return Valid(id) ? intervals_[id] : -1; }
    // The id of our running timer whose QTimerEvent::timerId() is `qtTimerId`; 0 for none.
    int Find(int qtTimerId) const
    {
        for (int id = 1; id < count_; ++id) {
            if (timers_[id].isActive() && timers_[id].timerId() == qtTimerId)
                return id;
        }
        return 0;
    }

private:
    bool Valid(int id) const { return id > 0 && id < count_; }

    QObject* owner_;                           // receives the timer events
    int count_;                                // ids below this are valid
    std::array<QBasicTimer, kMaxCount> timers_; // indexed by id; 0 unused
    std::array<int, kMaxCount> intervals_{};    // ms of the last start, -1 never
};

} // namespace dawnbell
