#include "engine/TransferBlocks.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void TransferBlocks::begin(std::int64_t startMs) {
  bufferCount_ = 0;
  dcLevel_ = 0.0f;
  startMs_ = startMs;
  doneBytes_ = 0;
}

void TransferBlocks::process(std::uint8_t* block, std::uint8_t* copy, std::uint32_t fileBytes, bool draw) {
  auto& s = c_.s;
  const int n = s.InputBufferBytes / 2;
  steps_.UnpackBuffer(block, n);
  if (draw)
    recorder_.ProcessWorkSamples(n, bufferCount_, dcLevel_);
  else
    recorder_.ProcessSamples(n, bufferCount_, dcLevel_);
  steps_.PackBuffer(block, n);
  if (copy) std::memcpy(copy, block, s.InputBufferBytes);
  // Only what came from the file: the silence after its last sample is not sound.
  const std::uint32_t keep = std::min<std::uint32_t>(fileBytes, s.InputBufferBytes);
  if (bufferCount_ > 0 && keep > 0 && s.FileBypass == 0) {
    const std::uint32_t rate = s.WaveFormat.AvgBytesPerSec ? s.WaveFormat.AvgBytesPerSec : 1;
    const bool loud = s.VoxEnabled == 0 || s.PeakLevel > s.ThresholdLevel;
    transmissions_.pass(block, keep, s.GateOpen == 1, loud,
                        startMs_ + static_cast<std::int64_t>(doneBytes_ * 1000 / rate));
  }
  doneBytes_ += s.InputBufferBytes;
}

}  // namespace quorvane
