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

 private:
  bool openAndCheckInput(const std::string& path);
  void adoptInputFormat();

  FormContext c_;
  Engine& engine_;
  FormatCommands& formats_;
};

}  // namespace quorvane
