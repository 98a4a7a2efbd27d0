#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/BandpassFilter.h"
#include "files/SampleRates.h"

namespace quorvane {
namespace {

// Float rounding in the transforms, in sample units, for signals up to +-20000.
constexpr double kTolerance = 0.02;

// The filter truncates toward zero, so its output must equal trunc(v) for some v
// within kTolerance of the exact value.
void ExpectTruncationOf(double exact, std::int32_t got, const char* what, std::size_t t) {
  EXPECT_GE(got, std::trunc(exact - kTolerance)) << what << " t=" << t << " exact=" << exact;
  EXPECT_LE(got, std::trunc(exact + kTolerance)) << what << " t=" << t << " exact=" << exact;
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

// Buffer lengths per channel: the program's, at every rate.
std::size_t BufferLength(std::int32_t rate) { return samplesPerBufferAt(static_cast<std::uint32_t>(rate)); }

// Runs one channel layout through consecutive buffers; returns each channel's output.
std::vector<std::vector<std::int32_t>> FilterBuffers(BandpassFilter& f,
                                                     const std::vector<std::vector<std::int32_t>>& in,
                                                     std::int32_t rate) {
  const std::size_t channels = in.size(), perBuffer = BufferLength(rate);
  std::vector<std::vector<std::int32_t>> out(channels);
  constexpr std::int32_t kGuard = 0x5A5A5A5A;
  for (std::size_t start = 0; start < in[0].size(); start += perBuffer) {
    std::vector<std::int32_t> work(perBuffer * channels + 8, kGuard);
    for (std::size_t i = 0; i < perBuffer; ++i)
      for (std::size_t c = 0; c < channels; ++c) work[i * channels + c] = in[c][start + i];
    f.BlockFilter(work.data(), std::int32_t(channels), rate);
    for (std::size_t i = 0; i < perBuffer; ++i)
      for (std::size_t c = 0; c < channels; ++c) out[c].push_back(work[i * channels + c]);
    for (std::size_t i = perBuffer * channels; i < work.size(); ++i)
      EXPECT_EQ(work[i], kGuard) << "wrote past the buffer";
  }
  return out;
}

// Band edges as fractions of the rate; 0 and 0.5 pass DC and Nyquist, which share
// the first bin of the packed spectra.
struct Case {
  std::int32_t rate;
  int channels;
  float low = BandpassFilter::kDefaultLowCutoff, high = BandpassFilter::kDefaultHighCutoff;
};
class BlockFilterConvolution : public testing::TestWithParam<Case> {};

TEST_P(BlockFilterConvolution, EqualsLinearConvolutionAcrossBuffers) {
  const auto [rate, channels, low, high] = GetParam();
  BandpassFilter f;
  f.LowCutoff = low;
  f.HighCutoff = high;
  f.DesignBandpassFilter();
  std::vector<std::vector<std::int32_t>> in;
  for (int c = 0; c < channels; ++c) in.push_back(Noise(3 * BufferLength(rate), 10 + c, 4000));
  const auto out = FilterBuffers(f, in, rate);
  for (int c = 0; c < channels; ++c) {
    const auto want = Convolve(in[c], f);
    for (std::size_t t = 0; t < want.size(); ++t) ExpectTruncationOf(want[t], out[c][t], c ? "right" : "left", t);
  }
}

INSTANTIATE_TEST_SUITE_P(RatesChannelsAndBands, BlockFilterConvolution,
                         testing::Values(Case{11025, 1}, Case{22050, 1}, Case{44100, 1}, Case{11025, 2},
                                         Case{22050, 2}, Case{44100, 2}, Case{8000, 1}, Case{16000, 2},
                                         Case{32000, 1}, Case{48000, 2}, Case{11025, 1, 0.0f, 2400.0f / 11025},
                                         Case{22050, 2, 300.0f / 22050, 0.5f}));

TEST(BlockFilter, ImpulseGivesTheKernelDelayedAndLeavesTheOtherChannelSilent) {
  BandpassFilter f;
  f.DesignDefaultBand();
  std::vector<std::int32_t> left(2048, 0), right(2048, 0);
  left[0] = 10000;
  const auto out = FilterBuffers(f, {left, right}, 11025);
  for (std::size_t t = 0; t < 2048; ++t) {
    ExpectTruncationOf(t < BandpassFilter::kTaps ? 10000.0 * f.Kernel()[t] : 0.0, out[0][t], "left", t);
    ASSERT_EQ(out[1][t], 0) << t;
  }
  EXPECT_EQ(std::max_element(out[0].begin(), out[0].end()) - out[0].begin(), 512);
}

TEST(BlockFilter, ConstantInputDiesAfterTheFirstBlock) {
  BandpassFilter f;
  f.DesignDefaultBand();
  const auto out = FilterBuffers(f, {std::vector<std::int32_t>(4096, 10000)}, 22050);
  double partial = 0;
  for (std::size_t t = 0; t < 1024; ++t) ExpectTruncationOf(10000.0 * (partial += f.Kernel()[t]), out[0][t], "dc", t);
  for (std::size_t t = 1024; t < out[0].size(); ++t) ASSERT_EQ(out[0][t], 0) << t;
}

// The tails survive a change of channel mode: channel A's tail goes to the next
// mono buffer, channel B's waits for the next stereo one.
TEST(BlockFilter, TailsCarryOverAndAreNeverReset) {
  BandpassFilter f;
  f.DesignDefaultBand();
  std::vector<std::int32_t> left(1024, 0), right(1024, 0), silence(1024, 0);
  left[1000] = 10000;
  right[600] = -5000;
  FilterBuffers(f, {left, right}, 11025);
  const auto mono = FilterBuffers(f, {silence}, 11025);
  const auto stereo = FilterBuffers(f, {silence, silence}, 11025);
  for (std::size_t t = 0; t < 1024; ++t) {
    ExpectTruncationOf(t <= 1000 ? 10000.0 * f.Kernel()[t + 24] : 0.0, mono[0][t], "mono", t);
    ASSERT_EQ(stereo[0][t], 0) << t;
    ExpectTruncationOf(t <= 600 ? -5000.0 * f.Kernel()[t + 424] : 0.0, stereo[1][t], "right", t);
  }
}

// A redesign between buffers applies from the next block, and the tail already
// computed with the old kernel is still added.
TEST(BlockFilter, RedesignTakesEffectAtTheNextBlock) {
  BandpassFilter before, after;
  before.DesignDefaultBand();
  after.LowCutoff = 1000.0f / 11025;
  after.HighCutoff = 1500.0f / 11025;
  after.DesignBandpassFilter();

  BandpassFilter f;
  f.DesignDefaultBand();
  const auto x1 = Noise(1024, 20), x2 = Noise(1024, 21);
  FilterBuffers(f, {x1}, 11025);
  f.LowCutoff = after.LowCutoff;
  f.HighCutoff = after.HighCutoff;
  f.DesignBandpassFilter();
  const auto out = FilterBuffers(f, {x2}, 11025);

  auto x1ThenSilence = x1, silenceThenX2 = std::vector<std::int32_t>(1024, 0);
  x1ThenSilence.resize(2048, 0);
  silenceThenX2.insert(silenceThenX2.end(), x2.begin(), x2.end());
  const auto tail = Convolve(x1ThenSilence, before), fresh = Convolve(silenceThenX2, after);
  for (std::size_t t = 0; t < 1024; ++t) ExpectTruncationOf(tail[1024 + t] + fresh[1024 + t], out[0][t], "redesign", t);
}

}  // namespace
}  // namespace quorvane
