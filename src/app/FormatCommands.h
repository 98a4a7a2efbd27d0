#pragma once

#include <cstdint>
#include <functional>

#include "state/FormContext.h"

namespace quorvane {

// The channel-mode, sample-rate and stay-on-top menu commands. The format
// commands act only while idle or while an input file is being chosen, so
// buffer sizes, formats and the filter never change under a running loop.
class FormatCommands {
 public:
  explicit FormatCommands(FormContext c) : c_(c) {}

  void Mono2Click() { setChannels(1); }
  void Stereo2Click() { setChannels(2); }
  void N11025Hz1Click() { setRate(11025); }
  void N22050Hz1Click() { setRate(22050); }
  void N44100Hz1Click() { setRate(44100); }
  void N8000Hz1Click() { setRate(8000); }
  void N16000Hz1Click() { setRate(16000); }
  void N32000Hz1Click() { setRate(32000); }
  void N48000Hz1Click() { setRate(48000); }
  void Off1Click() { setStayOnTop(false); }
  void On1Click() { setStayOnTop(true); }

  // "Channel Mode = MONO      Sample Rate = 11025 Hz" or its stereo twin into StatusMemo2.
  void WriteStatusLine();

  // Runs the rate command matching a supported rate, if there is one; the same for channels.
  void SelectRate(std::uint32_t rate);
  void SelectChannels(std::uint16_t channels);

  // Designs the band-pass filter for cut-offs given as fractions of the rate.
  std::function<void(float lowCutoff, float highCutoff)> designFilter;

 private:
  bool refused();
  void setChannels(int c);
  void setRate(std::uint32_t rate);
  void setStayOnTop(bool on);

  FormContext c_;
};

}  // namespace quorvane
