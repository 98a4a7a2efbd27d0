#pragma once

#include <cstdint>

namespace quorvane {

// Result codes of the wave device calls, numbered as the classic wave API
// numbers them so a code in a report means the same thing everywhere.
inline constexpr std::uint32_t WaveNoError = 0;
inline constexpr std::uint32_t WaveError = 1;           // unspecified failure
inline constexpr std::uint32_t WaveBadDeviceId = 2;     // no device with that index
inline constexpr std::uint32_t WaveInvalidHandle = 5;   // the handle is not an open device
inline constexpr std::uint32_t WaveNoDriver = 6;        // the device or the sound system is gone, or did not answer in time
inline constexpr std::uint32_t WaveNoMemory = 7;        // no room for another queued buffer
inline constexpr std::uint32_t WaveInvalidParam = 11;   // a header without data
inline constexpr std::uint32_t WaveBadFormat = 32;      // the device cannot take the format
inline constexpr std::uint32_t WaveStillPlaying = 33;   // the device still holds the buffer
inline constexpr std::uint32_t WaveUnprepared = 34;     // the buffer was not prepared

}  // namespace quorvane
