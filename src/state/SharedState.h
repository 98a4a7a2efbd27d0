#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/FileStream.h"
#include "files/SoundFileWriter.h"
#include "files/WavReader.h"
#include "files/WaveFormatEx.h"
#include "platform/RasterCanvas.h"

namespace quorvane {

// What the engine is doing.
inline constexpr std::int32_t ActivityStopped = 0;
inline constexpr std::int32_t ActivityPaused = 1;
inline constexpr std::int32_t ActivityRecording = 2;
inline constexpr std::int32_t ActivityPlaying = 3;
inline constexpr std::int32_t ActivityFileTransfer = 4;
inline constexpr std::int32_t ActivitySelectingInput = 5;
inline constexpr std::int32_t ActivitySelectingOutput = 6;

// Size of each of the four device buffers; the devices use at most 16384 bytes of each.
inline constexpr std::size_t DeviceBufferSize = 32369;
inline constexpr std::size_t WorkSampleCount = 65536;

// The state every part of the program shares: the user's settings, the audio
// format, the device double buffers, and the flags through which the
// long-running loops and the event handlers steer each other. Everything runs
// on one thread; a handler running nested inside a loop's wait changes these
// and the loop reads them after the wait.
struct SharedState {
  SharedState();
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;
  ~SharedState();

  // --- settings (saved in the configuration file, in this order) ---
  std::uint8_t StayOnTop = 0;
  std::int32_t InputDeviceId = 0;
  std::int32_t OutputDeviceId = 0;
  std::int32_t VoxEnabled = 0;
  std::int32_t BandpassSelected = 2;
  std::int32_t DisplayType = 0;
  std::int32_t HangTimeIndex = 1;
  std::int32_t OutputGainDb = 0;
  std::uint8_t FilterEnabled = 0;
  std::uint8_t TimerEnabled = 0;
  std::uint8_t FileBypass = 0;
  std::uint8_t MuteEnabled = 0;
  std::uint8_t FileTransfer = 0;
  std::int32_t ThresholdDb = 0;
  std::int32_t StartHour = 0;
  std::int32_t StartMinute = 0;
  std::int32_t StartSecond = 0;
  std::int32_t StartAmPm = 1;
  std::int32_t StopHour = 0;
  std::int32_t StopMinute = 0;
  std::int32_t StopSecond = 0;
  std::int32_t StopAmPm = 1;
  // The sample rate is WaveFormat.SampleRate.
  std::int32_t ChannelCount = 1;
  float LowFrequency = 300.0f;
  float HighFrequency = 2400.0f;
  std::int32_t SelectingOutputDevice = 0;  // not saved

  // --- audio format: input and recording, monitor and playback ---
  WaveFormatEx WaveFormat;
  WaveFormatEx OutputWaveFormat;

  // --- buffer geometry ---
  std::uint32_t BytesPerSample = 2;
  std::uint32_t SamplesPerBuffer = 1024;
  std::uint16_t InputBufferBytes = 2048;
  std::uint16_t OutputBufferBytes = 2048;

  // --- engine ---
  std::int32_t ActivityState = ActivityStopped;
  std::uint8_t StopRequested = 1;
  std::uint8_t ResumeFromPause = 0;
  // What Pause interrupted; only that activity resumes.
  std::int32_t PausedActivity = ActivityStopped;
  std::uint8_t DeviceTimedOut = 0;
  std::int32_t NextBuffer = 1;
  std::uint8_t GateOpen = 0;
  std::int32_t PeakLevel = 0;
  std::int32_t ThresholdLevel = 0;
  float ThresholdFactor = 0.0f;
  std::int32_t GainFactor = 1;
  std::uint8_t ScheduleActive = 0;
  std::uint8_t InputFileOpen = 0;
  std::uint8_t OutputFileOpen = 0;
  std::unique_ptr<FileStream> InputFile;
  std::unique_ptr<FileStream> OutputFile;
  // How the sound reaches OutputFile (WAV, FLAC, Opus); it writes through the
  // file, so it goes before the file does.
  std::unique_ptr<SoundFileWriter> OutputWriter;
  std::uint64_t OutputDataBytes = 0;  // PCM bytes; a FLAC or Opus file may hold more than 4 GiB of them
  std::string InputFilePath;
  std::string OutputFilePath;
  // The recording's first file and format; a recording too long for one WAV
  // file goes on in numbered files beside it (part 2, 3, ...).
  std::string OutputBasePath;
  WaveFormatEx OutputFileFormat;
  std::uint32_t OutputFilePart = 1;
  std::int64_t OutputHeaderUpdatedMs = 0;
  WavFileFormat InputFileFormat;   // as read from the input file's header
  std::uint32_t InputDataBytes = 0;  // sample bytes the input file holds
  std::uint64_t InputDataOffset = 0; // where they start
  std::int64_t PlayBytesRemaining = 0;  // wide enough for data chunks past 2 GiB
  std::uint32_t LastDeviceResult = 0;
  std::int32_t LastEditedTime = 0;

  // --- storage owned by the main window from construction to FormDestroy ---
  std::unique_ptr<std::uint8_t[]> InputBufferA;
  std::unique_ptr<std::uint8_t[]> InputBufferB;
  std::unique_ptr<std::uint8_t[]> OutputBufferA;
  std::unique_ptr<std::uint8_t[]> OutputBufferB;
  std::unique_ptr<RasterCanvas> DisplayBitmap;

  // --- work arrays for the whole run ---
  std::vector<std::int32_t> WorkSamples;
  std::vector<std::int32_t> AbsSamples;

  std::string ConfigFilePath;  // empty when no configuration file was found
  std::string HelpFilePath;    // empty when no manual was found
};

}  // namespace quorvane
