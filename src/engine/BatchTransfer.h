#pragma once

#include <cstdint>

#include "engine/Engine.h"
#include "engine/TransferBlocks.h"
#include "state/FormContext.h"

namespace quorvane {

// A file transfer with no sound card: the open input file is read, processed
// and written block after block as fast as the machine allows, through the
// same per-block work as the window's transfer (TransferBlocks), so the
// output is the same, byte for byte. It takes the transfer loop's place once
// Record has opened both files.
//
// Nothing waits for a device; the host's clock is brought, before each
// block, to the moment the window's transfer would process it (when the
// block has been played), and its events run there. The hang time of the
// gate is a host timer, so it is counted in the file's own time. On a host
// in virtual time (the command line's, the tests') that costs nothing.
class BatchTransfer {
 public:
  BatchTransfer(FormContext c, Engine& engine, BufferSteps& steps, Recorder& recorder, Transmissions& transmissions)
      : c_(c), engine_(engine), transmissions_(transmissions), blocks_(c, steps, recorder, transmissions) {}

  // Runs to the end of the data (or a stop) and completes the output file.
  void Run();

 private:
  FormContext c_;
  Engine& engine_;
  Transmissions& transmissions_;
  TransferBlocks blocks_;
};

}  // namespace quorvane
