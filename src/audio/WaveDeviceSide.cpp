#include "audio/WaveDeviceSide.h"

namespace quorvane {

void WaveDeviceSide::arm(BufferLetter letter, std::uint32_t bytes) {
  WaveBufferHeader& h = header(letter);
  if (h.inQueue()) return;
  h.data = RecordedBuffer[static_cast<int>(letter)];
  h.bufferLength = bytes;
  h.flags.store(0, std::memory_order_relaxed);
  h.loops = 0;
}

}  // namespace quorvane
