#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/BandpassFilter.h"

namespace quorvane {
namespace {

// Frequency response of the taps at frequencyHz, evaluated in double precision.
double Gain(const BandpassFilter& f, double frequencyHz, double sampleRate) {
  std::complex<double> sum;
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i)
    sum += double(f.Kernel()[i]) * std::polar(1.0, -2 * std::numbers::pi * frequencyHz * double(i) / sampleRate);
  return std::abs(sum);
}

BandpassFilter Designed(double lowHz, double highHz, double sampleRate) {
  BandpassFilter f;
  f.LowCutoff = float(lowHz / sampleRate);
  f.HighCutoff = float(highHz / sampleRate);
  f.DesignBandpassFilter();
  return f;
}

// The quoted figures hold at their frequencies; between them the ripple next to
// each edge is up to about 2e-4 and dies away further from it.
TEST(BandpassDesign, DefaultBandResponseAt11025) {
  BandpassFilter f;
  f.DesignDefaultBand();
  const double rate = 11025;
  for (double edge : {300.0, 2400.0}) EXPECT_NEAR(Gain(f, edge, rate), 0.5, 0.003) << edge;
  for (double hz : {320.0, 2380.0}) EXPECT_NEAR(Gain(f, hz, rate), 0.977, 0.002) << hz;
  for (double hz : {280.0, 2420.0}) EXPECT_NEAR(Gain(f, hz, rate), 0.023, 0.002) << hz;
  for (double hz : {350.0, 2350.0}) EXPECT_NEAR(Gain(f, hz, rate), 0.99995, 2e-5) << hz;
  for (double hz : {250.0, 2450.0}) EXPECT_LT(Gain(f, hz, rate), 1e-4) << hz;
  for (double hz = 350; hz <= 2350; hz += 2) {
    const bool nearEdge = hz < 400 || hz > 2300;
    EXPECT_NEAR(Gain(f, hz, rate), 1.0, nearEdge ? 2e-4 : 5e-5) << hz;
  }
  auto expectStopped = [&](double hz) { EXPECT_LT(Gain(f, hz, rate), hz > 200 && hz < 2500 ? 2e-4 : 1e-4) << hz; };
  for (double hz = 0; hz <= 250; hz += 2) expectStopped(hz);
  for (double hz = 2450; hz <= rate / 2; hz += 2) expectStopped(hz);
}

TEST(BandpassDesign, KernelIsSymmetricSumsToZeroAndPeaksAtTheCentre) {
  BandpassFilter f;
  f.DesignDefaultBand();
  const auto k = f.Kernel();
  double sum = 0;
  for (std::size_t i = 0; i < k.size(); ++i) {
    EXPECT_NEAR(k[i], k[k.size() - 1 - i], 2e-6) << i;
    sum += k[i];
  }
  EXPECT_NEAR(sum, 0.0, 1e-5);
  EXPECT_NEAR(k[512], 0.381, 0.001);
  const auto largest = std::max_element(k.begin(), k.end(), [](float a, float b) { return std::abs(a) < std::abs(b); });
  EXPECT_EQ(largest - k.begin(), 512);
}

TEST(BandpassDesign, EqualEdgesPassNothing) {
  const BandpassFilter f = Designed(1000, 1000, 11025);
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i) ASSERT_LE(std::abs(f.Kernel()[i]), 1.2e-7f) << i;
}

// A low edge of 0 Hz has a low-pass that passes nothing; the band-pass becomes a
// low-pass at the high edge instead of dividing by a zero sum.
TEST(BandpassDesign, ZeroLowEdgeGivesALowPass) {
  const BandpassFilter f = Designed(0, 2400, 11025);
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i) ASSERT_TRUE(std::isfinite(f.Kernel()[i])) << i;
  EXPECT_NEAR(Gain(f, 0, 11025), 1.0, 1e-4);
  EXPECT_NEAR(Gain(f, 1000, 11025), 1.0, 1e-4);
  EXPECT_LT(Gain(f, 3000, 11025), 1e-4);
}

TEST(BandpassDesign, StoredResponseIsThePackedDftOfTheKernel) {
  BandpassFilter f;
  f.DesignDefaultBand();
  const std::size_t n = BandpassFilter::kTransformSize;
  std::vector<std::complex<double>> w(n);
  for (std::size_t t = 0; t < n; ++t) w[t] = std::polar(1.0, -2 * std::numbers::pi * double(t) / double(n));
  double err = 0, ref = 0;
  for (std::size_t m = 0; m <= n / 2; ++m) {
    std::complex<double> x;
    for (std::size_t t = 0; t < BandpassFilter::kTaps; ++t) x += double(f.Kernel()[t]) * w[m * t % n];
    std::complex<double> got(f.ResponseRe()[m % (n / 2)], f.ResponseIm()[m % (n / 2)]);
    if (m == 0) got = {2 * f.ResponseRe()[0], 0};      // DC/2 in the real part
    if (m == n / 2) got = {2 * f.ResponseIm()[0], 0};  // Nyquist/2 in the imaginary part
    err += std::norm(got - x);
    ref += std::norm(x);
  }
  EXPECT_LT(std::sqrt(err / ref), 2e-6);
}

}  // namespace
}  // namespace quorvane
