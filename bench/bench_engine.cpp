// What a recording costs: one pass of the per-buffer chain at the largest
// buffers (44100 Hz stereo, filter and VOX on), and a whole simulated hour of
// such a recording in virtual time, file writing included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/TVOXForm.h"
#include "audio/SimWaveBackend.h"
#include "platform/SimHost.h"

using namespace quorvane;

namespace {

// A form at 44100 Hz stereo with the filter and the VOX gate on.
struct BusyForm {
  BusyForm() {
    form.FormCreate();
    form.FormShow();
    form.Stereo2Click();
    form.N44100Hz1Click();
    form.FilterCheckBox.click();
    form.VoxCheckBox.click();
  }
  SimHost host;
  SimWaveBackend audio{host};
  TVOXForm form{host, audio};
};

void BM_BufferChain44100Stereo(benchmark::State& state) {
  BusyForm f;
  TVOXForm& form = f.form;
  const int n = form.InputBufferBytes / 2;
  std::uint8_t* buffer = form.InputBufferA.get();
  for (int i = 0; i < n; ++i) {
    const auto v = static_cast<std::int16_t>(8000 * std::sin(0.05 * i) + (i * 7919 % 2001) - 1000);
    buffer[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
    buffer[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  }
  float dc = 0;
  std::int32_t count = 0;
  for (auto _ : state) {
    // Unpack, DC, gain, filter, gate, display, pack: what every pass does.
    form.steps.UnpackBuffer(buffer, n);
    form.recorder.ProcessWorkSamples(n, ++count, dc);
    form.steps.PackBuffer(form.OutputBufferA.get(), n);
    benchmark::DoNotOptimize(form.OutputBufferA[0]);
  }
  // One buffer lasts 1024 / 11025 s, 92.9 ms, at every rate.
}
BENCHMARK(BM_BufferChain44100Stereo)->Unit(benchmark::kMicrosecond);

void BM_SimulatedHourOfRecording(benchmark::State& state) {
  for (auto _ : state) {
    BusyForm f;
    f.audio.setSource(0, SimSoundSource::tone(440, 9000));
    const std::string path = "/tmp/quorvane-bench-hour.wav";
    f.host.queueFileChoice(path);
    f.host.after(3600 * 1000, [&] { f.form.StopBtn.click(); });
    f.form.RecordBtn.click();
    state.counters["recorded_MB"] = static_cast<double>(f.form.OutputDataBytes) / 1e6;
    std::remove(path.c_str());
  }
}
BENCHMARK(BM_SimulatedHourOfRecording)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
