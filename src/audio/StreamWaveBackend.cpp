#include "audio/StreamWaveBackend.h"

#include <algorithm>
#include <limits>

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
  d->feed = std::make_shared<DeviceFeed>(std::size_t{format.AvgBytesPerSec} * RingSeconds, format.BlockAlign);
  d->feed->wakeFd = wakeFd_;
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
  bringUpToDate(*d);
  if (!d->queue.push(header)) return WaveNoMemory;
  bringUpToDate(*d);  // sound to play is on its way to the device at once
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::start(WaveHandle handle) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Start, d->direction)) return fault;
  if (d->running) return WaveNoError;
  if (d->lost) return WaveNoDriver;
  d->feed->ended.store(false, std::memory_order_release);
  if (std::uint32_t r = startStream(*d)) return r;
  d->running = true;
  d->muted = false;
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::position(WaveHandle handle, std::uint32_t& bytes) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Position, d->direction)) return fault;
  bringUpToDate(*d);
  // Capture counts what reached the headers; playback what the device played.
  bytes = d->direction == WaveDirection::Input ? d->queue.position()
                                                : static_cast<std::uint32_t>(d->feed->played.load(std::memory_order_acquire));
  return WaveNoError;
}

std::uint32_t StreamWaveBackend::reset(WaveHandle handle) {
  Device* d = find(handle);
  if (!d) return WaveInvalidHandle;
  if (std::uint32_t fault = beforeCall(WaveCall::Reset, d->direction)) return fault;
  bringUpToDate(*d);
  stop(*d);
  d->queue.flush();
  d->feed->ring.discard();
  d->feed->played.store(0, std::memory_order_release);
  d->monitor = d->playing = false;
  // Playback goes on (silent) so that the next write plays at once. A muted
  // monitor's stream stays stopped until it is given sound: its sound server
  // may have gone meanwhile, unnoticed, and starting a stream there can hang.
  if (d->direction == WaveDirection::Output && !d->lost && !d->muted) {
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
  bringUpToDate(*d);
  if (d->queue.held() > 0) return WaveStillPlaying;
  stop(*d);
  closeStream(*d);
  closedOverruns_ += d->feed->overruns.load(std::memory_order_relaxed);
  devices_.erase(handle);
  return WaveNoError;
}

void StreamWaveBackend::stop(Device& d) {
  // A stream that ended while it should have been running ended on its own.
  if (d.running && d.feed->ended.load(std::memory_order_acquire)) d.lost = true;
  if (d.running) stopStream(d);
  d.running = false;
}

void StreamWaveBackend::setMonitor(WaveHandle handle, bool monitor) {
  if (Device* d = find(handle); d && d->direction == WaveDirection::Output) {
    d->monitor = monitor;
    d->playing = !monitor;
  }
}

void StreamWaveBackend::setMuted(WaveHandle handle, bool muted) {
  Device* d = find(handle);
  if (!d || d->direction != WaveDirection::Output || d->lost) return;
  muted = muted && d->monitor;
  if (muted == d->muted) return;
  d->muted = muted;
  // A stopped stream costs nothing: no callbacks, no sound server traffic.
  // The monitor's sound is dropped meanwhile (it keeps no more than its lead).
  if (muted) {
    stop(*d);
    return;
  }
  d->feed->ring.discard();
  d->feed->ended.store(false, std::memory_order_release);
  if (startStream(*d) == WaveNoError)
    d->running = true;
  else
    d->lost = true;
}

void StreamWaveBackend::update() {
  for (auto& [handle, d] : devices_) bringUpToDate(*d);
}

void StreamWaveBackend::bringUpToDate(Device& d) {
  catchUp(d);
  transfer(d);
}

void StreamWaveBackend::transfer(Device& d) {
  DeviceFeed& f = *d.feed;
  if (d.direction == WaveDirection::Input) {
    // Into the queued headers; what finds no header waits in the ring.
    for (int run = 0; run < 2; ++run) {
      const auto [from, filled] = f.ring.readRun();
      const std::size_t taken = d.queue.capture(from, filled);
      f.ring.consume(taken);
      if (taken == 0 || taken < filled) break;
    }
    return;
  }
  // A monitor drops what finds the device still holding a full lead.
  const std::size_t lead = std::size_t{d.format.AvgBytesPerSec} * MonitorLeadMs / 1000;
  if (d.monitor && f.ring.readable() >= lead) d.queue.play(nullptr, d.queue.pendingBytes());
  for (int run = 0; run < 2 && d.queue.pendingBytes() > 0; ++run) {
    const auto [to, room] = f.ring.writeRun();
    const std::size_t moved = d.queue.play(to, room);
    f.ring.commit(moved);
    if (moved == 0) break;
  }
  // Played sound is done; a monitor's sound is done once it is on its way.
  d.queue.playedUpTo(d.monitor ? std::numeric_limits<std::uint64_t>::max() : f.played.load(std::memory_order_acquire));
  // Gaps count only in sound being played: a monitor's are heard, never
  // recorded, and before the first wait nothing is being played yet.
  const std::uint32_t gaps = f.underruns.load(std::memory_order_relaxed);
  if (d.playing) playbackGaps_ += gaps - d.gapsSeen;
  d.gapsSeen = gaps;
}

bool StreamWaveBackend::armWake(WaveHandle handle) {
  Device* d = find(handle);
  if (!d || !d->running || d->feed->wakeFd < 0) return false;
  catchUp(*d);
  DeviceFeed& f = *d->feed;
  const bool input = d->direction == WaveDirection::Input;
  // Capture: what has left the ring so far, and what the first header lacks.
  // A monitor's sound is done once it is on its way: nothing to wait for.
  std::uint64_t at = 0;
  if (input) {
    // The ring first: what it holds was all captured, so the difference
    // never goes below zero.
    const std::uint64_t held = f.ring.readable();
    const std::uint64_t left = f.captured.load(std::memory_order_acquire) - held;
    at = d->queue.firstLacks() == 0 ? 0 : left + d->queue.firstLacks();
  } else if (!d->monitor) {
    at = d->queue.firstEnd();
  }
  if (at == 0) return false;
  f.wakeAt.store(at, std::memory_order_release);
  // Sound that came before the request would wake nobody.
  f.wakeIfDue(input ? f.captured.load(std::memory_order_acquire) : f.played.load(std::memory_order_acquire));
  return true;
}

SoundLoss StreamWaveBackend::soundLoss() const {
  SoundLoss loss{closedOverruns_, playbackGaps_};
  for (const auto& [handle, d] : devices_) loss.overruns += d->feed->overruns.load(std::memory_order_relaxed);
  return loss;
}

std::uint64_t StreamWaveBackend::activity(WaveHandle handle) const {
  const auto it = devices_.find(handle);
  return it == devices_.end() ? 0 : it->second->feed->activity.load(std::memory_order_acquire);
}

void StreamWaveBackend::closeAll() {
  // The headers are not handed back: their owner may be gone already.
  for (auto& [handle, d] : devices_) {
    stop(*d);
    closeStream(*d);
  }
  devices_.clear();
}

}  // namespace quorvane
