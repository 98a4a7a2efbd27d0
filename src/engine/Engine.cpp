#include "engine/Engine.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "files/SoundFileWriter.h"

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

  if (endTransmissions) endTransmissions();
  CompleteOutputFile();
  CloseInputFile();
  // With no loop running, nothing may stay open: a pause left the devices
  // running, and a resume that was abandoned (its file chooser cancelled)
  // never reached a loop that would close them. A loop that is still on its
  // way out releases its own.
  if (loopsRunning_ == 0 && releaseDevices) releaseDevices();

  ui.PlayScrollBar.setPosition(0);
  display_.ClearDisplay();
  display_.CopyToSpectrumBox();
}

void Engine::runActivity(const std::function<void()>& body) {
  ++loopDepth_;
  body();
  --loopDepth_;
  while (loopDepth_ == 0 && pendingStart_) std::exchange(pendingStart_, nullptr)();
}

SoundFileWriter& Engine::writer() {
  auto& s = c_.s;
  // A file handed over without its writer is a WAV file.
  if (!s.OutputWriter || &s.OutputWriter->file() != s.OutputFile.get())
    s.OutputWriter = SoundFileWriter::create(SoundFileKind::Wav, *s.OutputFile, s.OutputFileFormat);
  return *s.OutputWriter;
}

std::string Engine::outputKindName() const {
  const auto& s = c_.s;
  return soundFileKindName(s.OutputWriter ? s.OutputWriter->kind() : SoundFileKind::Wav);
}

void Engine::CompleteOutputFile() {
  auto& s = c_.s;
  if (s.OutputFileOpen != 1) return;
  bool ok = false;
  const std::string kind = outputKindName();
  if (s.OutputFile) {
    ok = writer().complete(s.OutputDataBytes);
    ok = s.OutputFile->close() && ok;
  }
  s.OutputWriter.reset();
  s.OutputFile.reset();
  s.OutputFileOpen = 0;
  if (!ok) c_.host.messageBox("Could not complete the " + kind + " file", "File Error Message");
}

void Engine::CloseInputFile() {
  auto& s = c_.s;
  if (s.InputFileOpen != 1) return;
  if (s.InputFile) s.InputFile->close();
  s.InputFile.reset();
  s.InputFileOpen = 0;
}

}  // namespace quorvane

namespace quorvane {

void Engine::AdoptOpenInputFormat() {
  auto& s = c_.s;
  const WaveFormatEx& f = s.InputFileFormat.Format;
  if (s.InputFileOpen != 1 || (f.Channels == s.WaveFormat.Channels && f.SampleRate == s.WaveFormat.SampleRate)) return;
  const std::int32_t state = s.ActivityState;
  s.ActivityState = ActivitySelectingInput;  // the state in which the commands take a file's format
  if (adoptInputFormat) adoptInputFormat();
  s.ActivityState = state;
}

void Engine::MatchOutputFileFormat() {
  auto& s = c_.s;
  if (s.OutputFileOpen != 1 || !s.OutputFile || s.OutputDataBytes != 0 || s.OutputFileFormat == s.WaveFormat) return;
  if (writer().restart(s.WaveFormat)) s.OutputFileFormat = s.WaveFormat;
}

std::uint32_t Engine::ReadInputBlock(std::uint8_t* dst, std::uint32_t bytes) {
  auto& s = c_.s;
  std::uint32_t got = 0;
  if (s.InputFileOpen == 1 && s.InputFile) {
    const std::uint64_t end = s.InputDataOffset + s.InputDataBytes;
    const std::uint64_t pos = s.InputFile->tell();
    const std::uint64_t left = end > pos ? end - pos : 0;
    got = static_cast<std::uint32_t>(s.InputFile->read(dst, static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left))));
  }
  std::memset(dst + got, 0, bytes - got);
  return got;
}

bool Engine::CreateOutputFile(const std::string& path, const WaveFormatEx& format) {
  auto& s = c_.s;
  s.OutputFilePath = path;
  s.OutputDataBytes = 0;
  OpenFailure why = OpenFailure::None;
  const SoundFileKind kind = soundFileKindFor(path);
  const std::string kindName = soundFileKindName(kind);
  s.OutputWriter.reset();
  s.OutputFile = c_.host.openFile(path, FileMode::CreateBinary, &why);
  if (!s.OutputFile) {
    s.OutputFileOpen = 0;
    c_.host.messageBox(openFailureText(why, "Could not open the " + kindName + " file"), "File Error Message");
    return false;
  }
  s.OutputWriter = SoundFileWriter::create(kind, *s.OutputFile, format);
  if (!s.OutputWriter->begin()) {
    // Not even the header fits (a full disk): no empty file is left behind.
    s.OutputWriter.reset();
    s.OutputFile->close();
    s.OutputFile.reset();
    s.OutputFileOpen = 0;
    c_.host.removeFile(path);
    c_.host.messageBox("Could not write to the " + kindName + " file", "File Error Message");
    return false;
  }
  s.OutputFileFormat = format;
  s.OutputHeaderUpdatedMs = c_.host.nowMs();
  sizesWritten_ = 0;
  s.OutputFileOpen = 1;
  return true;
}

std::string Engine::numberedPath(const std::string& base, std::uint32_t part) {
  const std::string suffix = std::string("-").append(std::to_string(part));  // not "-" + ...: GCC 12 -Wrestrict
  const std::size_t slash = base.find_last_of('/');
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return base + suffix;
  return base.substr(0, dot) + suffix + base.substr(dot);
}

bool Engine::ContinueInNextFile() {
  auto& s = c_.s;
  const WaveFormatEx format = s.OutputFileFormat;
  const std::string base = s.OutputBasePath.empty() ? s.OutputFilePath : s.OutputBasePath;
  const std::uint32_t part = s.OutputFilePart + 1;
  CompleteOutputFile();
  if (!CreateOutputFile(numberedPath(base, part), format)) {
    StopBtnClick();
    return false;
  }
  s.OutputBasePath = base;
  s.OutputFilePart = part;
  return true;
}

bool Engine::AppendToOutputFile(const std::uint8_t* data, std::uint32_t bytes) {
  auto& s = c_.s;
  if (s.OutputFileOpen != 1 || !s.OutputFile) return true;
  // Only a format with 32-bit sizes needs a new file (a FLAC or Opus file goes on).
  if (writer().sizeLimited() && s.OutputDataBytes + bytes > maxDataBytes && !ContinueInNextFile()) return false;

  const std::size_t written = writer().write(data, bytes);
  // Whole frames only: a torn last frame is left out of the header.
  const std::uint32_t frame = s.OutputFileFormat.BlockAlign ? s.OutputFileFormat.BlockAlign : 1;
  s.OutputDataBytes += written - written % frame;
  if (written != bytes) {
    c_.host.messageBox("Could not write to the " + outputKindName() + " file", "File Error Message");
    StopBtnClick();  // completes the file with what it holds
    return false;
  }
  return KeepOutputFileCurrent();
}

bool Engine::KeepOutputFileCurrent() {
  auto& s = c_.s;
  if (!keepHeaderCurrent || s.OutputFileOpen != 1 || !s.OutputFile ||
      c_.host.nowMs() - s.OutputHeaderUpdatedMs < HeaderUpdateMs || s.OutputDataBytes == sizesWritten_)
    return true;
  s.OutputHeaderUpdatedMs = c_.host.nowMs();
  sizesWritten_ = s.OutputDataBytes;
  // The sound first: the header never counts bytes that are not yet in the file.
  if (!writer().checkpoint(s.OutputDataBytes)) {
    c_.host.messageBox("Could not write to the " + outputKindName() + " file", "File Error Message");
    StopBtnClick();
    return false;
  }
  return true;
}

}  // namespace quorvane
