#pragma once

#include <map>
#include <memory>

#include "audio/DeviceFeed.h"
#include "audio/WaveBackend.h"
#include "audio/WaveHeaderQueue.h"
#include "audio/WaveResult.h"

namespace quorvane {

// What every backend over a stream of sound has in common: the table of open
// devices, the checks the wave API makes on handles, formats and headers, the
// queue of headers each device holds, reset and close, and the move of sound
// between each device's ring and its headers. A concrete backend only knows
// its devices and how to run, stop and close one stream, whose own side
// meets the program only in the device's DeviceFeed.
//
// Capture: the device side fills the ring; the program takes from it into the
// queued headers whenever it looks, so sound that comes while the program is
// late waits in the ring (several seconds) instead of being lost.
// Playback: the program moves queued sound into the ring at once, and a
// header is done when the device has played it, which paces a playback loop.
// A monitor of a capture is paced by the capture's clock instead: its sound
// is done as soon as it is in the ring, and sound that finds the device still
// holding MonitorLeadMs is dropped, so a program catching up is never held
// back by the monitor, and the monitor stays current.
// A stream that stopped on its own (its server went away) marks its device
// lost: starting it again fails with WaveNoDriver instead of touching it.
class StreamWaveBackend : public WaveBackend {
 public:
  std::uint32_t queryFormat(WaveDirection direction, int device, const WaveFormatEx& format) override;
  std::uint32_t open(WaveDirection direction, int device, const WaveFormatEx& format, WaveHandle& handle) override;
  std::uint32_t prepare(WaveHandle handle, WaveBufferHeader& header) override;
  std::uint32_t queue(WaveHandle handle, WaveBufferHeader& header) override;
  std::uint32_t start(WaveHandle handle) override;
  std::uint32_t position(WaveHandle handle, std::uint32_t& bytes) override;
  std::uint32_t reset(WaveHandle handle) override;
  std::uint32_t unprepare(WaveHandle handle, WaveBufferHeader& header) override;
  std::uint32_t close(WaveHandle handle) override;
  void update() override;
  void setMonitor(WaveHandle handle, bool monitor) override;
  void setMuted(WaveHandle handle, bool muted) override;
  SoundLoss soundLoss() const override;
  void setWakeFd(int fd) override { wakeFd_ = fd; }
  bool armWake(WaveHandle handle) override;
  std::uint64_t activity(WaveHandle handle) const override;

  static constexpr std::uint32_t RingSeconds = 4;
  static constexpr std::uint32_t MonitorLeadMs = 300;

  bool isOpen(WaveHandle handle) const { return devices_.count(handle) != 0; }
  std::size_t openCount() const { return devices_.size(); }

  // 16-bit PCM with a consistent block size and byte rate.
  static bool isPcm16(const WaveFormatEx& format);

 protected:
  struct Device {
    virtual ~Device() = default;
    WaveHandle handle = 0;
    WaveDirection direction = WaveDirection::Input;
    int index = 0;
    WaveFormatEx format;
    WaveHeaderQueue queue;
    std::shared_ptr<DeviceFeed> feed;
    bool running = false;
    bool lost = false;
    bool monitor = false;
    bool playing = false;        // a playback loop waits for its sound
    bool muted = false;          // a monitor of silence, its stream stopped
    std::uint32_t gapsSeen = 0;  // its underruns looked at so far
  };

  // A concrete backend's own device record, derived from Device.
  virtual std::unique_ptr<Device> createDevice() { return std::make_unique<Device>(); }
  // The device index is in range and the format is 16-bit PCM; can the device take it?
  virtual std::uint32_t checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) = 0;
  virtual std::uint32_t openStream(Device& device) = 0;
  virtual std::uint32_t startStream(Device& device) = 0;
  // Once this returns, the device side no longer touches the queue.
  virtual void stopStream(Device& device) = 0;
  virtual void closeStream(Device& device) = 0;
  // Brings the device side up to the present (clocked devices).
  virtual void catchUp(Device&) {}
  // Called at the start of every call on a known direction; a non-zero
  // result makes the call fail with that code.
  virtual std::uint32_t beforeCall(WaveCall, WaveDirection) { return WaveNoError; }

  // Stops and closes every open device without touching the headers it
  // still holds. Concrete backends call this from their destructor, while
  // their streams still exist.
  void closeAll();

  const std::map<WaveHandle, std::unique_ptr<Device>>& devices() const { return devices_; }

 private:
  Device* find(WaveHandle handle);
  // The device side up to now, then the program's side of its ring.
  void bringUpToDate(Device& device);
  void transfer(Device& device);
  void stop(Device& device);

  std::map<WaveHandle, std::unique_ptr<Device>> devices_;
  WaveHandle nextHandle_ = 1;
  int wakeFd_ = -1;
  std::uint32_t closedOverruns_ = 0;  // on devices already closed
  std::uint32_t playbackGaps_ = 0;
};

}  // namespace quorvane
