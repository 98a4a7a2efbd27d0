#pragma once

#include <cstdint>

#include "engine/BufferSteps.h"
#include "engine/Recorder.h"
#include "engine/Transmissions.h"
#include "state/FormContext.h"

namespace quorvane {

// The work a file transfer does on each block of the input file, shared by
// the window's transfer (paced by the sound card) and the batch job (as fast
// as the machine allows), so that both write the same bytes: the block goes
// through the recording chain, and the part of it that came from the file
// goes through the gate to the transmissions.
class TransferBlocks {
 public:
  TransferBlocks(FormContext c, BufferSteps& steps, Recorder& recorder, Transmissions& transmissions)
      : c_(c), steps_(steps), recorder_(recorder), transmissions_(transmissions) {}

  // A fresh run (not a resume): the count, the DC estimate and the position
  // start again; the transmissions' log rows are timed from startMs on.
  void begin(std::int64_t startMs);
  // The run is about to wait for buffer A: the DC estimate averages from the second one on.
  void nextPair() { ++bufferCount_; }
  // Processes the InputBufferBytes bytes at `block` in place and, unless
  // `copy` is null, copies them there; the first fileBytes of them came from
  // the file (the rest is silence after its end) and only those are passed
  // on. `draw`: the display shows the block.
  void process(std::uint8_t* block, std::uint8_t* copy, std::uint32_t fileBytes, bool draw);

 private:
  FormContext c_;
  BufferSteps& steps_;
  Recorder& recorder_;
  Transmissions& transmissions_;
  // Kept over a pause: the count of waits for buffer A and the DC estimate.
  std::int32_t bufferCount_ = 0;
  float dcLevel_ = 0.0f;
  // The wall time the run began and how far into the file it is, which
  // time the transmissions' log rows and file names.
  std::int64_t startMs_ = 0;
  std::uint64_t doneBytes_ = 0;
};

}  // namespace quorvane
