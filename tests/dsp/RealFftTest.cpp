#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/RealFft.h"

namespace quorvane {
namespace {

using Signal = std::function<float(std::size_t t, std::size_t n)>;

std::vector<float> Make(std::size_t n, const Signal& f) {
  std::vector<float> x(n);
  for (std::size_t t = 0; t < n; ++t) x[t] = f(t, n);
  return x;
}

// Relative L2 distance between RealFft's packed output and a double-precision DFT
// packed the same way by hand.
double PackedDftError(const std::vector<float>& x) {
  const std::size_t n = x.size(), h = n / 2;
  std::vector<float> re(h), im(h);
  RealFft(x, re, im);
  std::vector<std::complex<double>> w(n);
  for (std::size_t k = 0; k < n; ++k) w[k] = std::polar(1.0, -2 * std::numbers::pi * double(k) / double(n));
  double err = 0, ref = 0;
  for (std::size_t m = 0; m <= h; ++m) {
    std::complex<double> sum;
    for (std::size_t t = 0; t < n; ++t) sum += double(x[t]) * w[m * t % n];
    const std::size_t bin = m == h ? 0 : m;
    const std::complex<double> want = m == 0   ? std::complex<double>(sum.real() / 2, 0)
                                      : m == h ? std::complex<double>(0, sum.real() / 2)
                                               : sum;
    const std::complex<double> got = m == 0   ? std::complex<double>(re[0], 0)
                                     : m == h ? std::complex<double>(0, im[0])
                                              : std::complex<double>(re[bin], im[bin]);
    err += std::norm(got - want);
    ref += std::norm(want);
  }
  return std::sqrt(err / ref);
}

TEST(RealFft, MatchesDirectDftAtEverySize) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  const std::vector<std::pair<const char*, Signal>> signals = {
      {"random", [&](std::size_t, std::size_t) { return uniform(rng); }},
      {"impulse", [](std::size_t t, std::size_t) { return t == 1 ? 1.0f : 0.0f; }},
      {"dc", [](std::size_t, std::size_t) { return 0.75f; }},
      {"nyquist", [](std::size_t t, std::size_t) { return t % 2 ? -1.0f : 1.0f; }},
      {"tones",
       [](std::size_t t, std::size_t n) {
         const double w = 2 * std::numbers::pi * double(t) / double(n);
         return float(std::cos(w) + 0.5 * std::sin(w * double(n / 4 - 1)));
       }},
  };
  for (std::size_t n = 4; n <= kMaxRealFftSize; n *= 2) {
    for (const auto& [name, signal] : signals) EXPECT_LT(PackedDftError(Make(n, signal)), 2e-6) << name << " n=" << n;
  }
}

TEST(RealFft, PacksDcAndNyquistTogetherInFirstBin) {
  const std::size_t n = 64;
  // 3 at DC, -2 at Nyquist and a unit cosine in bin 5.
  const auto x = Make(n, [](std::size_t t, std::size_t n) {
    return float(3.0 + (t % 2 ? 2.0 : -2.0) + std::cos(2 * std::numbers::pi * 5.0 * double(t) / double(n)));
  });
  std::vector<float> re(n / 2), im(n / 2);
  RealFft(x, re, im);
  EXPECT_NEAR(re[0], 3.0 * n / 2, 1e-4);
  EXPECT_NEAR(im[0], -2.0 * n / 2, 1e-4);
  for (std::size_t b = 1; b < n / 2; ++b) {
    EXPECT_NEAR(re[b], b == 5 ? n / 2.0 : 0.0, 1e-4) << b;
    EXPECT_NEAR(im[b], 0.0, 1e-4) << b;
  }
}

TEST(RealFft, InverseReturnsTheInput) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<float> uniform(-32768.0f, 32767.0f);
  for (std::size_t n = 4; n <= kMaxRealFftSize; n *= 2) {
    const auto x = Make(n, [&](std::size_t, std::size_t) { return uniform(rng); });
    std::vector<float> re(n / 2), im(n / 2), y(n);
    RealFft(x, re, im);
    InverseRealFft(re, im, y);
    for (std::size_t t = 0; t < n; ++t) ASSERT_NEAR(y[t], x[t], 0.05) << "n=" << n << " t=" << t;
  }
}

TEST(RealFft, LeavesOutputsAloneForUnsupportedSizes) {
  for (std::size_t n : {2u, 6u, 2 * unsigned(kMaxRealFftSize)}) {
    std::vector<float> x(n, 1.0f), re(n, 7.0f), im(n, 7.0f), y(n, 7.0f);
    RealFft(x, re, im);
    InverseRealFft(re, im, y);
    for (std::size_t i = 0; i < n; ++i) ASSERT_TRUE(re[i] == 7.0f && im[i] == 7.0f && y[i] == 7.0f) << n;
  }
}

}  // namespace
}  // namespace quorvane
