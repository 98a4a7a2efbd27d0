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

// At every size, RealFft's packed half spectrum (DC/2 in re[0], Nyquist/2 in im[0],
// bin b in re[b], im[b]) equals a double-precision DFT, and the inverse gives the input back.
TEST(RealFft, MatchesDirectDftAndInvertsAtEverySize) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  using Signal = std::function<float(std::size_t t, std::size_t n)>;
  const std::vector<std::pair<const char*, Signal>> signals = {
      {"random", [&](std::size_t, std::size_t) { return uniform(rng); }},
      {"impulse", [](std::size_t t, std::size_t) { return t == 1 ? 1.0f : 0.0f; }},
      {"dc", [](std::size_t, std::size_t) { return 0.75f; }},
      {"nyquist", [](std::size_t t, std::size_t) { return t % 2 ? -1.0f : 1.0f; }},
      {"tones", [](std::size_t t, std::size_t n) {
         const double w = 2 * std::numbers::pi * double(t) / double(n);
         return float(std::cos(w) + 0.5 * std::sin(w * double(n / 4 - 1)));
       }}};
  for (std::size_t n = 4; n <= kMaxRealFftSize; n *= 2) {
    std::vector<std::complex<double>> w(n);
    for (std::size_t k = 0; k < n; ++k) w[k] = std::polar(1.0, -2 * std::numbers::pi * double(k) / double(n));
    for (const auto& [name, signal] : signals) {
      SCOPED_TRACE(std::string(name) + " n=" + std::to_string(n));
      const std::size_t h = n / 2;
      std::vector<float> x(n), re(h), im(h), y(n);
      for (std::size_t t = 0; t < n; ++t) x[t] = 3000 * signal(t, n);
      RealFft(x, re, im);
      double err = 0, ref = 0;
      for (std::size_t m = 0; m <= h; ++m) {
        std::complex<double> want;
        for (std::size_t t = 0; t < n; ++t) want += double(x[t]) * w[m * t % n];
        const std::complex<double> got = m == 0 ? std::complex<double>(2 * re[0], 0)
                                         : m == h ? std::complex<double>(2 * im[0], 0)
                                                  : std::complex<double>(re[m], im[m]);
        err += std::norm(got - want);
        ref += std::norm(want);
      }
      EXPECT_LT(std::sqrt(err / ref), 2e-6);
      InverseRealFft(re, im, y);
      for (std::size_t t = 0; t < n; ++t) ASSERT_NEAR(y[t], x[t], 0.01) << t;
    }
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
