#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/BandpassFilter.h"
#include "files/SampleRates.h"

namespace quorvane {
namespace {

using Channels = std::vector<std::vector<std::int32_t>>;

// A filter designed for the edges; given one, it is redesigned with its tails kept.
BandpassFilter Designed(float low, float high, BandpassFilter f = {}) {
  f.LowCutoff = low;
  f.HighCutoff = high;
  f.DesignBandpassFilter();
  return f;
}

// The design worked out again in double precision, with pi in full: the high
// edge's windowed-sinc low-pass less the low edge's, each of unit gain at DC
// (four-term cosine window; a cut-off of 0 passes nothing, with no division by
// its zero sum). The program's single-precision design stays within 1e-6 of it.
std::vector<double> ReferenceKernel(double low, double high) {
  std::vector<double> k(BandpassFilter::kTaps);
  for (auto [fc, sign] : {std::pair{high, 1.0}, {low, -1.0}}) {
    std::vector<double> lowPass(k.size());
    double sum = 0;
    for (std::size_t i = 0; i < k.size(); ++i) {
      const double x = double(i) - 512, a = 2 * std::numbers::pi * double(i) / 1024;
      const double window =
          0.4042113 - 0.4995527 * std::cos(a) + 0.0943967 * std::cos(2 * a) - 0.0018393 * std::cos(3 * a);
      sum += lowPass[i] = window * (x == 0 ? 2 * std::numbers::pi * fc : std::sin(2 * std::numbers::pi * fc * x) / x);
    }
    for (std::size_t i = 0; i < k.size(); ++i) k[i] += sum == 0 ? 0 : sign * lowPass[i] / sum;
  }
  return k;
}

// The kernel's response at a frequency given as a fraction of the rate, in double precision.
double Gain(const BandpassFilter& f, double fraction) {
  std::complex<double> sum;
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i)
    sum += double(f.Kernel()[i]) * std::polar(1.0, -2 * std::numbers::pi * fraction * double(i));
  return std::abs(sum);
}

// Equal edges pass nothing, a low edge of 0 gives a low-pass; the window's
// design at creation is 300 to 2400 Hz at 11025 Hz whatever the edges were.
TEST(BandpassDesign, IsTheWindowedSincBandPassForEveryEdgePair) {
  auto expectDesign = [](const BandpassFilter& f, double low, double high) {
    const auto want = ReferenceKernel(low, high);
    for (std::size_t i = 0; i < want.size(); ++i) ASSERT_NEAR(f.Kernel()[i], want[i], 1e-6) << low << "-" << high;
    // What the design is for, which a formula copied wrong into both would miss: half gain at each
    // edge, flat in the middle of the band, stopped 1 % of the rate outside it.
    if (low == high) return;
    for (const double edge : {low, high})  // a band from 0 Hz passes DC whole
      EXPECT_NEAR(Gain(f, edge), edge > 0 ? 0.5 : 1.0, 0.003) << edge;
    EXPECT_NEAR(Gain(f, (low + high) / 2), 1.0, 2e-4);
    for (const double outside : {low - 0.01, high + 0.01}) {
      if (outside < 0 || outside > 0.5) continue;
      EXPECT_NEAR(Gain(f, outside), 0.0, 2e-4) << outside;
    }
  };
  for (auto [low, high] : {std::pair{1000.0f / 11025, 1500.0f / 11025}, {0.0f, 2400.0f / 11025},
                           {300.0f / 48000, 0.45f}, {1000.0f / 11025, 1000.0f / 11025}})
    expectDesign(Designed(low, high), low, high);
  BandpassFilter f = Designed(0.1f, 0.2f);
  f.DesignDefaultBand();
  expectDesign(f, 300.0 / 11025, 2400.0 / 11025);
}

// The filter truncates toward zero: its output must be trunc(v) for some v within
// float rounding (0.02 sample units for signals up to +-20000) of the exact value.
void ExpectTruncationOf(double exact, std::int32_t got, std::size_t t) {
  ASSERT_GE(got, std::trunc(exact - 0.02)) << "t=" << t << " exact=" << exact;
  ASSERT_LE(got, std::trunc(exact + 0.02)) << "t=" << t << " exact=" << exact;
}

// Linear convolution of the whole signal with the kernel, in double precision.
std::vector<double> Convolve(const std::vector<std::int32_t>& x, const BandpassFilter& f) {
  std::vector<double> y(x.size());
  for (std::size_t t = 0; t < x.size(); ++t)
    for (std::size_t i = 0; i < BandpassFilter::kTaps && i <= t; ++i) y[t] += double(f.Kernel()[i]) * x[t - i];
  return y;
}

std::vector<std::int32_t> Noise(std::size_t n, unsigned seed, std::int32_t dc = 0) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> d(-20000, 20000);
  std::vector<std::int32_t> x(n);
  for (auto& v : x) v = d(rng) + dc;
  return x;
}

// Runs the channels, interleaved, through consecutive buffers of the program's
// length at the rate; returns each channel's output. Nothing past a buffer is written.
Channels FilterBuffers(BandpassFilter& f, const Channels& in, std::int32_t rate = 11025) {
  const std::size_t channels = in.size(), perBuffer = samplesPerBufferAt(static_cast<std::uint32_t>(rate));
  Channels out(channels);
  constexpr std::int32_t kGuard = 0x5A5A5A5A;
  for (std::size_t start = 0; start < in[0].size(); start += perBuffer) {
    std::vector<std::int32_t> work(perBuffer * channels + 8, kGuard);
    for (std::size_t i = 0; i < perBuffer * channels; ++i) work[i] = in[i % channels][start + i / channels];
    f.BlockFilter(work.data(), std::int32_t(channels), rate);
    for (std::size_t i = 0; i < perBuffer * channels; ++i) out[i % channels].push_back(work[i]);
    for (std::size_t i = perBuffer * channels; i < work.size(); ++i) EXPECT_EQ(work[i], kGuard) << "past the buffer";
  }
  return out;
}

// Band edges as fractions of the rate; 0 and 0.5 pass DC and Nyquist, which share
// the first bin of the packed spectra. Each channel gets its own noise, so a
// swapped or shared channel shows.
TEST(BlockFilter, EqualsLinearConvolutionAcrossBuffersAtEveryRateAndBand) {
  struct Case {
    std::int32_t rate;
    int channels;
    float low = BandpassFilter::kDefaultLowCutoff, high = BandpassFilter::kDefaultHighCutoff;
  };
  const Case cases[] = {{11025, 1}, {22050, 1}, {44100, 1}, {11025, 2}, {22050, 2}, {44100, 2}, {8000, 1}, {16000, 2},
                        {32000, 1}, {48000, 2}, {11025, 1, 0.0f, 2400.0f / 11025}, {22050, 2, 300.0f / 22050, 0.5f}};
  for (const auto& [rate, channels, low, high] : cases) {
    SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channels, " << low << " to " << high);
    BandpassFilter f = Designed(low, high);
    Channels in;
    for (int c = 0; c < channels; ++c) in.push_back(Noise(3 * samplesPerBufferAt(std::uint32_t(rate)), 10 + c, 4000));
    const auto out = FilterBuffers(f, in, rate);
    for (int c = 0; c < channels; ++c) {
      const auto want = Convolve(in[c], f);
      for (std::size_t t = 0; t < want.size(); ++t) ExpectTruncationOf(want[t], out[c][t], t);
    }
  }
}

// The tails survive a change of channel mode (channel A's goes to the next mono
// buffer, channel B's waits for the next stereo one), and a redesign applies from
// the next block while the tail computed with the old kernel is still added.
TEST(BlockFilter, TailsCarryOverChannelModesAndRedesigns) {
  BandpassFilter f = Designed(BandpassFilter::kDefaultLowCutoff, BandpassFilter::kDefaultHighCutoff);
  std::vector<std::int32_t> left(1024, 0), right(1024, 0), silence(1024, 0);
  left[1000] = 10000;
  right[600] = -5000;
  FilterBuffers(f, {left, right});
  const auto mono = FilterBuffers(f, {silence});
  const auto stereo = FilterBuffers(f, {silence, silence});
  for (std::size_t t = 0; t < 1024; ++t) {
    ExpectTruncationOf(t <= 1000 ? 10000.0 * f.Kernel()[t + 24] : 0.0, mono[0][t], t);
    ASSERT_EQ(stereo[0][t], 0) << t;
    ExpectTruncationOf(t <= 600 ? -5000.0 * f.Kernel()[t + 424] : 0.0, stereo[1][t], t);
  }

  const BandpassFilter before = f, after = Designed(1000.0f / 11025, 1500.0f / 11025);
  const auto x1 = Noise(1024, 20), x2 = Noise(1024, 21);
  FilterBuffers(f, {x1});
  f = Designed(after.LowCutoff, after.HighCutoff, f);
  const auto out = FilterBuffers(f, {x2});
  auto x1ThenSilence = x1;
  x1ThenSilence.resize(2048, 0);
  const auto tail = Convolve(x1ThenSilence, before), fresh = Convolve(x2, after);
  for (std::size_t t = 0; t < 1024; ++t) ExpectTruncationOf(tail[1024 + t] + fresh[t], out[0][t], t);
}

}  // namespace
}  // namespace quorvane
