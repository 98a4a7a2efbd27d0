#include "dsp/RealFft.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

#include "dsp/SimdClones.h"

// A real transform of n points runs as a complex transform of h = n/2 points on
// the even samples (real parts) and odd samples (imaginary parts), followed by
// an "untangle" step that separates the two half spectra. The complex transform
// is a Stockham radix-4 (one radix-2 pass when log2 h is odd): it needs no bit
// reversal, and with real and imaginary parts in separate arrays every inner
// loop walks memory contiguously, which lets the compiler vectorise it (the pass of
// stride 4, whose columns are too short for that, is written with vectors). The
// kernels are inlined into the transform driver and take every row through its
// own restrict pointer; without that the compiler cannot prove the rows apart and
// leaves the loops scalar.

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

  const float* Radix4Re(int k, std::size_t length) const {
    return radix4Re_[k - 1].data() + radix4Offset_[Log2(length)];
  }
  const float* Radix4Im(int k, std::size_t length) const {
    return radix4Im_[k - 1].data() + radix4Offset_[Log2(length)];
  }
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

// Four complex values, real and imaginary parts apart; each part a float, or eight
// floats for eight four-point transforms side by side.
template <typename T>
struct QuadOf {
  T r[4], i[4];
};
using Quad = QuadOf<float>;
typedef float Lanes8 __attribute__((vector_size(32)));  // GCC's and clang's vector extension

// Four-point DFT of x, then times the pass twiddles w (w[0] is 1) unless all of them
// are 1. The same operations in the same order for floats and for vectors.
template <bool kTwiddled, typename T>
[[gnu::always_inline]] inline void Radix4Butterfly(const QuadOf<T>& x, const QuadOf<T>& w, QuadOf<T>& y) {
  const T apcR = x.r[0] + x.r[2], apcI = x.i[0] + x.i[2], amcR = x.r[0] - x.r[2], amcI = x.i[0] - x.i[2];
  const T bpdR = x.r[1] + x.r[3], bpdI = x.i[1] + x.i[3], bmdR = x.r[1] - x.r[3], bmdI = x.i[1] - x.i[3];
  // -i(b - d) = (bmdI, -bmdR)
  y = QuadOf<T>{{apcR + bpdR, amcR + bmdI, apcR - bpdR, amcR - bmdI}, {apcI + bpdI, amcI - bmdR, apcI - bpdI, amcI + bmdR}};
  if constexpr (kTwiddled) {
    for (int k = 1; k < 4; ++k) {
      const T re = y.r[k] * w.r[k] - y.i[k] * w.i[k];
      y.i[k] = y.r[k] * w.i[k] + y.i[k] * w.r[k];
      y.r[k] = re;
    }
  }
}

// First radix-4 pass (one sub-transform of length 4m): the loop runs over p, reading
// four contiguous quarters and writing four consecutive outputs per p.
[[gnu::always_inline]] inline void Radix4FirstPass(std::size_t m, const float* __restrict xr,
                                                   const float* __restrict xi, float* __restrict yr,
                                                   float* __restrict yi, const TwiddleTables& t) {
  const std::size_t length = 4 * m;
  const float* __restrict w1r = t.Radix4Re(1, length);
  const float* __restrict w1i = t.Radix4Im(1, length);
  const float* __restrict w2r = t.Radix4Re(2, length);
  const float* __restrict w2i = t.Radix4Im(2, length);
  const float* __restrict w3r = t.Radix4Re(3, length);
  const float* __restrict w3i = t.Radix4Im(3, length);
  for (std::size_t p = 0; p < m; ++p) {
    const Quad x{{xr[p], xr[p + m], xr[p + 2 * m], xr[p + 3 * m]}, {xi[p], xi[p + m], xi[p + 2 * m], xi[p + 3 * m]}};
    const Quad w{{1.0f, w1r[p], w2r[p], w3r[p]}, {0.0f, w1i[p], w2i[p], w3i[p]}};
    Quad y;
    Radix4Butterfly<true>(x, w, y);
    for (int k = 0; k < 4; ++k) {
      yr[4 * p + k] = y.r[k];
      yi[4 * p + k] = y.i[k];
    }
  }
}

// One column of a later pass: `stride` interleaved sub-transforms sharing one twiddle
// set, every access contiguous in q.
template <bool kTwiddled>
[[gnu::always_inline]] inline void Radix4Column(std::size_t stride, const float* __restrict ar,
                                                const float* __restrict br, const float* __restrict cr,
                                                const float* __restrict dr, const float* __restrict ai,
                                                const float* __restrict bi, const float* __restrict ci,
                                                const float* __restrict di, float* __restrict y0r,
                                                float* __restrict y1r, float* __restrict y2r, float* __restrict y3r,
                                                float* __restrict y0i, float* __restrict y1i, float* __restrict y2i,
                                                float* __restrict y3i, Quad w) {
  for (std::size_t q = 0; q < stride; ++q) {
    Quad y;
    Radix4Butterfly<kTwiddled>(Quad{{ar[q], br[q], cr[q], dr[q]}, {ai[q], bi[q], ci[q], di[q]}}, w, y);
    y0r[q] = y.r[0];
    y1r[q] = y.r[1];
    y2r[q] = y.r[2];
    y3r[q] = y.r[3];
    y0i[q] = y.i[0];
    y1i[q] = y.i[1];
    y2i[q] = y.i[2];
    y3i[q] = y.i[3];
  }
}

// The pass of stride 4: a column of four floats is too short for the compiler to
// vectorise, so two neighbouring sub-transforms (p and p + 1) fill the two halves
// of one eight-lane vector.
[[gnu::always_inline]] inline void Radix4PassStride4(std::size_t length, const float* __restrict xr,
                                                     const float* __restrict xi, float* __restrict yr,
                                                     float* __restrict yi, const TwiddleTables& t) {
  const std::size_t m = length / 4, quarter = 4 * m;
  const float* twiddleRe[4] = {nullptr, t.Radix4Re(1, length), t.Radix4Re(2, length), t.Radix4Re(3, length)};
  const float* twiddleIm[4] = {nullptr, t.Radix4Im(1, length), t.Radix4Im(2, length), t.Radix4Im(3, length)};
  for (std::size_t p = 0; p < m; p += 2) {
    QuadOf<Lanes8> x, w, y;
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      std::memcpy(&x.r[k], xr + 4 * p + k * quarter, sizeof(Lanes8));
      std::memcpy(&x.i[k], xi + 4 * p + k * quarter, sizeof(Lanes8));
    }
    w.r[0] = Lanes8{} + 1.0f;
    w.i[0] = Lanes8{};
#pragma GCC unroll 4
    for (int k = 1; k < 4; ++k) {
      const float *wr = twiddleRe[k] + p, *wi = twiddleIm[k] + p;
      w.r[k] = Lanes8{wr[0], wr[0], wr[0], wr[0], wr[1], wr[1], wr[1], wr[1]};
      w.i[k] = Lanes8{wi[0], wi[0], wi[0], wi[0], wi[1], wi[1], wi[1], wi[1]};
    }
    Radix4Butterfly<true>(x, w, y);
    // Lanes 0-3 belong to sub-transform p, lanes 4-7 to p + 1.
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
#pragma GCC unroll 2
      for (int half = 0; half < 2; ++half) {
        std::memcpy(yr + 16 * p + 16 * half + 4 * k, reinterpret_cast<const float*>(&y.r[k]) + 4 * half, 16);
        std::memcpy(yi + 16 * p + 16 * half + 4 * k, reinterpret_cast<const float*>(&y.i[k]) + 4 * half, 16);
      }
    }
  }
}

// One radix-4 pass of the Stockham transform: sub-transforms of length `length`,
// `stride` of them interleaved. The last pass (length 4) has only unit twiddles.
[[gnu::always_inline]] inline void Radix4Pass(std::size_t length, std::size_t stride, const float* xr, const float* xi,
                                              float* yr, float* yi, const TwiddleTables& t) {
  const std::size_t m = length / 4;
  const std::size_t s = stride;
  if (s == 1) {
    Radix4FirstPass(m, xr, xi, yr, yi, t);
    return;
  }
  if (s == 4 && m >= 2) {
    Radix4PassStride4(length, xr, xi, yr, yi, t);
    return;
  }
  for (std::size_t p = 0; p < m; ++p) {
    const float* a = xr + s * p;
    const float* ai = xi + s * p;
    const std::size_t quarter = s * m;
    float* y = yr + s * 4 * p;
    float* yi0 = yi + s * 4 * p;
    if (m == 1) {
      Radix4Column<false>(s, a, a + quarter, a + 2 * quarter, a + 3 * quarter, ai, ai + quarter, ai + 2 * quarter,
                          ai + 3 * quarter, y, y + s, y + 2 * s, y + 3 * s, yi0, yi0 + s, yi0 + 2 * s, yi0 + 3 * s,
                          Quad{});
    } else {
      const Quad w{{1.0f, t.Radix4Re(1, length)[p], t.Radix4Re(2, length)[p], t.Radix4Re(3, length)[p]},
                   {0.0f, t.Radix4Im(1, length)[p], t.Radix4Im(2, length)[p], t.Radix4Im(3, length)[p]}};
      Radix4Column<true>(s, a, a + quarter, a + 2 * quarter, a + 3 * quarter, ai, ai + quarter, ai + 2 * quarter,
                         ai + 3 * quarter, y, y + s, y + 2 * s, y + 3 * s, yi0, yi0 + s, yi0 + 2 * s, yi0 + 3 * s, w);
    }
  }
}

// Final radix-2 pass when log2 h is odd: two-point transforms, no twiddles.
[[gnu::always_inline]] inline void Radix2Pass(std::size_t stride, const float* __restrict xr,
                                              const float* __restrict xi, float* __restrict yr, float* __restrict yi) {
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
QUORVANE_SIMD_CLONES bool ComplexFft(float* ar, float* ai, float* br, float* bi, std::size_t h,
                                     const TwiddleTables& t) {
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

// Separates the spectra of the even and odd samples, Z = E + iO, into the packed
// spectrum of the real sequence: X(k) = E(k) + W^k O(k), X(h-k) = conj(E(k) - W^k O(k)).
QUORVANE_SIMD_CLONES void ForwardUntangle(std::size_t h, const float* __restrict zr, const float* __restrict zi,
                                          float* __restrict xr, float* __restrict xi, const float* __restrict wr,
                                          const float* __restrict wi) {
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

// The reverse of ForwardUntangle: rebuilds Z(k) = E(k) + i O(k) from the packed
// spectrum, with the 1/h of the inverse complex transform folded in.
QUORVANE_SIMD_CLONES void InverseUntangle(std::size_t h, const float* __restrict xr, const float* __restrict xi,
                                          float* __restrict zr, float* __restrict zi, const float* __restrict wr,
                                          const float* __restrict wi) {
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
  const float* zr = inB ? b.re.data() : a.re.data();
  const float* zi = inB ? b.im.data() : a.im.data();
  ForwardUntangle(h, zr, zi, outRe.data(), outIm.data(), t.UntangleRe(h), t.UntangleIm(h));
}

void InverseRealFft(std::span<const float> re, std::span<const float> im, std::span<float> output) {
  const std::size_t n = output.size();
  const std::size_t h = n / 2;
  if (!ValidSize(n) || re.size() < h || im.size() < h) return;
  const TwiddleTables& t = Tables();

  Buffer a, b;
  InverseUntangle(h, re.data(), im.data(), a.re.data(), a.im.data(), t.UntangleRe(h), t.UntangleIm(h));

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
