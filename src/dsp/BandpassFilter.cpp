#include "dsp/BandpassFilter.h"

#include <cmath>
#include <limits>

#include "dsp/RealFft.h"
#include "dsp/SimdClones.h"
#include "files/SampleRates.h"

namespace quorvane {
namespace {

using Taps = std::array<float, BandpassFilter::kTaps>;

constexpr int kHalf = BandpassFilter::kOrder / 2;
constexpr double kHalfFloat = BandpassFilter::kOrder * 0.5;

// The filter has always used these rounded multiples of pi rather than full
// precision ones; keeping them keeps every design identical to earlier releases.
constexpr double kTwoPi = 6.28318;
constexpr double kFourPi = 12.56636;
constexpr double kSixPi = 18.84954;

// Four-term cosine window: 1.0 at the centre tap, -0.002784 at both ends.
double Window(int i) {
  const double x = static_cast<double>(i) / BandpassFilter::kOrder;
  return 0.4042113 - 0.4995527 * std::cos(kTwoPi * x) + 0.0943967 * std::cos(kFourPi * x) -
         0.0018393 * std::cos(kSixPi * x);
}

// Windowed-sinc low-pass at cutoff fc (fraction of the sample rate), normalised to
// unit gain at DC. Every intermediate is stored in single precision, and the sum is
// accumulated in single precision, as designs always have been.
void DesignLowPass(float fc, Taps& taps) {
  for (int i = 0; i <= BandpassFilter::kOrder; ++i) {
    const double x = i - kHalfFloat;
    taps[i] = static_cast<float>(i == kHalf ? kTwoPi * fc : std::sin(kTwoPi * fc * x) / x);
  }
  for (int i = 0; i <= BandpassFilter::kOrder; ++i) taps[i] = static_cast<float>(taps[i] * Window(i));

  float sum = 0.0f;
  for (float v : taps) sum += v;
  // A cutoff of 0 passes nothing: every tap is zero and so is the sum. Leave the
  // zeros rather than divide 0 by 0, which would fill the whole filter with NaN.
  if (sum == 0.0f) return;
  for (float& v : taps) v = static_cast<float>(static_cast<double>(v) / sum);
}

// Negates every tap and adds a unit impulse at the centre: turns a low-pass into
// the complementary high-pass, and a band-reject into a band-pass.
template <typename Array>
void SpectralInversion(Array& taps) {
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i) taps[i] = -taps[i];
  taps[kHalf] += 1.0f;
}

// Float to integer toward zero. Real audio never leaves the 32-bit range, but the
// conversion of an out-of-range float is undefined, so make that case saturate
// (NaN gives 0). Selects rather than branches, so that the loops vectorise.
std::int32_t TruncateToInt(float v) {
  constexpr float kLimit = 2147483648.0f;  // 2^31
  const float inRange = v >= -kLimit && v < kLimit ? v : 0.0f;
  std::int32_t r = static_cast<std::int32_t>(inRange);
  r = v >= kLimit ? std::numeric_limits<std::int32_t>::max() : r;
  return v < -kLimit ? std::numeric_limits<std::int32_t>::min() : r;
}

// One block of one channel to floats: every sample (mono) or every other one
// (a channel of a stereo buffer). The upper half of `input` stays zero.
QUORVANE_SIMD_CLONES void LoadBlock(const std::int32_t* __restrict samples, std::size_t channels,
                                    float* __restrict input) {
  constexpr std::size_t n = BandpassFilter::kBlockSize;
  if (channels == 2) {
    for (std::size_t i = 0; i < n; ++i) input[i] = static_cast<float>(samples[2 * i]);
  } else {
    for (std::size_t i = 0; i < n; ++i) input[i] = static_cast<float>(samples[i]);
  }
}

// The block's spectrum times the filter's, in place. Bin 0 holds two real terms,
// DC/2 and Nyquist/2, each multiplied on its own: (X/2)(H/2) * 2 = XH/2. As a
// complex product it would mix them and halve DC, which a band from 0 Hz passes.
QUORVANE_SIMD_CLONES void MultiplySpectra(float* __restrict re, float* __restrict im, const float* __restrict hr,
                                          const float* __restrict hi) {
  const float dc = 2.0f * re[0] * hr[0];
  const float nyquist = 2.0f * im[0] * hi[0];
  for (std::size_t k = 1; k < BandpassFilter::kBins; ++k) {
    const float xr = re[k], xi = im[k];
    re[k] = xr * hr[k] - xi * hi[k];
    im[k] = xi * hr[k] + xr * hi[k];
  }
  re[0] = dc;
  im[0] = nyquist;
}

// Overlap-add for every channel of one block: the first half of each channel's
// convolution plus its tail is the output, the second half the next tail. Mono
// and stereo are separate loops, so each writes whole runs of samples.
QUORVANE_SIMD_CLONES void StoreBlock(const float* __restrict outA, const float* __restrict outB,
                                     float* __restrict tailA, float* __restrict tailB, std::size_t channels,
                                     std::int32_t* __restrict samples) {
  constexpr std::size_t n = BandpassFilter::kBlockSize;
  if (channels == 2) {
    for (std::size_t i = 0; i < n; ++i) {
      samples[2 * i] = TruncateToInt(outA[i] + tailA[i]);
      samples[2 * i + 1] = TruncateToInt(outB[i] + tailB[i]);
      tailA[i] = outA[n + i];
      tailB[i] = outB[n + i];
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      samples[i] = TruncateToInt(outA[i] + tailA[i]);
      tailA[i] = outA[n + i];
    }
  }
}

}  // namespace

void BandpassFilter::DesignBandpassFilter() {
  Taps lowPass;
  Taps highPass;
  DesignLowPass(LowCutoff, lowPass);
  DesignLowPass(HighCutoff, highPass);
  SpectralInversion(highPass);

  for (std::size_t i = 0; i < kTaps; ++i) FilterKernel[i] = lowPass[i] + highPass[i];  // band-reject
  SpectralInversion(FilterKernel);

  RealFft(FilterKernel, FilterResponseRe, FilterResponseIm);
}

void BandpassFilter::DesignDefaultBand() {
  LowCutoff = kDefaultLowCutoff;
  HighCutoff = kDefaultHighCutoff;
  DesignBandpassFilter();
}

// The overlap-add below works in whole blocks.
static_assert([] {
  for (const SupportedRate& r : kSupportedRates)
    if (r.samplesPerBuffer % BandpassFilter::kBlockSize != 0) return false;
  return true;
}());

std::size_t BandpassFilter::SamplesPerChannel(std::int32_t sampleRate) {
  const std::uint32_t n = sampleRate > 0 ? samplesPerBufferAt(static_cast<std::uint32_t>(sampleRate)) : 0;
  return n != 0 ? n : kBlockSize;
}

// Overlap-add: a 1024-sample block convolved with the 1025-tap kernel is exactly
// 2048 values long, so the 2048-point circular product holds it without wrap-around.
// Each block's output goes back to the samples it came from, which no later block
// reads, so the work is done in place. Channels are independent: each has its own
// tail, and a stereo block is filtered channel by channel and written back at once.
void BandpassFilter::BlockFilter(std::int32_t* samples, std::int32_t channels, std::int32_t sampleRate) {
  if (samples == nullptr) return;
  const std::size_t count = SamplesPerChannel(sampleRate);
  const std::size_t stride = channels == 2 ? 2 : 1;
  for (std::size_t start = 0; start < count; start += kBlockSize) {
    std::int32_t* block = samples + start * stride;
    for (std::size_t c = 0; c < stride; ++c) {
      LoadBlock(block + c, stride, blockInput_.data());
      RealFft(blockInput_, blockRe_, blockIm_);
      MultiplySpectra(blockRe_.data(), blockIm_.data(), FilterResponseRe.data(), FilterResponseIm.data());
      InverseRealFft(blockRe_, blockIm_, blockOutput_[c]);
    }
    StoreBlock(blockOutput_[0].data(), blockOutput_[1].data(), OverlapTailA.data(), OverlapTailB.data(), stride,
               block);
  }
}

}  // namespace quorvane
