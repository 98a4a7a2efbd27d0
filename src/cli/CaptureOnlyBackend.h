#pragma once

#include "audio/WaveBackend.h"

namespace quorvane {

// The sound devices of a run that plays nothing: capture is the given
// backend's (none: there is no input device at all), and the one output
// device takes every buffer at once and drops it. A recording without a
// monitor then needs no output device, and holds none that another program
// might want.
class CaptureOnlyBackend : public WaveBackend {
 public:
  explicit CaptureOnlyBackend(WaveBackend* capture) : capture_(capture) {}

  int deviceCount(WaveDirection direction) override;
  std::string productName(WaveDirection direction, int device) override;
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

 private:
  // Far above the handles a backend hands out, which count from 1.
  static constexpr WaveHandle Dropped = 0xFFFFFFF0u;
  bool input(WaveHandle handle) const { return capture_ && handle != Dropped; }

  WaveBackend* capture_;
};

}  // namespace quorvane
