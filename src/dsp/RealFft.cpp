#include "dsp/RealFft.h"

#include <array>
#include <bit>
#include <cmath>
#include <numbers>

// A real transform of n points runs as a complex transform of h = n/2 points on
// the even samples (real parts) and odd samples (imaginary parts), followed by
// an "untangle" step that separates the two half spectra. The complex transform
// is a Stockham radix-4 (one radix-2 pass when log2 h is odd): it needs no bit
// reversal, and with real and imaginary parts in separate arrays every inner
// loop walks memory contiguously, which lets the compiler vectorise it.

namespace quorvane {
namespace {

constexpr std::size_t kMaxHalf = kMaxRealFftSize / 2;
constexpr int kMaxHalfLog = std::countr_zero(kMaxHalf);

// Twiddles, computed once in double precision and stored as float.
class TwiddleTables {
public:
  TwiddleTables() {
    // Radix-4 pass over sub-transforms of length L: W_L^p, W_L^2p, W_L^3p for p < L/4,
    // with W_L = e^(-2 pi i / L), stored contiguously per L so the first pass (p
    // innermost) reads them with unit stride.
    std::size_t at = 0;
    for (int lg = 2; lg <= kMaxHalfLog; ++lg) {
      const std::size_t length = std::size_t{1} << lg;
      radix4Offset_[lg] = at;
      for (std::size_t p = 0; p < length / 4; ++p, ++at) {
        for (std::size_t k = 1; k <= 3; ++k) {
          const double angle = -2.0 * std::numbers::pi * static_cast<double>(k * p) / static_cast<double>(length);
          radix4Re_[k - 1][at] = static_cast<float>(std::cos(angle));
          radix4Im_[k - 1][at] = static_cast<float>(std::sin(angle));
        }
      }
    }
    // Untangle step of a real transform of n = 2h points: W_n^k for k <= h/2.
    at = 0;
    for (int lg = 1; lg <= kMaxHalfLog; ++lg) {
      const std::size_t half = std::size_t{1} << lg;
      untangleOffset_[lg] = at;
      for (std::size_t k = 0; k <= half / 2; ++k, ++at) {
        const double angle = -std::numbers::pi * static_cast<double>(k) / static_cast<double>(half);
        untangleRe_[at] = static_cast<float>(std::cos(angle));
        untangleIm_[at] = static_cast<float>(std::sin(angle));
      }
    }
  }

  const float* Radix4Re(int k, std::size_t length) const { return radix4Re_[k - 1].data() + radix4Offset_[Log2(length)]; }
  const float* Radix4Im(int k, std::size_t length) const { return radix4Im_[k - 1].data() + radix4Offset_[Log2(length)]; }
  const float* UntangleRe(std::size_t half) const { return untangleRe_.data() + untangleOffset_[Log2(half)]; }
  const float* UntangleIm(std::size_t half) const { return untangleIm_.data() + untangleOffset_[Log2(half)]; }

private:
  static int Log2(std::size_t v) { return std::countr_zero(v); }

  // Sum of L/4 over L = 4 .. kMaxHalf, and of h/2 + 1 over h = 2 .. kMaxHalf.
  static constexpr std::size_t kRadix4Entries = kMaxHalf / 2;
  static constexpr std::size_t kUntangleEntries = kMaxHalf + kMaxHalfLog;

  std::array<std::array<float, kRadix4Entries>, 3> radix4Re_{};
  std::array<std::array<float, kRadix4Entries>, 3> radix4Im_{};
  std::array<std::size_t, kMaxHalfLog + 1> radix4Offset_{};
  std::array<float, kUntangleEntries> untangleRe_{};
  std::array<float, kUntangleEntries> untangleIm_{};
  std::array<std::size_t, kMaxHalfLog + 1> untangleOffset_{};
};

const TwiddleTables& Tables() {
  static const TwiddleTables tables;
  return tables;
}

bool ValidSize(std::size_t n) { return n >= 4 && n <= kMaxRealFftSize && std::has_single_bit(n); }

struct Buffer {
  alignas(64) std::array<float, kMaxHalf> re;
  alignas(64) std::array<float, kMaxHalf> im;
};

// One radix-4 pass: sub-transforms of length `length`, `stride` of them interleaved.
void Radix4Pass(std::size_t length, std::size_t stride, const float* __restrict xr, const float* __restrict xi,
                float* __restrict yr, float* __restrict yi, const TwiddleTables& t) {
  const std::size_t m = length / 4;
  const float* w1r = t.Radix4Re(1, length);
  const float* w1i = t.Radix4Im(1, length);
  const float* w2r = t.Radix4Re(2, length);
  const float* w2i = t.Radix4Im(2, length);
  const float* w3r = t.Radix4Re(3, length);
  const float* w3i = t.Radix4Im(3, length);

  auto butterfly = [&](std::size_t p, std::size_t q) {
    const std::size_t s = stride;
    const float ar = xr[q + s * p], ai = xi[q + s * p];
    const float br = xr[q + s * (p + m)], bi = xi[q + s * (p + m)];
    const float cr = xr[q + s * (p + 2 * m)], ci = xi[q + s * (p + 2 * m)];
    const float dr = xr[q + s * (p + 3 * m)], di = xi[q + s * (p + 3 * m)];
    const float apcR = ar + cr, apcI = ai + ci, amcR = ar - cr, amcI = ai - ci;
    const float bpdR = br + dr, bpdI = bi + di, bmdR = br - dr, bmdI = bi - di;
    // Four-point DFT, then the twiddles of this pass; -i(b - d) = (bmdI, -bmdR).
    const float x1r = amcR + bmdI, x1i = amcI - bmdR;
    const float x2r = apcR - bpdR, x2i = apcI - bpdI;
    const float x3r = amcR - bmdI, x3i = amcI + bmdR;
    yr[q + s * (4 * p)] = apcR + bpdR;
    yi[q + s * (4 * p)] = apcI + bpdI;
    yr[q + s * (4 * p + 1)] = x1r * w1r[p] - x1i * w1i[p];
    yi[q + s * (4 * p + 1)] = x1r * w1i[p] + x1i * w1r[p];
    yr[q + s * (4 * p + 2)] = x2r * w2r[p] - x2i * w2i[p];
    yi[q + s * (4 * p + 2)] = x2r * w2i[p] + x2i * w2r[p];
    yr[q + s * (4 * p + 3)] = x3r * w3r[p] - x3i * w3i[p];
    yi[q + s * (4 * p + 3)] = x3r * w3i[p] + x3i * w3r[p];
  };

  if (stride == 1) {
    for (std::size_t p = 0; p < m; ++p) butterfly(p, 0);
  } else {
    for (std::size_t p = 0; p < m; ++p) {
      for (std::size_t q = 0; q < stride; ++q) butterfly(p, q);
    }
  }
}

// Final radix-2 pass when log2 h is odd: two-point transforms, no twiddles.
void Radix2Pass(std::size_t stride, const float* __restrict xr, const float* __restrict xi, float* __restrict yr,
                float* __restrict yi) {
  for (std::size_t q = 0; q < stride; ++q) {
    const float ar = xr[q], ai = xi[q], br = xr[q + stride], bi = xi[q + stride];
    yr[q] = ar + br;
    yi[q] = ai + bi;
    yr[q + stride] = ar - br;
    yi[q + stride] = ai - bi;
  }
}

// Forward complex DFT (negative exponent) of h points held in (ar, ai), using
// (br, bi) as the second Stockham buffer. Returns true when the result ends in (br, bi).
bool ComplexFft(float* ar, float* ai, float* br, float* bi, std::size_t h, const TwiddleTables& t) {
  float *xr = ar, *xi = ai, *yr = br, *yi = bi;
  bool inB = false;
  std::size_t length = h, stride = 1;
  auto flip = [&] {
    std::swap(xr, yr);
    std::swap(xi, yi);
    inB = !inB;
  };
  for (; length >= 4; length /= 4, stride *= 4) {
    Radix4Pass(length, stride, xr, xi, yr, yi, t);
    flip();
  }
  if (length == 2) {
    Radix2Pass(stride, xr, xi, yr, yi);
    flip();
  }
  return inB;
}

}  // namespace

void RealFft(std::span<const float> input, std::span<float> outRe, std::span<float> outIm) {
  const std::size_t n = input.size();
  const std::size_t h = n / 2;
  if (!ValidSize(n) || outRe.size() < h || outIm.size() < h) return;
  const TwiddleTables& t = Tables();

  Buffer a, b;
  for (std::size_t i = 0; i < h; ++i) {
    a.re[i] = input[2 * i];
    a.im[i] = input[2 * i + 1];
  }
  const bool inB = ComplexFft(a.re.data(), a.im.data(), b.re.data(), b.im.data(), h, t);
  const float* __restrict zr = inB ? b.re.data() : a.re.data();
  const float* __restrict zi = inB ? b.im.data() : a.im.data();
  float* __restrict xr = outRe.data();
  float* __restrict xi = outIm.data();
  const float* wr = t.UntangleRe(h);
  const float* wi = t.UntangleIm(h);

  // Z = E + iO, E and O the spectra of the even and odd samples; then
  // X(k) = E(k) + W^k O(k) and X(h-k) = conj(E(k) - W^k O(k)).
  xr[0] = (zr[0] + zi[0]) * 0.5f;
  xi[0] = (zr[0] - zi[0]) * 0.5f;
  for (std::size_t k = 1; k < h / 2; ++k) {
    const std::size_t j = h - k;
    const float er = (zr[k] + zr[j]) * 0.5f, ei = (zi[k] - zi[j]) * 0.5f;
    const float orr = (zi[k] + zi[j]) * 0.5f, oi = (zr[j] - zr[k]) * 0.5f;
    const float tr = orr * wr[k] - oi * wi[k], ti = orr * wi[k] + oi * wr[k];
    xr[k] = er + tr;
    xi[k] = ei + ti;
    xr[j] = er - tr;
    xi[j] = ti - ei;
  }
  xr[h / 2] = zr[h / 2];
  xi[h / 2] = -zi[h / 2];
}

void InverseRealFft(std::span<const float> re, std::span<const float> im, std::span<float> output) {
  const std::size_t n = output.size();
  const std::size_t h = n / 2;
  if (!ValidSize(n) || re.size() < h || im.size() < h) return;
  const TwiddleTables& t = Tables();

  // Rebuild Z(k) = E(k) + i O(k) from the packed spectrum, with the 1/h of the
  // inverse complex transform folded in.
  Buffer a, b;
  const float* __restrict xr = re.data();
  const float* __restrict xi = im.data();
  float* __restrict zr = a.re.data();
  float* __restrict zi = a.im.data();
  const float* wr = t.UntangleRe(h);
  const float* wi = t.UntangleIm(h);
  const float scale = 1.0f / static_cast<float>(h);
  const float halfScale = 0.5f * scale;

  zr[0] = (xr[0] + xi[0]) * scale;
  zi[0] = (xr[0] - xi[0]) * scale;
  for (std::size_t k = 1; k < h / 2; ++k) {
    const std::size_t j = h - k;
    const float er = (xr[k] + xr[j]) * halfScale, ei = (xi[k] - xi[j]) * halfScale;
    const float dr = (xr[k] - xr[j]) * halfScale, di = (xi[k] + xi[j]) * halfScale;
    // O = conj(W^k) D
    const float orr = dr * wr[k] + di * wi[k], oi = di * wr[k] - dr * wi[k];
    zr[k] = er - oi;
    zi[k] = ei + orr;
    zr[j] = er + oi;
    zi[j] = orr - ei;
  }
  zr[h / 2] = xr[h / 2] * scale;
  zi[h / 2] = -xi[h / 2] * scale;

  // The inverse transform is the forward one with real and imaginary parts swapped
  // on the way in and out.
  const bool inB = ComplexFft(a.im.data(), a.re.data(), b.im.data(), b.re.data(), h, t);
  const float* __restrict yr = inB ? b.re.data() : a.re.data();
  const float* __restrict yi = inB ? b.im.data() : a.im.data();
  float* __restrict out = output.data();
  for (std::size_t i = 0; i < h; ++i) {
    out[2 * i] = yr[i];
    out[2 * i + 1] = yi[i];
  }
}

}  // namespace quorvane
