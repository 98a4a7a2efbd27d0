#pragma once

#include <portaudio.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "audio/BoundedCaller.h"
#include "audio/StreamWaveBackend.h"

namespace quorvane {

// The sound cards of the machine through PortAudio. Each open device is one
// PortAudio stream of 16-bit samples whose callback only moves sound between
// the stream and the device's ring. Device indices count the capture-capable
// and the playback-capable devices separately, the system's default device
// first; the names are PortAudio's.
//
// Every PortAudio call runs on one thread of the backend's own and is waited
// for at most CallDeadline: when a sound server dies, PortAudio can block for
// good (starting a stream again waits on a lock its dead callback thread
// still holds). A call that misses its deadline, or finds the thread still
// busy with one that did, fails with WaveNoDriver, and its device counts as
// lost. The program's thread never calls PortAudio itself.
class PortAudioBackend : public StreamWaveBackend {
 public:
  // Initialises PortAudio with ALSA's (and JACK's) diagnostics silenced.
  PortAudioBackend();
  ~PortAudioBackend() override;
  PortAudioBackend(const PortAudioBackend&) = delete;
  PortAudioBackend& operator=(const PortAudioBackend&) = delete;

  // False when PortAudio could not start; there are then no devices.
  bool available() const { return available_; }

  int deviceCount(WaveDirection direction) override;
  std::string productName(WaveDirection direction, int device) override;
  // Terminates and initialises PortAudio again and lists the devices afresh.
  std::uint32_t reinitialise() override;

  static constexpr std::chrono::milliseconds CallDeadline{2500};

  // The stream callback, on PortAudio's thread; the context is the device's
  // DeviceFeed. Real-time safe: no allocation, no lock, no I/O.
  static int streamCallback(const void* input, void* output, unsigned long frames,
                            const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags status, void* context);

 protected:
  std::unique_ptr<Device> createDevice() override;
  std::uint32_t checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) override;
  std::uint32_t openStream(Device& device) override;
  std::uint32_t startStream(Device& device) override;
  void stopStream(Device& device) override;
  void closeStream(Device& device) override;

 private:
  struct StreamDevice;
  struct Entry {
    PaDeviceIndex index = paNoDevice;
    std::string name;
    double latency = 0.1;
  };
  struct Lists {
    bool initialised = false;
    std::vector<Entry> inputs;
    std::vector<Entry> outputs;
  };
  const std::vector<Entry>& list(WaveDirection direction) const {
    return direction == WaveDirection::Input ? lists_.inputs : lists_.outputs;
  }
  PaStreamParameters parameters(WaveDirection direction, int device, const WaveFormatEx& format) const;
  // Runs a call on the library's thread; true when it returned in time.
  bool call(std::function<void()> f, std::function<void()> onLate = {});

  BoundedCaller library_;
  // Whether PortAudio is initialised, as the library's thread sees it.
  std::shared_ptr<bool> initialised_ = std::make_shared<bool>(false);
  bool available_ = false;
  Lists lists_;
  // Feeds of streams that could not be closed in time: PortAudio may still
  // run their callbacks until it is terminated.
  std::vector<std::shared_ptr<DeviceFeed>> orphans_;
};

}  // namespace quorvane
