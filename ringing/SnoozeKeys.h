#pragma once
// The keys that snooze a ringing alarm. The set is kept in the handheld
// platform's virtual key codes; Qt keys are mapped onto them first.
//
// Mapping (code: Qt key):
//   13: Return and Enter          27: Escape
//   37-40: Left, Up, Right, Down  48-57: 0-9
//   91: Meta / Super_L            112-135: F1-F24
//   193-198: the hardware application buttons, Launch0-Launch5
//   (HP / mobile keyboards send them as XF86Launch0-5).
// Codes in the list without a Linux counterpart - 4104, a vendor hardware key
// beyond the standard range - are never produced, so that key does not exist here.
namespace dawnbell {

// The classic virtual key code of a Qt key (Qt::Key); 0 when it has none.
int PlatformKeyCode(int qtKey);

// True when a key with this classic code snoozes: 13, 27, 37-40, 48-57, 91,
// 112, 114, 115, 117-122, 126-135, 193-198, 4104.
bool IsSnoozeKeyCode(int code);

} // namespace dawnbell
