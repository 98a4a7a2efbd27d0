#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane {

// What a simulated capture device hears: sound as a function of the frame
// number since the device was opened, so the device can skip the frames it
// drops without producing them. Copies share the same sound.
class SimSoundSource {
 public:
  // Fills frames starting at firstFrame, interleaved, for the given channels and rate.
  using Render = std::function<void(std::uint64_t firstFrame, unsigned channels, std::uint32_t rate, std::int16_t* out,
                                    std::size_t frames)>;

  SimSoundSource();  // silence
  explicit SimSoundSource(Render render);

  static SimSoundSource silence();
  // A sine of the given frequency and peak amplitude on every channel.
  static SimSoundSource tone(double hz, double amplitude);
  // Any sound given sample by sample.
  static SimSoundSource generator(std::function<std::int16_t(std::uint64_t frame, unsigned channel)> sample);
  // Recorded samples, interleaved with the given channel count (mono is
  // copied to both channels of a stereo device); silence or a repeat after the end.
  static SimSoundSource samples(std::vector<std::int16_t> interleaved, unsigned channels, bool repeat = false);
  // A script: each part plays for its number of frames, then the next; the
  // last part goes on for ever. Every part counts frames from its own start.
  static SimSoundSource sequence(std::vector<std::pair<std::uint64_t, SimSoundSource>> parts);

  void render(std::uint64_t firstFrame, unsigned channels, std::uint32_t rate, std::int16_t* out,
              std::size_t frames) const;

 private:
  std::shared_ptr<const Render> render_;
};

}  // namespace quorvane
