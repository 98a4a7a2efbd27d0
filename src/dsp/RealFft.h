#pragma once

#include <cstddef>
#include <span>

namespace quorvane {

// Largest transform the precomputed twiddle tables cover. The filter uses 2048.
inline constexpr std::size_t kMaxRealFftSize = 2048;

// Forward transform of n = input.size() real values, n a power of two from 4 to
// kMaxRealFftSize. Writes the packed half spectrum to outRe[0..n/2-1] and
// outIm[0..n/2-1]:
//
//   outRe[0] = X(0) / 2      (DC)
//   outIm[0] = X(n/2) / 2    (Nyquist)
//   outRe[b], outIm[b] = X(b)  for b = 1 .. n/2-1
//
// with the unscaled DFT X(m) = sum over t of x(t) e^(-2 pi i m t / n).
// Bin b of this 0-based storage is bin b+1 of the 1-based arrays the filter was
// first written with, so DC and Nyquist share the first bin and bin b holds X(b).
// Any other size, or outputs shorter than n/2, leaves the outputs untouched.
// Allocates nothing.
void RealFft(std::span<const float> input, std::span<float> outRe, std::span<float> outIm);

// Inverse of RealFft: re[0..n/2-1], im[0..n/2-1] in the packed layout above,
// n = output.size() real values out, scaled by 2/n so that
// InverseRealFft(RealFft(x)) == x. Multiplying two packed spectra bin by bin and
// transforming back gives their circular convolution, except for DC and Nyquist,
// which share the first bin. Same size rules as RealFft. Allocates nothing.
void InverseRealFft(std::span<const float> re, std::span<const float> im, std::span<float> output);

}  // namespace quorvane
