#pragma once
// The wave-out volume of audio device 0: 0 (silent) to 65535 (full), one value
// for all channels (the device is treated as mono; the value sits in the low word
// of the classic 32-bit volume, the high word is ignored on input and 0 on output).
//
// It is the device volume of the session (DeviceVolume.h): the sound server's
// default output or a sound card's mixer, or - without either, or with
// DAWNBELL_AUDIO_VIRTUAL=1 - a virtual device volume kept in the registry: HKEY_CURRENT_USER\ControlPanel\Volume, value
// "DeviceVolume" (REG_DWORD, 0-65535, 0xCCCC (80 %) when missing or unreadable).
// These functions leave the mute alone.
// Plain C++; no Qt.
#include <cstdint>

namespace dawnbell {

constexpr uint32_t kWaveVolumeMax = 0xFFFF;
constexpr uint32_t kVirtualWaveVolumeDefault = 0xCCCC;
constexpr const char* kVirtualVolumeKey = "ControlPanel\\Volume";
constexpr const char* kVirtualVolumeValue = "DeviceVolume";

// Wave value for a volume in percent: truncate(percent * 655.35), so 100 gives
// 65535 and 50 gives 32767. Percentages outside 0-100 are clamped first.
uint32_t WaveValueForPercent(int percent);

// Reads the volume of device 0 (0-65535) into `out`; false when it cannot be read.
bool GetWaveOutVolume(uint32_t* out);
// Sets the volume of device 0 from the low word of `value`; false on failure.
bool SetWaveOutVolume(uint32_t value);

// true when the volume goes to the virtual (registry) device.
bool WaveOutIsVirtual();

} // namespace dawnbell
