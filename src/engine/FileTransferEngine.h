#pragma once

#include <cstdint>

#include "display/Display.h"
#include "engine/BufferSteps.h"
#include "engine/Engine.h"
#include "engine/Player.h"
#include "engine/Recorder.h"
#include "engine/TransferBlocks.h"
#include "engine/Transmissions.h"
#include "state/FormContext.h"

namespace quorvane {

// File-transfer recording: an input WAV file takes the sound card's place.
// Each block is played unprocessed on the output device, then put through
// the recording chain and appended to the output file. The capture device
// still runs, as the clock that keeps the transfer at the file's real pace;
// what it captures is replaced by the processed file data.
class FileTransferEngine {
 public:
  FileTransferEngine(FormContext c, Engine& engine, BufferSteps& steps, Display& display, Recorder& recorder,
                     Player& player, Transmissions& transmissions)
      : c_(c),
        engine_(engine),
        steps_(steps),
        display_(display),
        recorder_(recorder),
        player_(player),
        transmissions_(transmissions),
        blocks_(c, steps, recorder, transmissions) {}

  void FileTransferLoop();

 private:
  // Reads the next block into the pair that has just been processed (0 = A,
  // 1 = B); false when the data (or the file) has run out.
  bool readNext(int done);

  FormContext c_;
  Engine& engine_;
  BufferSteps& steps_;
  Display& display_;
  Recorder& recorder_;
  Player& player_;
  Transmissions& transmissions_;
  TransferBlocks blocks_;
  // Kept over a pause: how many bytes of file data output buffers A and B hold.
  std::uint32_t fileBytes_[2] = {0, 0};
};

}  // namespace quorvane
