#include "audio/SimSoundSink.h"

#include <algorithm>

namespace quorvane {

void SimSoundSink::append(const std::int16_t* interleaved, std::size_t count) {
  played_ += count;
  const std::size_t room = keep_ > samples_.size() ? keep_ - samples_.size() : 0;
  samples_.insert(samples_.end(), interleaved, interleaved + std::min(room, count));
}

void SimSoundSink::clear() {
  samples_.clear();
  played_ = 0;
}

}  // namespace quorvane
