#include "audio/SimSoundSource.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

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
  // A tone of whole hertz repeats exactly every rate / gcd(rate, hz) frames; that
  // many are computed once per rate and copied from then on, so an hour of sound
  // in virtual time costs little more than the copy.
  struct Repeat {
    std::uint32_t rate = 0;
    std::vector<std::int16_t> frames;  // empty: computed frame by frame
  };
  auto repeat = std::make_shared<Repeat>();
  return SimSoundSource([hz, amplitude, repeat](std::uint64_t first, unsigned channels, std::uint32_t rate,
                                                std::int16_t* out, std::size_t frames) {
    const double period = static_cast<double>(rate) / hz;
    auto sample = [&](std::uint64_t frame) {
      // The phase from the frame number modulo one period keeps long runs exact.
      const double t = std::fmod(static_cast<double>(frame), period) / period;
      const double v = std::round(amplitude * std::sin(2.0 * std::numbers::pi * t));
      return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    };
    if (repeat->rate != rate) {
      repeat->rate = rate;
      repeat->frames.clear();
      if (hz >= 1.0 && hz <= 1e6 && hz == std::floor(hz) && rate > 0) {
        const std::uint32_t length = rate / std::gcd(rate, static_cast<std::uint32_t>(hz));
        if (length <= (1u << 20))
          for (std::uint32_t f = 0; f < length; ++f) repeat->frames.push_back(sample(f));
      }
    }
    const std::vector<std::int16_t>& table = repeat->frames;
    if (table.empty()) {
      for (std::size_t i = 0; i < frames; ++i) {
        const std::int16_t v = sample(first + i);
        for (unsigned c = 0; c < channels; ++c) *out++ = v;
      }
      return;
    }
    std::size_t at = static_cast<std::size_t>(first % table.size());
    while (frames > 0) {
      const std::size_t n = std::min(frames, table.size() - at);
      for (std::size_t i = 0; i < n; ++i)
        for (unsigned c = 0; c < channels; ++c) *out++ = table[at + i];
      frames -= n;
      at = 0;
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
