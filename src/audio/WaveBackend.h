#pragma once

#include <cstdint>
#include <string>

#include "audio/WaveBufferHeader.h"
#include "files/WaveFormatEx.h"

namespace quorvane {

enum class WaveDirection { Input, Output };

// The calls of the backend interface, by name (the simulated backend can make
// any of them fail).
enum class WaveCall { QueryFormat, Open, Prepare, Queue, Start, Position, Reset, Unprepare, Close };

// An open device; 0 is never a device.
using WaveHandle = std::uint32_t;

// Sound devices as the classic wave API presents them: devices counted and
// named per direction, a format query, open, buffers prepared and queued
// (added on input, written on output), start (restart on output), the byte
// position, reset (every queued buffer comes back marked done), unprepare and
// close. Every call returns a code from WaveResult.h, 0 for success. Formats
// are always 16-bit PCM. All calls come from the program's thread.
class WaveBackend {
 public:
  virtual ~WaveBackend() = default;

  virtual int deviceCount(WaveDirection direction) = 0;
  // The device's product name; empty when there is no such device.
  virtual std::string productName(WaveDirection direction, int device) = 0;

  virtual std::uint32_t queryFormat(WaveDirection direction, int device, const WaveFormatEx& format) = 0;
  // An input device opens stopped; an output device plays what is written to it at once.
  virtual std::uint32_t open(WaveDirection direction, int device, const WaveFormatEx& format, WaveHandle& handle) = 0;
  virtual std::uint32_t prepare(WaveHandle handle, WaveBufferHeader& header) = 0;
  virtual std::uint32_t queue(WaveHandle handle, WaveBufferHeader& header) = 0;
  // Starts capture, or resumes playback.
  virtual std::uint32_t start(WaveHandle handle) = 0;
  virtual std::uint32_t position(WaveHandle handle, std::uint32_t& bytes) = 0;
  // Stops the device, returns every queued buffer marked done and sets the
  // position to zero. Capture stays stopped until the next start.
  virtual std::uint32_t reset(WaveHandle handle) = 0;
  virtual std::uint32_t unprepare(WaveHandle handle, WaveBufferHeader& header) = 0;
  // Fails with WaveStillPlaying while the device holds a buffer.
  virtual std::uint32_t close(WaveHandle handle) = 0;

  // Brings every open device up to the present before the program looks at
  // its headers. Devices that run on their own need nothing; simulated ones
  // are clocked by the host and catch up here.
  virtual void update() {}
};

}  // namespace quorvane
