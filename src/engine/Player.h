#pragma once

#include <cstdint>
#include <functional>

#include "audio/WaveDevices.h"
#include "display/Display.h"
#include "dsp/BandpassFilter.h"
#include "engine/BufferSteps.h"
#include "engine/Engine.h"
#include "state/FormContext.h"

namespace quorvane {

// Playback of the open input WAV file through the output device and the
// processing chain, with pause and a seek scroll bar. The loop runs inside
// Play's click handler; pause, seek and stop reach it through the shared state.
class Player {
 public:
  Player(FormContext c, Engine& engine, WaveDevices& devices, BufferSteps& steps, Display& display,
         BandpassFilter& filter)
      : c_(c), engine_(engine), devices_(devices), steps_(steps), display_(display), filter_(filter) {}

  void PlayBtnClick();
  void PlayLoop();
  void PauseBtnClick();
  void PlayScrollBarScroll();
  void PlayScrollBarEnter();
  void PlayScrollBarMouseLeave() {}
  void PauseTimerTimer();

  // "Open Input File", run when Play finds no file open.
  std::function<void()> openInputFile;

  // The scroll bar's place for the bytes played so far.
  void ShowPlayPosition();

 private:
  // Play's work once it may start: the file, then the loop.
  void startPlaying();
  // Queues the next output buffer and waits for the current one; false on a stop.
  bool exchange(bool waitForA, std::int32_t& bufferCount);
  bool waitForHalfPlayed();
  void stopExit();

  FormContext c_;
  Engine& engine_;
  WaveDevices& devices_;
  BufferSteps& steps_;
  Display& display_;
  BandpassFilter& filter_;
};

}  // namespace quorvane
