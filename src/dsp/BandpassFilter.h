#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvane {

// The recorder's band-pass filter: a 1025-tap linear-phase windowed-sinc FIR
// between two band edges, applied to the sample stream by FFT overlap-add.
//
// One instance lives for the whole program (the main window owns it). All storage
// is fixed-size, so neither a design nor BlockFilter allocates. A new instance
// holds an all-zero kernel (it filters everything to silence) until the first
// design; the window does DesignDefaultBand() when it is created.
//
// Usage, on the one thread that owns it:
//   filter.LowCutoff = lowHz / sampleRate;
//   filter.HighCutoff = highHz / sampleRate;
//   filter.DesignBandpassFilter();
//   ...
//   filter.BlockFilter(WorkSamples, channels, sampleRate);  // once per buffer
class BandpassFilter {
 public:
  static constexpr int kOrder = 1024;
  static constexpr std::size_t kTaps = kOrder + 1;
  static constexpr std::size_t kTransformSize = 2 * kOrder;
  static constexpr std::size_t kBins = kTransformSize / 2;
  static constexpr std::size_t kBlockSize = 1024;

  // 300 Hz and 2400 Hz at 11025 samples per second.
  static constexpr float kDefaultLowCutoff = 0.027210884f;
  static constexpr float kDefaultHighCutoff = 0.21768707f;

  // Band edges as fractions of the sample rate (0 to 0.5). Callers store both and
  // then call DesignBandpassFilter(); only a design reads them. Low above high is
  // not refused here (the frequency dialog guards that).
  float LowCutoff = kDefaultLowCutoff;
  float HighCutoff = kDefaultHighCutoff;

  // Designs the kernel from LowCutoff and HighCutoff and computes its packed
  // 2048-point frequency response. Equal edges give an all-zero kernel.
  void DesignBandpassFilter();

  // The design the main window makes at creation, whatever the sample rate:
  // stores the default cut-offs and designs.
  void DesignDefaultBand();

  // Filters one buffer in place. samples holds SamplesPerChannel(sampleRate) values
  // per channel, interleaved left/right when channels is 2 (any other value is
  // treated as mono). The output lags the input by 512 samples, is truncated
  // toward zero and is not limited to 16 bits. Each channel keeps its own overlap
  // tail, carried from buffer to buffer and never reset, so a redesign takes effect
  // at the next block while the tail already in hand is still added.
  void BlockFilter(std::int32_t* samples, std::int32_t channels, std::int32_t sampleRate);

  // Samples per channel of one buffer at a supported rate (files/SampleRates.h,
  // always whole blocks), 1024 at any other rate.
  static std::size_t SamplesPerChannel(std::int32_t sampleRate);

  // Taps 0..1024 of the current design.
  std::span<const float, kTaps> Kernel() const { return std::span<const float, kTaps>(FilterKernel.data(), kTaps); }

  // The kernel's packed half spectrum (zero-padded to 2048 points), in RealFft's
  // layout: element 0 holds DC/2 and Nyquist/2, element b holds bin b.
  std::span<const float, kBins> ResponseRe() const { return FilterResponseRe; }
  std::span<const float, kBins> ResponseIm() const { return FilterResponseIm; }

 private:
  // Taps 0..1024; the rest stays zero and pads the kernel for the transform.
  std::array<float, kTransformSize> FilterKernel{};
  std::array<float, kBins> FilterResponseRe{};
  std::array<float, kBins> FilterResponseIm{};

  // Second half of the previous block's convolution, per channel.
  std::array<float, kBlockSize> OverlapTailA{};
  std::array<float, kBlockSize> OverlapTailB{};

  // Per-block work areas, kept here to keep the audio path off the heap and the stack small.
  std::array<float, kTransformSize> blockInput_{};  // upper half stays zero
  std::array<float, kBins> blockRe_{};
  std::array<float, kBins> blockIm_{};
  std::array<std::array<float, kTransformSize>, 2> blockOutput_{};  // per channel
};

}  // namespace quorvane
