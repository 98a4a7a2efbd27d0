#include "cli/CaptureOnlyBackend.h"

#include "audio/WaveResult.h"

namespace quorvane {

int CaptureOnlyBackend::deviceCount(WaveDirection direction) {
  if (direction == WaveDirection::Output) return 1;
  return capture_ ? capture_->deviceCount(direction) : 0;
}

std::string CaptureOnlyBackend::productName(WaveDirection direction, int device) {
  if (direction == WaveDirection::Output) return device == 0 ? "no monitor" : "";
  return capture_ ? capture_->productName(direction, device) : "";
}

std::uint32_t CaptureOnlyBackend::queryFormat(WaveDirection direction, int device, const WaveFormatEx& format) {
  if (direction == WaveDirection::Output) return device == 0 ? WaveNoError : WaveBadDeviceId;
  return capture_ ? capture_->queryFormat(direction, device, format) : WaveBadDeviceId;
}

std::uint32_t CaptureOnlyBackend::open(WaveDirection direction, int device, const WaveFormatEx& format,
                                       WaveHandle& handle) {
  if (direction == WaveDirection::Output) {
    if (device != 0) return WaveBadDeviceId;
    handle = Dropped;
    return WaveNoError;
  }
  return capture_ ? capture_->open(direction, device, format, handle) : WaveBadDeviceId;
}

std::uint32_t CaptureOnlyBackend::prepare(WaveHandle handle, WaveBufferHeader& header) {
  if (input(handle)) return capture_->prepare(handle, header);
  if (handle != Dropped) return WaveInvalidHandle;
  header.flags.fetch_or(WaveHeaderPrepared, std::memory_order_relaxed);
  return WaveNoError;
}

std::uint32_t CaptureOnlyBackend::queue(WaveHandle handle, WaveBufferHeader& header) {
  if (input(handle)) return capture_->queue(handle, header);
  if (handle != Dropped) return WaveInvalidHandle;
  if (!header.prepared()) return WaveUnprepared;
  header.bytesRecorded.store(header.bufferLength, std::memory_order_relaxed);
  header.flags.fetch_or(WaveHeaderDone, std::memory_order_release);
  return WaveNoError;
}

std::uint32_t CaptureOnlyBackend::start(WaveHandle handle) {
  if (input(handle)) return capture_->start(handle);
  return handle == Dropped ? WaveNoError : WaveInvalidHandle;
}

std::uint32_t CaptureOnlyBackend::position(WaveHandle handle, std::uint32_t& bytes) {
  if (input(handle)) return capture_->position(handle, bytes);
  bytes = 0;
  return handle == Dropped ? WaveNoError : WaveInvalidHandle;
}

std::uint32_t CaptureOnlyBackend::reset(WaveHandle handle) {
  if (input(handle)) return capture_->reset(handle);
  return handle == Dropped ? WaveNoError : WaveInvalidHandle;
}

std::uint32_t CaptureOnlyBackend::unprepare(WaveHandle handle, WaveBufferHeader& header) {
  if (input(handle)) return capture_->unprepare(handle, header);
  if (handle != Dropped) return WaveInvalidHandle;
  header.flags.fetch_and(~WaveHeaderPrepared, std::memory_order_relaxed);
  return WaveNoError;
}

std::uint32_t CaptureOnlyBackend::close(WaveHandle handle) {
  if (input(handle)) return capture_->close(handle);
  return handle == Dropped ? WaveNoError : WaveInvalidHandle;
}

void CaptureOnlyBackend::update() {
  if (capture_) capture_->update();
}

}  // namespace quorvane
