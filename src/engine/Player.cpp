#include "engine/Player.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void Player::PlayBtnClick() {
  auto& s = c_.s;
  // Already playing, a file transfer runs, or a start is choosing its files:
  // a second loop must not start inside the running one.
  if (s.ActivityState == ActivityPlaying || s.ActivityState == ActivityFileTransfer ||
      s.ActivityState == ActivitySelectingInput || s.ActivityState == ActivitySelectingOutput)
    return;
  if (s.ActivityState == ActivityRecording) engine_.StopBtnClick();
  if (engine_.loopOnStack()) {
    engine_.startLater([this] { PlayBtnClick(); });
    return;
  }
  // Only paused playback resumes; a paused recording or transfer is stopped
  // (file completed, devices released) and the chosen file plays from its start.
  if (s.ActivityState == ActivityPaused && s.PausedActivity != ActivityPlaying) engine_.StopBtnClick();
  engine_.runActivity([this] { startPlaying(); });
}

void Player::startPlaying() {
  auto& s = c_.s;
  auto& ui = c_.ui;
  ui.StopBtn.setCaptionColour(clBlue);
  ui.RecordBtn.setCaptionColour(clBlue);
  ui.PauseBtn.setCaptionColour(clBlue);
  ui.PlayBtn.setCaptionColour(clRed);
  if (s.ActivityState == ActivityPaused) {
    s.ResumeFromPause = 1;
  } else {
    s.ResumeFromPause = 0;
    ui.RecordPlayTimer.setElapsedMs(0);
  }
  if (s.InputFileOpen == 0) {
    s.ActivityState = ActivitySelectingInput;
    if (openInputFile) openInputFile();
  }
  if (s.InputFileOpen != 1) {
    engine_.StopBtnClick();
    return;
  }
  if (s.ResumeFromPause == 0) engine_.AdoptOpenInputFormat();
  // Seeking needs the bar, also for a file opened from the menu beforehand.
  ui.PlayScrollBar.setEnabled(true);
  ui.RecordPlayTimer.SetCount(true);
  s.ActivityState = ActivityPlaying;
  ui.StatusMemo.setText("Current Activity = Play");
  PlayLoop();
  if (s.ActivityState != ActivityPaused) engine_.StopBtnClick();
}

void Player::ShowPlayPosition() {
  const auto& s = c_.s;
  if (s.InputDataBytes == 0) return;
  const float played = static_cast<float>(static_cast<std::int64_t>(s.InputDataBytes) - s.PlayBytesRemaining);
  c_.ui.PlayScrollBar.setPosition(static_cast<int>(played * 1000.0f / static_cast<float>(s.InputDataBytes)));
}

void Player::PlayLoop() {
  auto& s = c_.s;
  const Engine::LoopRunning running(engine_);
  const std::uint32_t block = s.OutputBufferBytes;
  std::int32_t bufferCount = 0;
  std::int32_t dcOffset = 0;
  display_.ClearDisplay();
  if (s.ActivityState == ActivityPlaying) {
    s.NextBuffer = 1;
    const std::size_t clear = std::min<std::size_t>(2u * block, DeviceBufferSize);
    std::memset(s.OutputBufferA.get(), 0, clear);
    std::memset(s.OutputBufferB.get(), 0, clear);
    engine_.ReadInputBlock(s.OutputBufferB.get(), block);
    if (s.ResumeFromPause == 0) s.PlayBytesRemaining = s.InputDataBytes;
    s.PlayBytesRemaining -= block;
    ShowPlayPosition();
    display_.ShowElapsedTime();

    // A block of silence first, then the first file block unprocessed.
    devices_.SetupOutputHeaders();
    devices_.OpenOutputDevice();
    devices_.RearmOutputHeaderA();
    devices_.PrepareOutputHeaderA();
    devices_.WriteOutputBufferA();
    s.DeviceTimedOut = 0;
    s.StopRequested = 0;

    while (s.StopRequested == 0 && s.ActivityState == ActivityPlaying) {
      if (!exchange(s.NextBuffer == 1, bufferCount)) return;
      if (s.StopRequested) return stopExit();
      c_.ui.PlayLED.SetChecked(s.ActivityState == ActivityPlaying);

      // The buffer that is written next.
      std::uint8_t* next = s.NextBuffer == 2 ? s.OutputBufferA.get() : s.OutputBufferB.get();
      if (s.PlayBytesRemaining > static_cast<std::int64_t>(block / 2)) {
        engine_.ReadInputBlock(next, block);
        s.PlayBytesRemaining -= block;
        ShowPlayPosition();
        display_.ShowElapsedTime();
      } else {
        if (s.InputFile) s.InputFile->seek(s.InputDataOffset);
        c_.ui.PlayScrollBar.setPosition(0);
        engine_.StopBtnClick();
        s.StopRequested = 1;
      }
      if (s.StopRequested) break;

      const int n = static_cast<int>(block / 2);
      steps_.UnpackBuffer(next, n);
      steps_.RemovePlayDcOffset(n, bufferCount, dcOffset);
      steps_.ApplyGain(n);
      if (s.FilterEnabled == 1)
        filter_.BlockFilter(s.WorkSamples.data(), s.ChannelCount, static_cast<std::int32_t>(s.WaveFormat.SampleRate));
      display_.ClearDisplay();
      if (s.DisplayType == 0) display_.DrawTimeView(s.WorkSamples.data(), s.ChannelCount);
      if (s.DisplayType == 1) display_.DrawAmplitudeView(s.WorkSamples.data(), s.ChannelCount);
      steps_.PackBuffer(next, n);
    }
  }
  if (s.StopRequested) {
    s.ResumeFromPause = 0;
    stopExit();
  }
}

bool Player::waitForHalfPlayed() {
  auto& s = c_.s;
  const std::uint32_t b = s.OutputBufferBytes;
  if (b == 0) return true;
  std::uint32_t p = devices_.GetOutputPosition() % b;
  std::uint32_t polls = 0;
  while (p < b / 2) {
    if (p == 0) break;
    if (s.StopRequested) {
      stopExit();
      return false;
    }
    p = devices_.GetOutputPosition() % b;
    if (++polls > b) break;
  }
  return true;
}

bool Player::exchange(bool waitForA, std::int32_t& bufferCount) {
  auto& s = c_.s;
  if (waitForA) ++bufferCount;
  if (!waitForHalfPlayed()) return false;
  if (waitForA) {
    devices_.RearmOutputHeaderB();
    devices_.PrepareOutputHeaderB();
    devices_.WriteOutputBufferB();
  } else {
    devices_.RearmOutputHeaderA();
    devices_.PrepareOutputHeaderA();
    devices_.WriteOutputBufferA();
  }
  s.DeviceTimedOut = 0;
  c_.ui.TimeoutTimer.setEnabled(true);
  if (waitForA) {
    devices_.WaitOutputBufferA();
    devices_.UnprepareOutputHeaderA();
  } else {
    devices_.WaitOutputBufferB();
    devices_.UnprepareOutputHeaderB();
  }
  if (s.StopRequested) {
    stopExit();
    return false;
  }
  c_.ui.TimeoutTimer.setEnabled(false);
  s.DeviceTimedOut = 0;
  s.NextBuffer = waitForA ? 2 : 1;
  return true;
}

void Player::stopExit() {
  c_.ui.TimeoutTimer.setEnabled(false);
  devices_.ResetOutputDevice();
  devices_.CloseOutputDevice();
}

void Player::PauseBtnClick() {
  auto& s = c_.s;
  auto& ui = c_.ui;
  if (s.ActivityState == ActivityStopped || s.ActivityState == ActivityPaused) return;
  ui.StopBtn.setCaptionColour(clBlue);
  ui.RecordBtn.setCaptionColour(clBlue);
  ui.PlayBtn.setCaptionColour(clBlue);
  ui.PauseBtn.setCaptionColour(clRed);
  s.PausedActivity = s.ActivityState;
  s.ActivityState = ActivityPaused;
  ui.PlayLED.SetChecked(false);
  ui.RecordLED.SetChecked(false);
  ui.StatusMemo.setText("Current Activity = Paused");
  ui.RecordPlayTimer.SetCount(false);
}

void Player::PlayScrollBarScroll() {
  auto& s = c_.s;
  auto& ui = c_.ui;
  if (s.ActivityState == ActivityPlaying) PauseBtnClick();
  if (s.ActivityState == ActivityStopped) {
    ui.PlayScrollBar.setPosition(0);
    return;
  }
  if (s.ActivityState != ActivityPaused) return;
  ui.PauseTimer.setEnabled(false);
  if (s.InputFileOpen == 1) {
    const float fraction = static_cast<float>(s.InputDataBytes) *
                           static_cast<float>(1000 - ui.PlayScrollBar.position()) * 0.001f;
    std::int64_t r = static_cast<std::int64_t>(fraction);
    r = std::clamp<std::int64_t>(r, 0, s.InputDataBytes);
    // Whole frames: an offset between a left and a right sample would swap the channels.
    const std::int64_t frame = s.InputFileFormat.Format.BlockAlign ? s.InputFileFormat.Format.BlockAlign : 2;
    r -= r % frame;
    s.PlayBytesRemaining = r;
    // Counted back from the end of the data chunk: other chunks may follow it.
    if (s.InputFile) s.InputFile->seek(s.InputDataOffset + s.InputDataBytes - static_cast<std::uint64_t>(r));
    if (s.WaveFormat.SampleRate != 0) {
      const std::uint64_t secs = static_cast<std::uint64_t>(s.InputDataBytes - r) / s.WaveFormat.SampleRate /
                                 (s.ChannelCount == 1 ? 2u : 4u);
      ui.RecordPlayTimer.setElapsedMs(static_cast<std::int64_t>(secs) * 1000);
      ui.TimerMemo.setText(Display::ClockText(static_cast<std::int64_t>(secs / 3600), static_cast<int>(secs / 60 % 60),
                                              static_cast<int>(secs % 60)));
    }
    ui.PauseTimer.setEnabled(true);
  }
}

void Player::PlayScrollBarEnter() {
  if (c_.s.ActivityState == ActivityPlaying) PauseBtnClick();
}

void Player::PauseTimerTimer() {
  c_.ui.PauseTimer.setEnabled(false);
  PlayBtnClick();
}

}  // namespace quorvane
