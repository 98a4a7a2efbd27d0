#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/BandpassFilter.h"
#include "dsp/RealFft.h"

namespace {

constexpr int kSize = 2048;

// The fastest of the repetitions: on a shared machine the others measure the
// neighbours as well. bench/run.sh compares these.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

std::vector<float> Noise(std::size_t n) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<float> x(n);
  for (auto& v : x) v = d(rng);
  return x;
}

// Forward and inverse 2048-point real transform, as each filtered block needs.
void BM_RealFftRoundTrip(benchmark::State& state) {
  const auto x = Noise(kSize);
  std::vector<float> re(kSize / 2), im(kSize / 2), y(kSize);
  for (auto _ : state) {
    quorvane::RealFft(x, re, im);
    quorvane::InverseRealFft(re, im, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RealFftRoundTrip)->ComputeStatistics("min", Fastest);

// The same round trip with FFTW (r2c then c2r, plans made once).
void BM_FftwRoundTrip(benchmark::State& state) {
  float* in = fftwf_alloc_real(kSize);
  float* out = fftwf_alloc_real(kSize);
  fftwf_complex* spectrum = fftwf_alloc_complex(kSize / 2 + 1);
  fftwf_plan forward = fftwf_plan_dft_r2c_1d(kSize, in, spectrum, FFTW_MEASURE);
  fftwf_plan inverse = fftwf_plan_dft_c2r_1d(kSize, spectrum, out, FFTW_MEASURE);
  const auto x = Noise(kSize);
  std::copy(x.begin(), x.end(), in);
  for (auto _ : state) {
    fftwf_execute(forward);
    fftwf_execute(inverse);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(forward);
  fftwf_destroy_plan(inverse);
  fftwf_free(spectrum);
  fftwf_free(out);
  fftwf_free(in);
}
BENCHMARK(BM_FftwRoundTrip)->ComputeStatistics("min", Fastest);

// One 44100 Hz stereo buffer (4096 samples per channel, 8192 interleaved),
// filtered again and again in place as the program filters its work buffer: the
// band stays, the rest dies away, no value leaves the 16-bit range.
void BM_BlockFilterStereo44100(benchmark::State& state) {
  quorvane::BandpassFilter filter;
  filter.DesignDefaultBand();
  std::mt19937 rng(9);
  std::uniform_int_distribution<std::int32_t> d(-20000, 20000);
  std::vector<std::int32_t> work(8192);
  for (auto& v : work) v = d(rng);
  for (auto _ : state) {
    filter.BlockFilter(work.data(), 2, 44100);
    benchmark::DoNotOptimize(work.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlockFilterStereo44100)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

}  // namespace

BENCHMARK_MAIN();
