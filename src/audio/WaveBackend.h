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

// Sound the devices could not keep since the backend was made: captured
// sound lost for want of room (overruns), and sound the program had queued
// that did not reach a playback device in time (underruns). Counted in
// events, not bytes.
struct SoundLoss {
  std::uint32_t overruns = 0;
  std::uint32_t underruns = 0;
  bool any() const { return overruns != 0 || underruns != 0; }
};

// Sound devices as the classic wave API presents them: devices counted and
// named per direction, a format query, open, buffers prepared and queued
// (added on input, written on output), start (restart on output), the byte
// position, reset (every queued buffer comes back marked done), unprepare and
// close. Every call returns a code from WaveResult.h, 0 for success; no call
// blocks without bound, and WaveNoDriver says the device or the sound system
// has gone away (or did not answer in time). Formats are always 16-bit PCM.
// All calls come from the program's thread.
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
  // its headers: moves what the devices captured into the queued headers and
  // what the program queued for playback towards the devices.
  virtual void update() {}
  // What the program waits on a playback device for, told at every wait:
  // monitoring a capture, whose clock paces the program (its sound is done
  // as soon as the device has it, and sound that would run the monitor far
  // behind is dropped), or playing sound (done once played).
  virtual void setMonitor(WaveHandle, bool) {}
  // A monitor that is given only silence (Mute) may stop its stream until
  // it is given sound again; what it is given meanwhile is dropped.
  virtual void setMuted(WaveHandle, bool) {}
  // Where a device's own thread signals that sound the program waits for has
  // come (see Host::wakeFd); -1 for none.
  virtual void setWakeFd(int) {}
  // Before the program sleeps on a header of the device: asks for a wake-up
  // once the device has what the header still lacks. False when the device
  // cannot wake the program; it must then look again after a short sleep.
  virtual bool armWake(WaveHandle) { return false; }

  // Starts the sound system afresh, so that a device that went away and came
  // back (a restarted sound server, a plugged-in adapter) is found again.
  // Only while no device is open; the device lists may change.
  virtual std::uint32_t reinitialise() { return 0; }

  virtual SoundLoss soundLoss() const { return {}; }
  // A count that moves whenever the device's own side runs (it captured or
  // played something, or tried to): a late device still moves it, a stalled
  // or dead one does not.
  virtual std::uint64_t activity(WaveHandle) const { return 0; }
};

}  // namespace quorvane
