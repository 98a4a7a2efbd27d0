#pragma once

#include <portaudio.h>

#include <string>
#include <vector>

#include "audio/StreamWaveBackend.h"

namespace quorvane {

// The sound cards of the machine through PortAudio. Each open device is one
// PortAudio stream of 16-bit samples whose callback fills the queued capture
// headers or drains the queued playback headers in order. Device indices
// count the capture-capable and the playback-capable devices separately, the
// system's default device first; the names are PortAudio's.
class PortAudioBackend : public StreamWaveBackend {
 public:
  // Initialises PortAudio with ALSA's (and JACK's) diagnostics silenced.
  PortAudioBackend();
  ~PortAudioBackend() override;
  PortAudioBackend(const PortAudioBackend&) = delete;
  PortAudioBackend& operator=(const PortAudioBackend&) = delete;

  // False when PortAudio could not start; there are then no devices.
  bool available() const { return initialised_; }

  int deviceCount(WaveDirection direction) override;
  std::string productName(WaveDirection direction, int device) override;

  // What the stream callback works on.
  struct CallbackContext {
    WaveHeaderQueue* queue = nullptr;
    bool capture = true;
    unsigned bytesPerFrame = 2;
  };
  // The stream callback: real-time safe (no allocation, no lock, no I/O).
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
  PaStreamParameters parameters(WaveDirection direction, int device, const WaveFormatEx& format) const;
  const std::vector<PaDeviceIndex>& list(WaveDirection direction) const {
    return direction == WaveDirection::Input ? inputs_ : outputs_;
  }

  bool initialised_ = false;
  std::vector<PaDeviceIndex> inputs_;
  std::vector<PaDeviceIndex> outputs_;
};

}  // namespace quorvane
