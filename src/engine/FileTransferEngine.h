#pragma once

#include <cstdint>

#include "display/Display.h"
#include "engine/BufferSteps.h"
#include "engine/Engine.h"
#include "engine/Player.h"
#include "engine/Recorder.h"
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
                     Player& player)
      : c_(c), engine_(engine), steps_(steps), display_(display), recorder_(recorder), player_(player) {}

  void FileTransferLoop();

 private:
  // Reads the next block into a buffer; false when the data (or the file) has run out.
  bool readNext(std::uint8_t* buffer);

  FormContext c_;
  Engine& engine_;
  BufferSteps& steps_;
  Display& display_;
  Recorder& recorder_;
  Player& player_;
};

}  // namespace quorvane
