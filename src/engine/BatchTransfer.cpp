#include "engine/BatchTransfer.h"

namespace quorvane {

void BatchTransfer::Run() {
  auto& s = c_.s;
  const std::uint32_t block = s.InputBufferBytes;
  const std::uint64_t bytesPerSecond = s.WaveFormat.AvgBytesPerSec ? s.WaveFormat.AvgBytesPerSec : 1;
  std::uint8_t* buffer = s.InputBufferA.get();
  s.StopRequested = 0;
  s.PlayBytesRemaining = s.InputDataBytes;
  engine_.MatchOutputFileFormat();
  transmissions_.begin();
  blocks_.begin(c_.host.wallClockMs());
  const std::int64_t startMs = c_.host.nowMs();

  for (std::uint64_t k = 0; s.StopRequested == 0 && s.InputFileOpen == 1; ++k) {
    // Blocks alternate between the pair's two buffers, A first.
    if (k % 2 == 0) blocks_.nextPair();
    const std::uint32_t got = engine_.ReadInputBlock(buffer, block);
    if (got == 0) break;
    const auto due = startMs + static_cast<std::int64_t>((k + 1) * block * 1000 / bytesPerSecond);
    if (due > c_.host.nowMs()) c_.host.sleepMs(static_cast<int>(due - c_.host.nowMs()));
    c_.host.processMessages();
    if (s.StopRequested) return;  // stopped meanwhile: the file is already complete
    blocks_.process(buffer, nullptr, got, false);
    s.PlayBytesRemaining -= block;
  }
  if (s.StopRequested == 0) engine_.StopBtnClick();
}

}  // namespace quorvane
