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

BandpassFilter Designed(float low, float high) {
  BandpassFilter f;
  f.LowCutoff = low;
  f.HighCutoff = high;
  f.DesignBandpassFilter();
  return f;
}

// The kernel's response at a frequency given as a fraction of the rate, in double precision.
double Gain(const BandpassFilter& f, double fraction) {
  std::complex<double> sum;
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i)
    sum += double(f.Kernel()[i]) * std::polar(1.0, -2 * std::numbers::pi * fraction * double(i));
  return std::abs(sum);
}

// Over the whole spectrum: half gain at each edge, flat inside, stopped outside;
// 0.5% of the rate (55 Hz at 11025) either side of an edge is the transition.
// Equal edges pass nothing; a low edge of 0 gives a low-pass instead of a
// division by a zero sum.
TEST(BandpassDesign, PassesTheBandAndStopsTheRestAtEveryEdgePair) {
  const std::pair<double, double> bands[] = {{300.0 / 11025, 2400.0 / 11025}, {1000.0 / 11025, 1500.0 / 11025},
                                             {0.0, 2400.0 / 11025},           {300.0 / 48000, 0.45},
                                             {1000.0 / 11025, 1000.0 / 11025}};
  for (auto [low, high] : bands) {
    SCOPED_TRACE(std::to_string(low) + "-" + std::to_string(high));
    const BandpassFilter f = Designed(float(low), float(high));
    const auto k = f.Kernel();
    for (std::size_t i = 0; i < k.size(); ++i) {
      ASSERT_TRUE(std::isfinite(k[i])) << i;
      ASSERT_NEAR(k[i], k[k.size() - 1 - i], 2e-6) << i;
    }
    if (low == high) {
      for (float v : k) ASSERT_LE(std::abs(v), 1.2e-7f);
      continue;
    }
    for (double edge : {low, high}) {
      if (edge > 0) {  // a band from 0 Hz has no lower edge
        EXPECT_NEAR(Gain(f, edge), 0.5, 0.003) << edge;
      }
    }
    for (double x = 0; x <= 0.5; x += 0.0005) {
      const double fromEdge = std::min(std::abs(x - low), std::abs(x - high));
      if (fromEdge < 0.005 && !(low == 0 && x < high - 0.005)) continue;
      const double far = fromEdge > 0.01 ? 0.5 : 1.0;  // the ripple dies away from the edges
      const double g = Gain(f, x);
      ASSERT_NEAR(g, x >= low && x < high ? 1.0 : 0.0, 2e-4 * far) << x;
    }
  }
}

TEST(BandpassDesign, TheDefaultBandKeepsItsTransitionShape) {
  BandpassFilter f;
  f.DesignDefaultBand();
  EXPECT_NEAR(f.Kernel()[512], 0.381, 0.001);
  for (auto [hz, gain, tolerance] : {std::tuple{320.0, 0.977, 0.002}, {2380.0, 0.977, 0.002}, {280.0, 0.023, 0.002},
                                     {2420.0, 0.023, 0.002}, {350.0, 0.99995, 2e-5}, {2350.0, 0.99995, 2e-5}})
    EXPECT_NEAR(Gain(f, hz / 11025), gain, tolerance) << hz;
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
struct Case {
  std::int32_t rate;
  int channels;
  float low = BandpassFilter::kDefaultLowCutoff, high = BandpassFilter::kDefaultHighCutoff;
};
class BlockFilterConvolution : public testing::TestWithParam<Case> {};

TEST_P(BlockFilterConvolution, EqualsLinearConvolutionAcrossBuffers) {
  const auto [rate, channels, low, high] = GetParam();
  BandpassFilter f = Designed(low, high);
  Channels in;
  for (int c = 0; c < channels; ++c) in.push_back(Noise(3 * samplesPerBufferAt(std::uint32_t(rate)), 10 + c, 4000));
  const auto out = FilterBuffers(f, in, rate);
  for (int c = 0; c < channels; ++c) {
    SCOPED_TRACE(c);
    const auto want = Convolve(in[c], f);
    for (std::size_t t = 0; t < want.size(); ++t) ExpectTruncationOf(want[t], out[c][t], t);
  }
}

INSTANTIATE_TEST_SUITE_P(RatesChannelsAndBands, BlockFilterConvolution,
                         testing::Values(Case{11025, 1}, Case{22050, 1}, Case{44100, 1}, Case{11025, 2},
                                         Case{22050, 2}, Case{44100, 2}, Case{8000, 1}, Case{16000, 2},
                                         Case{32000, 1}, Case{48000, 2}, Case{11025, 1, 0.0f, 2400.0f / 11025},
                                         Case{22050, 2, 300.0f / 22050, 0.5f}));

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
  f.LowCutoff = after.LowCutoff;
  f.HighCutoff = after.HighCutoff;
  f.DesignBandpassFilter();
  const auto out = FilterBuffers(f, {x2});
  auto x1ThenSilence = x1, silenceThenX2 = silence;
  x1ThenSilence.resize(2048, 0);
  silenceThenX2.insert(silenceThenX2.end(), x2.begin(), x2.end());
  const auto tail = Convolve(x1ThenSilence, before), fresh = Convolve(silenceThenX2, after);
  for (std::size_t t = 0; t < 1024; ++t) ExpectTruncationOf(tail[1024 + t] + fresh[1024 + t], out[0][t], t);
}

}  // namespace
}  // namespace quorvane
