#pragma once

#include "display/Display.h"
#include "state/FormContext.h"

namespace quorvane {

// The record, play and file-transfer loops and the one way back to the
// stopped state. The loops run inside the click handler that started them
// and are steered only through the shared flags.
class Engine {
 public:
  Engine(FormContext c, Display& display) : c_(c), display_(display) {}

  // Returns the window and the engine to the stopped state from any state:
  // raises StopRequested so a running loop ends, completes the output WAV
  // file and closes the open files. The devices are left to the loop.
  void StopBtnClick();

  // Writes the final sizes into the output file's header and closes it.
  // Nothing happens when no output file is open.
  void CompleteOutputFile();
  // Closes the input WAV file if one is open.
  void CloseInputFile();

 private:
  FormContext c_;
  Display& display_;
};

}  // namespace quorvane
