#pragma once

#include <cstdint>
#include <functional>

#include "audio/WaveDevices.h"
#include "display/Display.h"
#include "dsp/BandpassFilter.h"
#include "engine/BufferSteps.h"
#include "engine/Engine.h"
#include "engine/Transmissions.h"
#include "state/FormContext.h"

namespace quorvane {

// Recording from the sound card: Record's handler and the loop that captures
// one device buffer after the other, processes it, monitors it, draws it and
// appends it to the output file while the VOX gate is open. The loop runs
// inside the click handler and returns only at a stop or a pause.
class Recorder {
 public:
  Recorder(FormContext c, Engine& engine, WaveDevices& devices, BufferSteps& steps, Display& display,
           BandpassFilter& filter, Transmissions& transmissions)
      : c_(c),
        engine_(engine),
        devices_(devices),
        steps_(steps),
        display_(display),
        filter_(filter),
        transmissions_(transmissions) {}

  void RecordBtnClick();
  void RecordLoop();

  // "Open Output File" and "Open Input File", run when Record needs a file.
  std::function<void()> openOutputFile;
  std::function<void()> openInputFile;
  // The file-transfer run, when File Transfer is ticked; absent: the sound card is recorded.
  std::function<void()> fileTransferLoop;

  // The shared chain after unpacking: DC removal, gain, filter, gate, display.
  // Used by the recording loops on the buffer that has just completed.
  void ProcessWorkSamples(int n, std::int32_t bufferCount, float& dcLevel);
  // The same chain without the display, for a batch job nobody watches.
  void ProcessSamples(int n, std::int32_t bufferCount, float& dcLevel);

  // Opens and starts the capture device with buffer A queued, and the
  // playback device with output buffer A written.
  void OpenDevices();
  // One exchange of the capture loops: read the capture position, queue the
  // other input and output pair, then wait for this pair. False when a stop
  // came first (the devices are then reset and closed).
  bool Exchange(bool waitForA);
  // Resets and closes both devices.
  void StopExit();
  // The sound device went away (a sound server restarted, an adapter was
  // unplugged): the file so far is completed and, once the device is back,
  // the recording goes on in the next numbered file with the same settings.
  // False when a stop came first.
  bool RecoverLostDevices();

 private:
  // Record's work once it may start: files, then the loop.
  void startRecording();
  void processPass();
  void updateIndicators();

  FormContext c_;
  Engine& engine_;
  WaveDevices& devices_;
  BufferSteps& steps_;
  Display& display_;
  BandpassFilter& filter_;
  Transmissions& transmissions_;
  // The loop's count of waits for buffer A and its DC estimate, kept over a pause.
  std::int32_t bufferCount_ = 0;
  float dcLevel_ = 0.0f;
};

}  // namespace quorvane
