// What writing a recording costs: one 44100 Hz stereo buffer (4096 frames,
// 92.9 ms of sound) through each output writer onto a real file. The
// "core_percent" counter is the share of one core the writer takes while
// recording in real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

#include "files/SoundFileWriter.h"

using namespace quorvane;

namespace {

void Write(benchmark::State& state, SoundFileKind kind, const char* name) {
  const WaveFormatEx format{2, 44100, 176400, 4, 16};
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  auto file = openStdioFile(path, FileMode::CreateBinary);
  auto writer = SoundFileWriter::create(kind, *file, format);
  if (!writer->begin()) state.SkipWithError("cannot start the file");
  // Speech-like sound: two tones and a little noise, so the encoders have work.
  std::vector<std::uint8_t> buffer(4096 * 4);
  std::uint32_t noise = 1;
  std::uint64_t frame = 0, bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < 4096; ++i, ++frame) {
      noise = noise * 1664525u + 1013904223u;
      const double t = static_cast<double>(frame) / 44100;
      const auto v = static_cast<std::int16_t>(6000 * std::sin(2 * std::numbers::pi * 440 * t) +
                                               3000 * std::sin(2 * std::numbers::pi * 1700 * t) +
                                               static_cast<double>(static_cast<std::int32_t>(noise >> 20) - 2048));
      for (int c = 0; c < 2; ++c) {
        buffer[4 * i + 2 * c] = static_cast<std::uint8_t>(v);
        buffer[4 * i + 2 * c + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
      }
    }
    state.ResumeTiming();
    if (writer->write(buffer.data(), buffer.size()) != buffer.size()) state.SkipWithError("write failed");
    bytes += buffer.size();
    if (frame % 44100 < 4096) writer->checkpoint(bytes);  // once a second, as the engine does
  }
  writer->complete(bytes);
  file->close();
  const double secondsOfSound = static_cast<double>(state.iterations()) * 4096 / 44100;
  // CPU seconds per second of sound, in percent of one core.
  state.counters["core_percent"] =
      benchmark::Counter(secondsOfSound / 100, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["MB_per_hour"] = static_cast<double>(std::filesystem::file_size(path)) / secondsOfSound * 3600 / 1e6;
  std::filesystem::remove(path);
}

void BM_WriteWav(benchmark::State& s) { Write(s, SoundFileKind::Wav, "quorvane-bench.wav"); }
void BM_WriteFlac(benchmark::State& s) { Write(s, SoundFileKind::Flac, "quorvane-bench.flac"); }
void BM_WriteOpus(benchmark::State& s) { Write(s, SoundFileKind::Opus, "quorvane-bench.opus"); }

}  // namespace

BENCHMARK(BM_WriteWav)->Unit(benchmark::kMicrosecond)->MinTime(3);
BENCHMARK(BM_WriteFlac)->Unit(benchmark::kMicrosecond)->MinTime(3);
BENCHMARK(BM_WriteOpus)->Unit(benchmark::kMicrosecond)->MinTime(3);
