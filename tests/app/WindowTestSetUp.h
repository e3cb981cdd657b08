#pragma once
// Set-up shared by the tests that open the program's real windows offscreen: a
// new device directory, a folder for the files the choosers and the ringing use
// (fake sysfs, input devices, runtime folder), automatic answers, the virtual
// device volume, a fake media player (no sound card), and a fixed "now".
#include "Clock.h"
#include "FakeMediaPlayer.h"
#include "MediaPlayerFactory.h"
#include "Notify.h"
#include "Registry.h"
#include "Scheduler.h"
#include "TempHome.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace dawnbell::test {

// Renews `home` and `files` and points the program's outside inputs into them;
// the clock stands at Saturday 2031-03-08 09:00. Call from each test's init().
inline void SetUpWindowTest(TempHome* home, std::unique_ptr<QTemporaryDir>* files)
{
    RegCloseStore();
    notify::NotifyCloseStore();
    home->Renew();
    *files = std::make_unique<QTemporaryDir>();
    qputenv("DAWNBELL_AUTO_ANSWER", "yes");
    qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
    qputenv("DAWNBELL_SYSFS", (*files)->filePath(QStringLiteral("sys")).toUtf8());
    qputenv("DAWNBELL_DEVINPUT", (*files)->filePath(QStringLiteral("input")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (*files)->filePath(QStringLiteral("run")).toUtf8());
    QDir().mkpath((*files)->filePath(QStringLiteral("run")));
    Scheduler::SetProgramPathForTesting(QStringLiteral("/bin/true"));
    clock::SetNowForTesting(clock::MakeLocal(2031, 3, 8, 9, 0, 0));
    SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(new FakeMediaPlayer); });
}

} // namespace dawnbell::test
