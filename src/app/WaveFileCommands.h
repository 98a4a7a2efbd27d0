#pragma once

#include "app/FormatCommands.h"
#include "engine/Engine.h"
#include "state/FormContext.h"

namespace quorvane {

// "Open Input File" and "Open Output File": choose, check and open the WAV
// files the loops read and write. Record and Play run them too when no file
// is open, and take a file still closed afterwards as the signal to stop.
class WaveFileCommands {
 public:
  WaveFileCommands(FormContext c, Engine& engine, FormatCommands& formats)
      : c_(c), engine_(engine), formats_(formats) {}

  void OpenInput1Click();
  void OpenOutput1Click();
  // Makes the open input file's format the current one, by the state in force.
  void AdoptInputFormat();

 private:
  bool openAndCheckInput(const std::string& path);

  FormContext c_;
  Engine& engine_;
  FormatCommands& formats_;
};

}  // namespace quorvane
