#pragma once
// Gives the ringing windows of this program their real keep-awake: the
// application's PowerKeeper behind the ringing window's KeepAwake interface.

namespace dawnbell {

// Installs a PowerKeeper-backed keep-awake into the default ringing services,
// keeping every other default (quiz, confirmation, folders) as it is.
void InstallRingingServices();

} // namespace dawnbell
