#include "app/WaveFileCommands.h"

#include <cstring>

#include "files/SndfileReader.h"

namespace quorvane {

void WaveFileCommands::OpenInput1Click() {
  auto& s = c_.s;
  engine_.CloseInputFile();
  const auto path = c_.host.chooseFile(
      {FileDialogRequest::Kind::Open, "Input Wave File Select",
       "Input Wave Files (*.wav);;Compressed Sound Files (*.flac *.ogg *.oga *.opus *.mp3)", "wav"});
  if (path && openAndCheckInput(*path)) AdoptInputFormat();
  // Nothing to play (the reader has said why): no input file.
  if (s.InputDataBytes == 0) engine_.CloseInputFile();
}

bool WaveFileCommands::openAndCheckInput(const std::string& path) {
  auto& s = c_.s;
  s.InputFilePath = path;
  OpenFailure why = OpenFailure::None;
  s.InputFile = c_.host.openFile(path, FileMode::ReadBinary, &why);
  if (!s.InputFile) {
    c_.host.messageBox(openFailureText(why, "Could not open the wave file"), "File Open Error Message");
    return false;
  }
  // A WAV file (RIFF) is the program's own to read; anything else may be a
  // compressed file, which is decoded into what the WAV reader sees.
  char magic[4] = {};
  const bool riff = s.InputFile->read(magic, 4) == 4 && std::memcmp(magic, "RIFF", 4) == 0;
  if (!riff) {
    std::string error;
    if (auto decoded = SndfileReader::open(s.InputFile, error, SndfileReader::claimsCompressed(path)))
      s.InputFile = std::move(decoded);
    if (!error.empty()) {
      c_.host.messageBox(error, "File Error Message");
      s.InputFile->close();
      s.InputFile.reset();
      return false;
    }
  }
  s.InputFileOpen = 1;
  const WavHeaderInfo info = WavReader::parse(*s.InputFile);
  s.InputFileFormat = info.format;
  if (!info.ok()) {
    c_.host.messageBox(info.message(), "File Error Message");
    engine_.CloseInputFile();
    return false;
  }
  s.InputDataBytes = info.dataBytes;
  s.InputDataOffset = info.dataOffset;
  s.InputFile->seek(info.dataOffset);
  return true;
}

void WaveFileCommands::AdoptInputFormat() {
  auto& s = c_.s;
  const WaveFormatEx& f = s.InputFileFormat.Format;
  if (s.ActivityState == ActivitySelectingInput) {
    s.WaveFormat = f;
  } else if (s.FileTransfer == 1 && s.ActivityState == ActivityRecording) {
    // Chosen from the menu during a recording: the commands below refuse, each saying so.
    s.WaveFormat = f;
    s.OutputWaveFormat = f;
  } else {
    return;  // kept for a later Play, with the format current then
  }
  formats_.SelectRate(f.SampleRate);
  formats_.SelectChannels(f.Channels);
}

void WaveFileCommands::OpenOutput1Click() {
  auto& s = c_.s;
  engine_.CompleteOutputFile();
  s.OutputDataBytes = 0;
  // Accepts a new name and replaces an existing file without asking.
  const auto path = c_.host.chooseFile(
      {FileDialogRequest::Kind::Save, "Output Wave File Select",
       "Output Wave Files (*.wav);;FLAC Files (*.flac);;Opus Files (*.opus)", "wav"});
  if (!path) return;
  s.OutputBasePath.clear();
  s.OutputFilePart = 1;
  engine_.CreateOutputFile(*path, s.WaveFormat);
}

}  // namespace quorvane
