#include "audio/StreamWaveBackend.h"

#include "audio/WaveResult.h"

namespace quorvane {

bool StreamWaveBackend::isPcm16(const WaveFormatEx& f) {
  return f.BitsPerSample == 16 && f.Channels >= 1 && f.Channels <= 2 && f.SampleRate >= 1000 &&
         f.SampleRate <= 192000 && f.BlockAlign == f.Channels * 2 && f.AvgBytesPerSec == f.SampleRate * f.BlockAlign;
}

StreamWaveBackend::Device* StreamWaveBackend::find(WaveHandle handle) {
  auto it = devices_.find(handle);
  return it == devices_.end() ? nullptr : it->second.get();
}

std::uint32_t StreamWaveBackend::queryFormat(WaveDirection direction, int device, const WaveFormatEx& format) {
  if (std::uint32_t fault = beforeCall(WaveCall::QueryFormat, direction)) return fault;
  if (device < 0 || device >= deviceCount(direction)) return WaveBadDeviceId;
  if (!isPcm16(format)) return WaveBadFormat;
  return checkFormat(direction, device, format);
}

std::uint32_t StreamWaveBackend::open(WaveDirection direction, int device, const WaveFormatEx& format,
                                      WaveHandle& handle) {
  if (std::uint32_t fault = beforeCall(WaveCall::Open, direction)) return fault;
  if (device < 0 || device >= deviceCount(direction)) return WaveBadDeviceId;
  if (!isPcm16(format)) return WaveBadFormat;
  if (std::uint32_t r = checkFormat(direction, device, format)) return r;

  std::unique_ptr<Device> d = createDevice();
  d->handle = nextHandle_;
  d->direction = direction;
  d->index = device;
  d->format = format;
  if (std::uint32_t r = openStream(*d)) return r;
  // Playback runs from the start, silent until something is written.
  if (direction == WaveDirection::Output) {
    if (std::uint32_t r = startStream(*d)) {
      closeStream(*d);
      return r;
    }
    d->running = true;
  }
  handle = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  devices_[handle] = std::move(d);
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::prepare(WaveHandle handle, WaveBufferHeader& header) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Prepare, d->direction)) return fault;
  if (!header.data || header.bufferLength == 0) return WaveInvalidParam;
  if (header.inQueue()) return WaveStillPlaying;
  header.flags.fetch_or(WaveHeaderPrepared, std::memory_order_relaxed);
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::queue(WaveHandle handle, WaveBufferHeader& header) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Queue, d->direction)) return fault;
  if (!header.prepared()) return WaveUnprepared;
  if (header.inQueue()) return WaveStillPlaying;
  // Sound from before this moment belongs to the buffers queued earlier.
  catchUp(*d);
  return d->queue.push(header) ? WaveNoError : WaveNoMemory;
}

std::uint32_t StreamWaveBackend::start(WaveHandle handle) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Start, d->direction)) return fault;
  if (d->running) return WaveNoError;
  if (std::uint32_t r = startStream(*d)) return r;
  d->running = true;
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::position(WaveHandle handle, std::uint32_t& bytes) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Position, d->direction)) return fault;
  catchUp(*d);
  bytes = d->queue.position();
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::reset(WaveHandle handle) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Reset, d->direction)) return fault;
  catchUp(*d);
  if (d->running) {
    stopStream(*d);
    d->running = false;
  }
  d->queue.flush();
  // Playback goes on (silent) so that the next write plays at once.
  if (d->direction == WaveDirection::Output) {
    if (std::uint32_t r = startStream(*d)) return r;
    d->running = true;
  }
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::unprepare(WaveHandle handle, WaveBufferHeader& header) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Unprepare, d->direction)) return fault;
  if (header.inQueue()) return WaveStillPlaying;
  header.flags.fetch_and(~WaveHeaderPrepared, std::memory_order_relaxed);
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::close(WaveHandle handle) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Close, d->direction)) return fault;
  catchUp(*d);
  if (d->queue.held() > 0) return WaveStillPlaying;
  if (d->running) stopStream(*d);
  closeStream(*d);
  devices_.erase(handle);
  return WaveNoError;
}

void StreamWaveBackend::update() {
  for (auto& [handle, d] : devices_) catchUp(*d);
}

void StreamWaveBackend::closeAll() {
  // The headers are not handed back: their owner may be gone already.
  for (auto& [handle, d] : devices_) {
    if (d->running) stopStream(*d);
    d->running = false;
    closeStream(*d);
  }
  devices_.clear();
}

}  // namespace quorvane
