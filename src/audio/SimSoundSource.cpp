#include "audio/SimSoundSource.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvane {

SimSoundSource::SimSoundSource() : SimSoundSource(silence()) {}

SimSoundSource::SimSoundSource(Render render) : render_(std::make_shared<const Render>(std::move(render))) {}

void SimSoundSource::render(std::uint64_t firstFrame, unsigned channels, std::uint32_t rate, std::int16_t* out,
                            std::size_t frames) const {
  (*render_)(firstFrame, channels, rate, out, frames);
}

SimSoundSource SimSoundSource::silence() {
  return SimSoundSource([](std::uint64_t, unsigned channels, std::uint32_t, std::int16_t* out, std::size_t frames) {
    std::fill(out, out + frames * channels, std::int16_t{0});
  });
}

SimSoundSource SimSoundSource::tone(double hz, double amplitude) {
  return SimSoundSource([hz, amplitude](std::uint64_t first, unsigned channels, std::uint32_t rate, std::int16_t* out,
                                        std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
      // The phase from the frame number modulo one period keeps long runs exact.
      const double period = static_cast<double>(rate) / hz;
      const double t = std::fmod(static_cast<double>(first + i), period) / period;
      const double v = std::round(amplitude * std::sin(2.0 * std::numbers::pi * t));
      for (unsigned c = 0; c < channels; ++c) *out++ = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
  });
}

SimSoundSource SimSoundSource::generator(std::function<std::int16_t(std::uint64_t, unsigned)> sample) {
  return SimSoundSource([sample = std::move(sample)](std::uint64_t first, unsigned channels, std::uint32_t,
                                                     std::int16_t* out, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i)
      for (unsigned c = 0; c < channels; ++c) *out++ = sample(first + i, c);
  });
}

SimSoundSource SimSoundSource::samples(std::vector<std::int16_t> interleaved, unsigned channels, bool repeat) {
  const unsigned from = std::max(1u, channels);
  auto data = std::make_shared<const std::vector<std::int16_t>>(std::move(interleaved));
  return SimSoundSource([data, from, repeat](std::uint64_t first, unsigned channels, std::uint32_t, std::int16_t* out,
                                             std::size_t frames) {
    const std::uint64_t length = data->size() / from;
    for (std::size_t i = 0; i < frames; ++i) {
      std::uint64_t f = first + i;
      if (repeat && length > 0) f %= length;
      for (unsigned c = 0; c < channels; ++c)
        *out++ = f < length ? (*data)[static_cast<std::size_t>(f * from + std::min(c, from - 1))] : std::int16_t{0};
    }
  });
}

SimSoundSource SimSoundSource::sequence(std::vector<std::pair<std::uint64_t, SimSoundSource>> parts) {
  return SimSoundSource([parts = std::move(parts)](std::uint64_t first, unsigned channels, std::uint32_t rate,
                                                   std::int16_t* out, std::size_t frames) {
    std::uint64_t partStart = 0;
    std::size_t done = 0;
    for (std::size_t p = 0; p < parts.size() && done < frames; ++p) {
      const bool last = p + 1 == parts.size();
      const std::uint64_t partEnd = partStart + parts[p].first;
      const std::uint64_t at = first + done;
      if (last || at < partEnd) {
        const std::uint64_t n = last ? frames - done : std::min<std::uint64_t>(frames - done, partEnd - at);
        parts[p].second.render(at - partStart, channels, rate, out + done * channels, static_cast<std::size_t>(n));
        done += static_cast<std::size_t>(n);
      }
      partStart = partEnd;
    }
    if (done < frames) std::fill(out + done * channels, out + frames * channels, std::int16_t{0});
  });
}

}  // namespace quorvane
