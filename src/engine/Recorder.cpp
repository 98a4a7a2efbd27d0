#include "engine/Recorder.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void Recorder::RecordBtnClick() {
  auto& s = c_.s;
  // Already recording, a transfer runs, or this start is choosing its files:
  // a second loop must not start inside the running one.
  if (s.ActivityState == ActivityRecording || s.ActivityState == ActivityFileTransfer ||
      s.ActivityState == ActivitySelectingInput || s.ActivityState == ActivitySelectingOutput)
    return;
  if (s.ActivityState == ActivityPlaying) engine_.StopBtnClick();
  if (engine_.loopOnStack()) {
    engine_.startLater([this] { RecordBtnClick(); });
    return;
  }
  // A pause resumes only what it interrupted; anything else paused is
  // stopped first (devices released, file completed) and this starts afresh.
  const std::int32_t wanted = s.FileTransfer != 0 && fileTransferLoop ? ActivityFileTransfer : ActivityRecording;
  if (s.ActivityState == ActivityPaused && s.PausedActivity != wanted) engine_.StopBtnClick();
  engine_.runActivity([this] { startRecording(); });
}

void Recorder::startRecording() {
  auto& s = c_.s;
  auto& ui = c_.ui;
  if (s.ActivityState == ActivityPaused) {
    s.ResumeFromPause = 1;
  } else {
    s.ResumeFromPause = 0;
    ui.RecordPlayTimer.setElapsedMs(0);
    display_.ShowZeroElapsed();
  }
  ui.RecordPlayTimer.SetCount(true);
  ui.StopBtn.setCaptionColour(clBlue);
  ui.RecordBtn.setCaptionColour(clRed);
  ui.PlayBtn.setCaptionColour(clBlue);
  ui.PauseBtn.setCaptionColour(clBlue);
  ui.FileBypassBox.setEnabled(false);

  if (s.FileTransfer != 0 && fileTransferLoop) {
    ui.StatusMemo.setText("Current Activity = File Transfer Recording");
    if (s.InputFileOpen == 0) {
      s.ActivityState = ActivitySelectingInput;
      if (openInputFile) openInputFile();
      if (s.InputFileOpen == 0) {
        engine_.StopBtnClick();
        return;
      }
    } else if (s.ResumeFromPause == 0) {
      engine_.AdoptOpenInputFormat();
    }
    if (s.FileBypass == 0 && s.OutputFileOpen == 0 && !transmissions_.hasNamePattern()) {
      s.ActivityState = ActivitySelectingOutput;
      if (openOutputFile) openOutputFile();
      if (s.OutputFileOpen == 0) {
        engine_.StopBtnClick();
        return;
      }
    }
    c_.host.sleepMs(250);
    s.ActivityState = ActivityFileTransfer;
    fileTransferLoop();
    return;
  }
  ui.StatusMemo.setText("Current Activity = Record");
  // A run in one-file-per-transmission mode resumes with the name it has.
  if (s.FileBypass == 0 && !transmissions_.hasNamePattern()) {
    if (s.OutputFileOpen == 0 && openOutputFile) openOutputFile();
    if (s.OutputFileOpen != 1) {
      engine_.StopBtnClick();
      return;
    }
  }
  if (s.TimerEnabled == 1) ui.TimeRecordLED.SetChecked(true);
  s.ActivityState = ActivityRecording;
  RecordLoop();
}

void Recorder::RecordLoop() {
  auto& s = c_.s;
  const Engine::LoopRunning running(engine_);
  s.GateOpen = 0;

  if (!s.ResumeFromPause) {
    // A resume carries on with the count and the DC estimate, as if there
    // had been no pause: every buffer after it is written and processed
    // exactly as it would have been.
    bufferCount_ = 0;
    dcLevel_ = 0.0f;
    c_.ui.RecordPlayTimer.setElapsedMs(0);
    c_.ui.RecordPlayTimer.SetCount(true);
    // Zeros over every byte the devices use, so the monitor starts silent.
    const std::size_t in = std::min<std::size_t>(2u * s.InputBufferBytes, DeviceBufferSize);
    const std::size_t out = std::min<std::size_t>(2u * std::max(s.InputBufferBytes, s.OutputBufferBytes), DeviceBufferSize);
    std::memset(s.InputBufferA.get(), 0, in);
    std::memset(s.InputBufferB.get(), 0, in);
    std::memset(s.OutputBufferA.get(), 0, out);
    std::memset(s.OutputBufferB.get(), 0, out);
    // A file just opened counts from 0; never forget bytes already in an open file.
    if (s.OutputFileOpen == 0) s.OutputDataBytes = 0;
    s.StopRequested = 0;
    s.DeviceTimedOut = 0;
    s.NextBuffer = 1;
    engine_.MatchOutputFileFormat();
    transmissions_.begin();
    OpenDevices();
  }

  while (s.StopRequested == 0 && s.ActivityState != ActivityPaused) {
    if (devices_.DeviceLost && !RecoverLostDevices()) return;
    if (s.NextBuffer == 1) ++bufferCount_;
    if (!Exchange(s.NextBuffer == 1)) return;
    if (s.StopRequested) return StopExit();
    processPass();
  }
  transmissions_.finish();
  if (s.StopRequested) {
    s.ResumeFromPause = 0;
    StopExit();
  }
  // Paused: the devices keep running with their buffers queued, the file stays open.
}

void Recorder::OpenDevices() {
  devices_.InputSide.StoredPosition = 0;
  devices_.SetupInputHeaders();
  devices_.OpenInputDevice();
  devices_.RearmInputHeaderA();
  devices_.PrepareInputHeaderA();
  devices_.AddInputBufferA();
  devices_.StartInputDevice();

  devices_.SetupOutputHeaders();
  devices_.OpenOutputDevice();
  devices_.RearmOutputHeaderA();
  devices_.PrepareOutputHeaderA();
  devices_.WriteOutputBufferA();
}

bool Recorder::Exchange(bool waitForA) {
  auto& s = c_.s;
  // The position is asked for its failure alone (a device gone mid-recording).
  // Waiting for it to pass the middle of the buffer, as a device that holds
  // only the queued buffers would need, gains nothing here: the device keeps
  // seconds of sound in its ring, and the other pair is free to queue now.
  devices_.GetInputPosition();
  if (waitForA) {
    devices_.RearmInputHeaderB();
    devices_.PrepareInputHeaderB();
    devices_.AddInputBufferB();
    devices_.RearmOutputHeaderB();
    devices_.PrepareOutputHeaderB();
    devices_.WriteOutputBufferB();
  } else {
    devices_.RearmInputHeaderA();
    devices_.PrepareInputHeaderA();
    devices_.AddInputBufferA();
    devices_.RearmOutputHeaderA();
    devices_.PrepareOutputHeaderA();
    devices_.WriteOutputBufferA();
  }
  s.DeviceTimedOut = 0;
  c_.ui.TimeoutTimer.setEnabled(true);
  std::uint32_t captured = 0;
  if (waitForA) {
    captured = devices_.WaitInputBufferA();
    devices_.UnprepareInputHeaderA();
    devices_.WaitOutputBufferA();
    devices_.UnprepareOutputHeaderA();
  } else {
    captured = devices_.WaitInputBufferB();
    devices_.UnprepareInputHeaderB();
    devices_.WaitOutputBufferB();
    devices_.UnprepareOutputHeaderB();
  }
  if (s.StopRequested) {
    StopExit();
    return false;
  }
  // A device restarted by the watchdog hands back a partly filled buffer;
  // the rest still holds sound from two buffers ago, which must not be
  // recorded a second time. It becomes silence.
  std::uint8_t* in = waitForA ? s.InputBufferA.get() : s.InputBufferB.get();
  if (captured < s.InputBufferBytes) std::memset(in + captured, 0, s.InputBufferBytes - captured);
  c_.ui.TimeoutTimer.setEnabled(false);
  s.NextBuffer = waitForA ? 2 : 1;
  return true;
}

bool Recorder::RecoverLostDevices() {
  auto& s = c_.s;
  // The transmission in progress ends with the sound it has (its own file, in
  // one-file mode, is completed with it); the next begins when sound returns.
  transmissions_.finish();
  // A file with sound in it is made whole now; an empty one simply goes on.
  const bool nextFile = s.OutputFileOpen == 1 && s.OutputDataBytes > 0;
  if (nextFile) engine_.CompleteOutputFile();
  if (!devices_.AwaitLostDevices([this] { OpenDevices(); })) return false;
  s.NextBuffer = 1;
  // Unless "Open Output File" chose another file meanwhile.
  if (nextFile && s.OutputFileOpen == 0 && !engine_.ContinueInNextFile()) {
    StopExit();
    return false;
  }
  return true;
}

void Recorder::StopExit() {
  c_.ui.TimeoutTimer.setEnabled(false);
  devices_.ResetInputDevice();
  devices_.CloseInputDevice();
  devices_.ResetOutputDevice();
  devices_.CloseOutputDevice();
}

void Recorder::updateIndicators() {
  auto& s = c_.s;
  const bool writing =
      s.GateOpen == 1 && ((s.TimerEnabled == 0 && s.ActivityState == ActivityRecording) ||
                          (s.TimerEnabled == 1 && s.ScheduleActive == 1));
  c_.ui.RecordLED.SetChecked(writing);
  c_.ui.RecordPlayTimer.SetCount(writing);
}

void Recorder::ProcessWorkSamples(int n, std::int32_t bufferCount, float& dcLevel) {
  auto& s = c_.s;
  ProcessSamples(n, bufferCount, dcLevel);
  display_.ClearDisplay();
  if (s.DisplayType == 0) display_.DrawTimeView(s.WorkSamples.data(), s.ChannelCount);
  if (s.DisplayType == 1) display_.DrawAmplitudeView(s.WorkSamples.data(), s.ChannelCount);
}

void Recorder::ProcessSamples(int n, std::int32_t bufferCount, float& dcLevel) {
  auto& s = c_.s;
  steps_.RemoveDcOffset(n, bufferCount, dcLevel);
  steps_.ApplyGain(n);
  if (s.FilterEnabled == 1)
    filter_.BlockFilter(s.WorkSamples.data(), s.ChannelCount, static_cast<std::int32_t>(s.WaveFormat.SampleRate));
  if (s.VoxEnabled == 1)
    steps_.UpdateVoxGate(n);
  else
    s.GateOpen = 1;
}

void Recorder::processPass() {
  auto& s = c_.s;
  updateIndicators();
  // The pair whose wait has just ended: A when NextBuffer has moved on to 2.
  std::uint8_t* in = s.NextBuffer == 2 ? s.InputBufferA.get() : s.InputBufferB.get();
  std::uint8_t* out = s.NextBuffer == 2 ? s.OutputBufferA.get() : s.OutputBufferB.get();
  const int n = s.InputBufferBytes / 2;

  steps_.UnpackBuffer(in, n);
  ProcessWorkSamples(n, bufferCount_, dcLevel_);
  steps_.PackBuffer(in, n);
  // Muted: silence, written now that the device has handed this buffer back.
  if (s.MuteEnabled == 0)
    std::memcpy(out, in, s.InputBufferBytes);
  else
    std::memset(out, 0, s.InputBufferBytes);

  // A pause that came during this pass's wait still lets its buffer in: it
  // holds the sound up to the moment of the pause.
  const bool recording =
      s.ActivityState == ActivityRecording || (s.ActivityState == ActivityPaused && s.PausedActivity == ActivityRecording);
  const bool mayWrite = (recording && s.TimerEnabled == 0) || (s.ScheduleActive == 1 && s.TimerEnabled == 1);
  if (mayWrite && bufferCount_ > 0 && s.FileBypass == 0) {
    const std::int64_t bufferMs =
        s.WaveFormat.AvgBytesPerSec ? std::int64_t{s.InputBufferBytes} * 1000 / s.WaveFormat.AvgBytesPerSec : 0;
    const bool loud = s.VoxEnabled == 0 || s.PeakLevel > s.ThresholdLevel;
    transmissions_.pass(in, s.InputBufferBytes, s.GateOpen == 1, loud, c_.host.wallClockMs() - bufferMs);
  } else {
    transmissions_.finish();
  }
  if (mayWrite && s.GateOpen == 1) display_.ShowElapsedTime();
  // Also while the gate is shut: the end of a transmission reaches the disk,
  // header and all, within a second, however long the silence after it.
  engine_.KeepOutputFileCurrent();
}

}  // namespace quorvane
