#pragma once
// Gives the ringing windows of this program their real keep-awake (the
// application's PowerKeeper behind the ringing window's KeepAwake interface),
// and mends what a ringing that was cut short left changed on the device.

namespace dawnbell {

// Installs a PowerKeeper-backed keep-awake into the default ringing services,
// keeping every other default (quiz, confirmation, folders) as it is.
void InstallRingingServices();

// Gives the device back from what a ringing that could not run its cleanup (a
// crash, SIGKILL, power loss) left in the restore marker: the device volume, the
// vibrators, the suspend time-outs, key lock and backlight, and the media
// players it paused (resumed once the application object exists). Logs what it did.
// Call at start-up, before anything rings.
void RestoreAfterInterruptedRinging();

} // namespace dawnbell
