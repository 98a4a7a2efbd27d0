#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "dsp/BandpassFilter.h"

namespace quorvane {
namespace {

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
    BandpassFilter f;
    f.LowCutoff = float(low);
    f.HighCutoff = float(high);
    f.DesignBandpassFilter();
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

}  // namespace
}  // namespace quorvane
