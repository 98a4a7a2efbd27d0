#pragma once

#include <map>
#include <memory>

#include "audio/WaveBackend.h"
#include "audio/WaveHeaderQueue.h"
#include "audio/WaveResult.h"

namespace quorvane {

// What every backend over a stream of sound has in common: the table of open
// devices, the checks the wave API makes on handles, formats and headers, the
// queue of headers each device holds, and reset and close. A concrete backend
// only knows its devices and how to run, stop and close one stream.
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
    bool running = false;
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
  // Brings a device up to the present (clocked devices).
  virtual void catchUp(Device&) {}
  // Called at the start of every call on a known direction; a non-zero
  // result makes the call fail with that code.
  virtual std::uint32_t beforeCall(WaveCall, WaveDirection) { return WaveNoError; }

  // Stops and closes every open device without touching the headers it
  // still holds. Concrete backends call this from their destructor, while
  // their streams still exist.
  void closeAll();

 private:
  Device* find(WaveHandle handle);

  std::map<WaveHandle, std::unique_ptr<Device>> devices_;
  WaveHandle nextHandle_ = 1;
};

}  // namespace quorvane
