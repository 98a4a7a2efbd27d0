#include "engine/FileTransferEngine.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void FileTransferEngine::FileTransferLoop() {
  auto& s = c_.s;
  const Engine::LoopRunning running(engine_);
  const std::uint32_t block = s.OutputBufferBytes;

  if (s.ResumeFromPause == 0) {
    c_.ui.RecordPlayTimer.setElapsedMs(0);
    c_.ui.RecordPlayTimer.SetCount(true);
    const std::size_t in = std::min<std::size_t>(2u * s.InputBufferBytes, DeviceBufferSize);
    const std::size_t out = std::min<std::size_t>(2u * block, DeviceBufferSize);
    std::memset(s.InputBufferA.get(), 0, in);
    std::memset(s.InputBufferB.get(), 0, in);
    std::memset(s.OutputBufferA.get(), 0, out);
    std::memset(s.OutputBufferB.get(), 0, out);
    // Both buffers get file data, whichever buffer the last run ended on, so
    // the monitor and the file carry the blocks back to back from the first.
    fileBytes_[0] = engine_.ReadInputBlock(s.OutputBufferA.get(), block);
    fileBytes_[1] = engine_.ReadInputBlock(s.OutputBufferB.get(), block);
    s.PlayBytesRemaining = s.InputDataBytes - 2 * static_cast<std::int64_t>(block);
    player_.ShowPlayPosition();
    // A resume carries on with the count and the DC estimate: the blocks
    // after it are written and processed as if there had been no pause.
    blocks_.begin(c_.host.wallClockMs());

    engine_.MatchOutputFileFormat();
    transmissions_.begin();
    recorder_.OpenDevices();
    s.NextBuffer = 1;
  }
  // A resumed transfer goes on with the buffer pair the pause left queued:
  // starting over at A would queue a buffer the device still holds.
  s.DeviceTimedOut = 0;
  s.StopRequested = 0;

  while (s.StopRequested == 0 && s.ActivityState != ActivityPaused) {
    if (s.NextBuffer == 1) blocks_.nextPair();
    // Queued once a quarter of the capture buffer is in: the transfer keeps
    // the output device fed a little earlier than a recording does.
    if (!recorder_.Exchange(s.NextBuffer == 1)) return;
    if (s.StopRequested) return recorder_.StopExit();

    c_.ui.RecordLED.SetChecked(s.ActivityState == ActivityFileTransfer && s.GateOpen == 1);
    // The block that has just been played: A when NextBuffer has moved on to 2.
    const int done = s.NextBuffer == 2 ? 0 : 1;
    std::uint8_t* played = done == 0 ? s.OutputBufferA.get() : s.OutputBufferB.get();
    std::uint8_t* in = done == 0 ? s.InputBufferA.get() : s.InputBufferB.get();
    blocks_.process(played, in, fileBytes_[done], true);
    engine_.KeepOutputFileCurrent();  // the end of a transmission is on disk within a second

    if (!readNext(done)) {
      if (s.InputFile) s.InputFile->seek(s.InputDataOffset);
      c_.ui.PlayScrollBar.setPosition(0);
      engine_.StopBtnClick();
      s.StopRequested = 1;
    }
  }
  transmissions_.finish();
  if (s.StopRequested) {
    s.ResumeFromPause = 0;
    recorder_.StopExit();
  }
}

bool FileTransferEngine::readNext(int done) {
  auto& s = c_.s;
  const std::uint32_t block = s.OutputBufferBytes;
  // Go on while the block queued in the other buffer holds sound: every
  // block with file data in it is processed, none after the last.
  if (fileBytes_[1 - done] == 0) return false;
  c_.host.processMessages();
  // "Open Input File" cancelled under the running transfer: as at the end of the data.
  if (s.InputFileOpen != 1) return false;
  std::uint8_t* buffer = done == 0 ? s.OutputBufferA.get() : s.OutputBufferB.get();
  fileBytes_[done] = engine_.ReadInputBlock(buffer, block);
  s.PlayBytesRemaining -= block;
  player_.ShowPlayPosition();
  display_.ShowElapsedTime();
  return true;
}

}  // namespace quorvane
