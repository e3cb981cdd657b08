// Rings one stored alarm the way the program does at the alarm time, and ends
// it as soon as its player reports playing (or after 5 s). Used by the
// ring-latency benchmark with DAWNBELL_TRACE set:
//   bench_ring_once <alarm key>
#include "AlarmStore.h"
#include "Alarm.h"
#include "CAlarmDialog.h"
#include "MediaPlayer.h"
#include "RingTrace.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    dawnbell::RingTraceMark("process-start");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_ring_once <alarm key>\n");
        return 2;
    }
    std::unique_ptr<dawnbell::Alarm> alarm = dawnbell::AlarmStore::LoadSection(QString::fromLocal8Bit(argv[1]));
    if (!alarm) {
        std::fprintf(stderr, "bench_ring_once: no alarm %s\n", argv[1]);
        return 1;
    }
    dawnbell::CAlarmDialog dialog(alarm.get(), nullptr);
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        waited += 5;
        dawnbell::MediaPlayer* player = dialog.player();
        const bool playing = player && player->state() == dawnbell::MediaPlayer::Playing;
        if (playing || waited >= 5000) {
            // Give the trace a moment to note "playing", then end as the user would.
            QTimer::singleShot(20, &dialog, &QWidget::close);
            poll.stop();
        }
    });
    poll.start(5);
    dialog.exec();
    return 0;
}
