#include "engine/Engine.h"

#include "files/WavHeader.h"

namespace quorvane {

void Engine::StopBtnClick() {
  auto& s = c_.s;
  auto& ui = c_.ui;
  ui.StopBtn.setCaptionColour(clRed);
  ui.RecordBtn.setCaptionColour(clBlue);
  ui.PlayBtn.setCaptionColour(clBlue);
  ui.PauseBtn.setCaptionColour(clBlue);

  s.ActivityState = ActivityStopped;
  ui.StatusMemo.setText("Current Activity = Stopped");

  // A loop running underneath cannot run during this pause; it sees the flag
  // once this handler has returned to its wait.
  s.StopRequested = 1;
  c_.host.sleepMs(250);
  s.ResumeFromPause = 0;

  ui.PlayLED.SetChecked(false);
  ui.RecordLED.SetChecked(false);
  ui.TimeRecordLED.SetChecked(false);
  ui.SquelchLED.SetChecked(false);
  s.ScheduleActive = 0;
  ui.RecordPlayTimer.SetCount(false);
  ui.PauseTimer.setEnabled(false);
  ui.PlayScrollBar.setEnabled(false);
  ui.FileBypassBox.setEnabled(true);

  CompleteOutputFile();
  CloseInputFile();

  ui.PlayScrollBar.setPosition(0);
  display_.ClearDisplay();
  display_.CopyToSpectrumBox();
}

void Engine::CompleteOutputFile() {
  auto& s = c_.s;
  if (s.OutputFileOpen != 1) return;
  bool ok = false;
  if (s.OutputFile) {
    ok = WavHeader::writeSizes(*s.OutputFile, s.OutputDataBytes);
    ok = s.OutputFile->close() && ok;
  }
  s.OutputFile.reset();
  s.OutputFileOpen = 0;
  if (!ok) c_.host.messageBox("Could not complete the Wave file", "File Error Message");
}

void Engine::CloseInputFile() {
  auto& s = c_.s;
  if (s.InputFileOpen != 1) return;
  if (s.InputFile) s.InputFile->close();
  s.InputFile.reset();
  s.InputFileOpen = 0;
}

}  // namespace quorvane
