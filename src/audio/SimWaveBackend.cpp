#include "audio/SimWaveBackend.h"

#include <algorithm>

#include "audio/WaveResult.h"

namespace quorvane {

// The clock of one open device: its frames are numbered from the moment it
// was opened, and `frame` is the next one it owes.
struct SimWaveBackend::ClockedDevice : Device {
  std::int64_t openedMs = 0;
  std::uint64_t frame = 0;
};

namespace {
constexpr std::size_t ChunkFrames = 1024;
}

SimWaveBackend::SimWaveBackend(const Host& host)
    : host_(host), scratch_(ChunkFrames * 2) {
  addDevice(WaveDirection::Input, "Simulated Input");
  addDevice(WaveDirection::Output, "Simulated Output");
}

SimWaveBackend::~SimWaveBackend() { closeAll(); }

int SimWaveBackend::addDevice(WaveDirection direction, std::string name) {
  list(direction).push_back(SimDevice{std::move(name), nullptr, SimSoundSource::silence(), SimSoundSink()});
  return static_cast<int>(list(direction).size()) - 1;
}

void SimWaveBackend::removeDevices(WaveDirection direction) {
  list(direction).clear();
}

void SimWaveBackend::setFormatCheck(WaveDirection direction, int device,
                                    std::function<bool(const WaveFormatEx&)> accepts) {
  list(direction).at(static_cast<std::size_t>(device)).accepts = std::move(accepts);
}

void SimWaveBackend::refuseFormats(WaveDirection direction, int device) {
  setFormatCheck(direction, device, [](const WaveFormatEx&) { return false; });
}

void SimWaveBackend::setSource(int inputDevice, SimSoundSource source) {
  inputs_.at(static_cast<std::size_t>(inputDevice)).source = std::move(source);
}

SimSoundSink& SimWaveBackend::sink(int outputDevice) { return outputs_.at(static_cast<std::size_t>(outputDevice)).sink; }

void SimWaveBackend::failCall(WaveDirection direction, WaveCall call, std::uint32_t code, int times) {
  faults_.push_back(Fault{direction, call, code, times});
}

void SimWaveBackend::clearFaults() { faults_.clear(); }

void SimWaveBackend::stall(WaveDirection direction, int device, bool untilReset) {
  // Whatever was due before the stall still arrives.
  update();
  list(direction).at(static_cast<std::size_t>(device)).stall = untilReset ? Stall::UntilReset : Stall::Forever;
}

void SimWaveBackend::resume(WaveDirection direction, int device) {
  update();
  list(direction).at(static_cast<std::size_t>(device)).stall = Stall::None;
}

void SimWaveBackend::loseDevice(WaveDirection direction, int device) {
  update();
  list(direction).at(static_cast<std::size_t>(device)).lost = true;
  // Its open streams end on their own, as when a sound server dies.
  for (const auto& [handle, d] : devices())
    if (d->direction == direction && d->index == device) d->feed->finished();
}

void SimWaveBackend::restoreDevice(WaveDirection direction, int device) {
  list(direction).at(static_cast<std::size_t>(device)).lost = false;
}

std::uint32_t SimWaveBackend::reinitialise() {
  ++reinitialisations_;
  return openCount() == 0 ? WaveNoError : WaveStillPlaying;
}

int SimWaveBackend::calls(WaveDirection direction, WaveCall call) const {
  return calls_[static_cast<std::size_t>(direction)][static_cast<std::size_t>(call)];
}

int SimWaveBackend::deviceCount(WaveDirection direction) { return static_cast<int>(list(direction).size()); }

std::string SimWaveBackend::productName(WaveDirection direction, int device) {
  if (device < 0 || device >= deviceCount(direction)) return {};
  return list(direction)[static_cast<std::size_t>(device)].name;
}

std::unique_ptr<StreamWaveBackend::Device> SimWaveBackend::createDevice() { return std::make_unique<ClockedDevice>(); }

std::uint32_t SimWaveBackend::checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) {
  const SimDevice& d = list(direction)[static_cast<std::size_t>(device)];
  if (d.lost) return WaveNoDriver;
  return !d.accepts || d.accepts(format) ? WaveNoError : WaveBadFormat;
}

std::uint32_t SimWaveBackend::openStream(Device& device) {
  static_cast<ClockedDevice&>(device).openedMs = host_.nowMs();
  return WaveNoError;
}

std::uint64_t SimWaveBackend::framesDue(const ClockedDevice& d) const {
  const std::int64_t elapsed = std::max<std::int64_t>(0, host_.nowMs() - d.openedMs);
  return static_cast<std::uint64_t>(elapsed) * d.format.SampleRate / 1000;
}

std::uint32_t SimWaveBackend::startStream(Device& device) {
  auto& d = static_cast<ClockedDevice&>(device);
  if (list(d.direction).at(static_cast<std::size_t>(d.index)).lost) return WaveNoDriver;
  d.frame = framesDue(d);  // what played before the start was not heard
  return WaveNoError;
}

void SimWaveBackend::stopStream(Device& device) {
  catchUp(device);
  SimDevice& sim = list(device.direction).at(static_cast<std::size_t>(device.index));
  if (sim.stall == Stall::UntilReset) sim.stall = Stall::None;
}

void SimWaveBackend::catchUp(Device& device) {
  auto& d = static_cast<ClockedDevice&>(device);
  if (!d.running) return;
  const std::uint64_t due = framesDue(d);
  if (due <= d.frame) return;
  if (static_cast<std::size_t>(d.index) >= list(d.direction).size()) return;  // device unplugged
  SimDevice& sim = list(d.direction)[static_cast<std::size_t>(d.index)];
  if (sim.stall != Stall::None || d.feed->ended.load()) {
    d.frame = due;  // that time is lost
    return;
  }
  const unsigned channels = d.format.Channels;
  while (d.frame < due) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(ChunkFrames, due - d.frame));
    auto* bytes = reinterpret_cast<std::uint8_t*>(scratch_.data());
    if (d.direction == WaveDirection::Input) {
      sim.source.render(d.frame, channels, d.format.SampleRate, scratch_.data(), n);
      d.feed->capture(bytes, n * channels * 2);
    } else {
      d.feed->play(bytes, n * channels * 2);
      sim.sink.append(scratch_.data(), n * channels);
    }
    d.frame += n;
  }
}

std::uint32_t SimWaveBackend::beforeCall(WaveCall call, WaveDirection direction) {
  ++calls_[static_cast<std::size_t>(direction)][static_cast<std::size_t>(call)];
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->direction != direction || it->call != call) continue;
    const std::uint32_t code = it->code;
    if (it->remaining > 0 && --it->remaining == 0) faults_.erase(it);
    return code;
  }
  return WaveNoError;
}

}  // namespace quorvane
