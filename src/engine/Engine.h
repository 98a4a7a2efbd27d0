#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "display/Display.h"
#include "state/FormContext.h"

namespace quorvane {

// The record, play and file-transfer loops and the one way back to the
// stopped state. The loops run inside the click handler that started them
// and are steered only through the shared flags.
class Engine {
 public:
  Engine(FormContext c, Display& display) : c_(c), display_(display) {}

  // Resets and closes the devices a paused run left open (no loop is there to do it).
  std::function<void()> releasePausedDevices;
  // Makes the open input file's format the current one (the rate and channel commands).
  std::function<void()> adoptInputFormat;

  // Before a fresh run reads an input file opened earlier from the menu: its
  // format becomes the current one, so it is not played at another speed.
  void AdoptOpenInputFormat();
  // Before a fresh run writes to an output file opened earlier: if nothing is
  // in it yet and the format has changed since, its header takes the format
  // the sound will really have.
  void MatchOutputFileFormat();

  // Returns the window and the engine to the stopped state from any state:
  // raises StopRequested so a running loop ends, completes the output WAV
  // file and closes the open files. The devices are left to the loop.
  void StopBtnClick();

  // Writes the final sizes into the output file's header and closes it.
  // Nothing happens when no output file is open.
  void CompleteOutputFile();
  // Closes the input WAV file if one is open.
  void CloseInputFile();

  // Reads the next block of the input file's sound into dst. Never reads past
  // the data chunk (other chunks may follow it); what a short read leaves
  // unfilled is silence, so no older block is played twice. Returns the
  // bytes read.
  std::uint32_t ReadInputBlock(std::uint8_t* dst, std::uint32_t bytes);

  // Creates an output WAV file with its provisional header, flushed at once
  // so the file on disk is valid from the start. Reports a failure itself.
  bool CreateOutputFile(const std::string& path, const WaveFormatEx& format);

  // Appends one processed buffer to the output file. Only bytes that reached
  // the file are counted. The header's sizes are brought up to date and the
  // file flushed at least once a second, so a crash loses at most the last
  // second. A file about to outgrow the format's 32-bit sizes is completed and
  // the recording goes on in "name-2.wav", "name-3.wav", ... A failed write is
  // reported, the file completed with what it holds, and the recording
  // stopped; false then.
  bool AppendToOutputFile(const std::uint8_t* data, std::uint32_t bytes);
  // Completes the output file and goes on in the next numbered one with the
  // same format; a file that cannot be made stops the recording (false).
  bool ContinueInNextFile();

  // Largest data size one file may hold (a multiple of every block size).
  std::uint32_t maxDataBytes = 0xFFFFFFFFu - 36u - 3u;
  // How often the header is brought up to date while recording.
  static constexpr std::int64_t HeaderUpdateMs = 1000;

 private:
  static std::string numberedPath(const std::string& base, std::uint32_t part);

  FormContext c_;
  Display& display_;
};

}  // namespace quorvane
