// What the sound devices cost: the PortAudio stream callback for one period
// of 1024 frames (into or out of the device's ring), called directly with
// synthetic buffers, and one polling cycle of a buffer wait on the simulated
// devices.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "audio/SimWaveBackend.h"
#include "platform/SimHost.h"

using namespace quorvane;

namespace {

constexpr unsigned long PeriodFrames = 1024;

// range(0): channels; range(1): 1 = capture, 0 = playback. The ring is kept
// from filling (capture) or running dry (playback) outside the timing, as the
// program's side does between periods.
void BM_StreamCallbackPerPeriod(benchmark::State& state) {
  const auto channels = static_cast<unsigned>(state.range(0));
  const bool capture = state.range(1) != 0;
  const std::size_t bytes = PeriodFrames * 2 * channels;
  DeviceFeed feed(8 * bytes, 2 * channels);
  std::vector<std::int16_t> sound(PeriodFrames * channels);
  for (std::size_t i = 0; i < sound.size(); ++i)
    sound[i] = static_cast<std::int16_t>(12000 * std::sin(0.57 * static_cast<double>(i)));
  std::vector<std::int16_t> out(PeriodFrames * channels);
  const auto* raw = reinterpret_cast<const std::uint8_t*>(sound.data());
  for (auto _ : state) {
    if (!capture) feed.ring.write(raw, bytes);
    PortAudioBackend::streamCallback(capture ? sound.data() : nullptr, capture ? nullptr : out.data(), PeriodFrames,
                                     nullptr, 0, &feed);
    benchmark::DoNotOptimize(out.data());
    if (capture) feed.ring.discard();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_StreamCallbackPerPeriod)->ArgNames({"channels", "capture"})->Args({1, 1})->Args({2, 1})->Args({1, 0})->Args({2, 0});

// One 10 ms cycle of WaitInputBufferA/B on simulated capture at 11025
// samples per second: catching the device up, the done test, the (virtual)
// sleep and the event processing. A buffer takes about ten cycles.
void BM_WaitPollCycle(benchmark::State& state) {
  SimHost host;
  SimWaveBackend audio{host};
  audio.setSource(0, SimSoundSource::tone(1000, 8000));
  TVOXForm form{host, audio};
  WaveDevices& d = form.devices;
  form.StopRequested = 0;
  d.SetupInputHeaders();
  d.OpenInputDevice();
  d.RearmInputHeaderA();
  d.PrepareInputHeaderA();
  d.AddInputBufferA();
  d.StartInputDevice();
  d.RearmInputHeaderB();
  d.PrepareInputHeaderB();
  d.AddInputBufferB();

  std::int64_t cycles = 0;
  bool a = true;
  for (auto _ : state) {
    form.DeviceTimedOut = 0;
    form.TimeoutTimer.setEnabled(false);
    form.TimeoutTimer.setEnabled(true);
    const std::int64_t before = host.nowMs();
    benchmark::DoNotOptimize(a ? d.WaitInputBufferA() : d.WaitInputBufferB());
    cycles += (host.nowMs() - before) / 10;
    if (a) {
      d.UnprepareInputHeaderA();
      d.RearmInputHeaderA();
      d.PrepareInputHeaderA();
      d.AddInputBufferA();
    } else {
      d.UnprepareInputHeaderB();
      d.RearmInputHeaderB();
      d.PrepareInputHeaderB();
      d.AddInputBufferB();
    }
    a = !a;
  }
  state.counters["per_cycle"] =
      benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["cycles_per_buffer"] = static_cast<double>(cycles) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WaitPollCycle);

}  // namespace

BENCHMARK_MAIN();
