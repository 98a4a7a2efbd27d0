#include "dsp/BandpassFilter.h"

#include <cmath>
#include <limits>

#include "dsp/RealFft.h"
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
// conversion of an out-of-range float is undefined, so make that case saturate.
std::int32_t TruncateToInt(float v) {
  constexpr float kLimit = 2147483648.0f;  // 2^31
  if (v >= kLimit) return std::numeric_limits<std::int32_t>::max();
  if (v < -kLimit) return std::numeric_limits<std::int32_t>::min();
  if (v != v) return 0;
  return static_cast<std::int32_t>(v);
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

void BandpassFilter::BlockFilter(std::int32_t* samples, std::int32_t channels, std::int32_t sampleRate) {
  if (samples == nullptr) return;
  const std::size_t count = SamplesPerChannel(sampleRate);
  if (channels == 2) {
    FilterChannel(samples, 2, count, OverlapTailA);
    FilterChannel(samples + 1, 2, count, OverlapTailB);
  } else {
    FilterChannel(samples, 1, count, OverlapTailA);
  }
}

// Overlap-add: a 1024-sample block convolved with the 1025-tap kernel is exactly
// 2048 values long, so the 2048-point circular product holds it without wrap-around.
// The first half, plus the tail of the block before, is this block's output; the
// second half is the tail for the next block. Each block's output goes back to the
// samples it came from, which no later block reads, so the work is done in place.
void BandpassFilter::FilterChannel(std::int32_t* samples, std::size_t stride, std::size_t count,
                                   std::array<float, kBlockSize>& tail) {
  for (std::size_t start = 0; start < count; start += kBlockSize) {
    std::int32_t* block = samples + start * stride;
    for (std::size_t i = 0; i < kBlockSize; ++i) blockInput_[i] = static_cast<float>(block[i * stride]);

    RealFft(blockInput_, blockRe_, blockIm_);
    // The packed DC/Nyquist pair in bin 0 is multiplied like any other bin. That
    // mixes the two terms, but both are zero in a band-pass response.
    for (std::size_t k = 0; k < kBins; ++k) {
      const float xr = blockRe_[k], xi = blockIm_[k];
      const float hr = FilterResponseRe[k], hi = FilterResponseIm[k];
      blockRe_[k] = xr * hr - xi * hi;
      blockIm_[k] = xi * hr + xr * hi;
    }
    InverseRealFft(blockRe_, blockIm_, blockOutput_);

    for (std::size_t i = 0; i < kBlockSize; ++i) {
      const float value = blockOutput_[i] + tail[i];
      tail[i] = blockOutput_[kBlockSize + i];
      block[i * stride] = TruncateToInt(value);
    }
  }
}

}  // namespace quorvane
