#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/BandpassFilter.h"
#include "files/SampleRates.h"

namespace quorvane {
namespace {

using Channels = std::vector<std::vector<std::int32_t>>;

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

BandpassFilter Designed(float low, float high) {
  BandpassFilter f;
  f.LowCutoff = low;
  f.HighCutoff = high;
  f.DesignBandpassFilter();
  return f;
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
