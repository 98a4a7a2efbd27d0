#include "engine/FileTransferEngine.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void FileTransferEngine::FileTransferLoop() {
  auto& s = c_.s;
  const std::uint32_t block = s.OutputBufferBytes;
  std::int32_t bufferCount = 0;
  float dcLevel = 0.0f;

  if (s.ResumeFromPause == 0) {
    c_.ui.RecordPlayTimer.setElapsedMs(0);
    c_.ui.RecordPlayTimer.SetCount(true);
    const std::size_t in = std::min<std::size_t>(2u * s.InputBufferBytes, DeviceBufferSize);
    const std::size_t out = std::min<std::size_t>(2u * block, DeviceBufferSize);
    std::memset(s.InputBufferA.get(), 0, in);
    std::memset(s.InputBufferB.get(), 0, in);
    std::memset(s.OutputBufferA.get(), 0, out);
    std::memset(s.OutputBufferB.get(), 0, out);
    s.PlayBytesRemaining = s.InputDataBytes;
    if (s.NextBuffer == 1) {
      // Both buffers get file data, so the monitor and the file carry the
      // blocks back to back; with only A filled, B's zeros would slip in as
      // a gap after the first block.
      engine_.ReadInputBlock(s.OutputBufferA.get(), block);
      engine_.ReadInputBlock(s.OutputBufferB.get(), block);
      s.PlayBytesRemaining -= 2 * static_cast<std::int64_t>(block);
    } else {
      engine_.ReadInputBlock(s.OutputBufferB.get(), block);
      s.PlayBytesRemaining -= block;
    }
    player_.ShowPlayPosition();

    engine_.MatchOutputFileFormat();
    recorder_.OpenDevices();
    s.NextBuffer = 1;
  }
  // A resumed transfer goes on with the buffer pair the pause left queued:
  // starting over at A would queue a buffer the device still holds.
  s.DeviceTimedOut = 0;
  s.StopRequested = 0;

  while (s.StopRequested == 0 && s.ActivityState != ActivityPaused) {
    if (s.NextBuffer == 1) ++bufferCount;
    // Queued once a quarter of the capture buffer is in: the transfer keeps
    // the output device fed a little earlier than a recording does.
    if (!recorder_.Exchange(s.NextBuffer == 1, s.OutputBufferBytes / 4u)) return;
    if (s.StopRequested) return recorder_.StopExit();

    c_.ui.RecordLED.SetChecked(s.ActivityState == ActivityFileTransfer && s.GateOpen == 1);
    // The block that has just been played: A when NextBuffer has moved on to 2.
    std::uint8_t* played = s.NextBuffer == 2 ? s.OutputBufferA.get() : s.OutputBufferB.get();
    std::uint8_t* in = s.NextBuffer == 2 ? s.InputBufferA.get() : s.InputBufferB.get();
    const int n = s.InputBufferBytes / 2;
    steps_.UnpackBuffer(played, n);
    recorder_.ProcessWorkSamples(n, bufferCount, dcLevel);
    steps_.PackBuffer(played, n);
    std::memcpy(in, played, s.InputBufferBytes);
    if (bufferCount > 0 && s.FileBypass == 0 && s.GateOpen == 1 && s.OutputFileOpen == 1)
      engine_.AppendToOutputFile(in, s.InputBufferBytes);

    if (!readNext(played)) {
      if (s.InputFile) s.InputFile->seek(s.InputDataOffset);
      c_.ui.PlayScrollBar.setPosition(0);
      engine_.StopBtnClick();
      s.StopRequested = 1;
    }
  }
  if (s.StopRequested) {
    s.ResumeFromPause = 0;
    recorder_.StopExit();
  }
}

bool FileTransferEngine::readNext(std::uint8_t* buffer) {
  auto& s = c_.s;
  const std::uint32_t block = s.OutputBufferBytes;
  // Go on while the block waiting in the other buffer still holds sound:
  // every block with file data in it is processed, none after the last.
  if (s.PlayBytesRemaining <= -static_cast<std::int64_t>(block)) return false;
  c_.host.processMessages();
  // "Open Input File" cancelled under the running transfer: as at the end of the data.
  if (s.InputFileOpen != 1) return false;
  engine_.ReadInputBlock(buffer, block);
  s.PlayBytesRemaining -= block;
  player_.ShowPlayPosition();
  display_.ShowElapsedTime();
  return true;
}

}  // namespace quorvane
