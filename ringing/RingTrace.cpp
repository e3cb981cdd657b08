#include "RingTrace.h"

#include "MediaPlayer.h"

#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>

namespace dawnbell {

namespace {
const char* TracePath()
{
    static const char* const path = std::getenv("DAWNBELL_TRACE");
    return path && *path ? path : nullptr;
}
} // namespace

bool RingTraceEnabled() { return TracePath() != nullptr; }

void RingTraceMark(const char* name)
{
    const char* path = TracePath();
    if (!path || !name)
        return;
    static std::set<std::string> done;
    if (!done.insert(name).second)
        return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const double ms = static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s %.3f\n", name, ms);
        std::fclose(f);
    }
}

void RingTraceWhenPlaying(MediaPlayer* player, QObject* owner)
{
    if (!RingTraceEnabled() || !player)
        return;
    if (player->state() == MediaPlayer::Playing) {
        RingTraceMark("playing");
        return;
    }
    auto* poll = new QTimer(owner);
    poll->setInterval(2);
    QPointer<MediaPlayer> watched(player);
    QObject::connect(poll, &QTimer::timeout, owner, [watched, poll] {
        if (!watched) {
            poll->deleteLater();
        } else if (watched->state() == MediaPlayer::Playing) {
            RingTraceMark("playing");
            poll->deleteLater();
        }
    });
    poll->start();
    QTimer::singleShot(5000, poll, &QObject::deleteLater);
}

} // namespace dawnbell
