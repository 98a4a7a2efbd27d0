#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "display/Display.h"
#include "files/SoundFileWriter.h"
#include "state/FormContext.h"

namespace quorvane {

// The record, play and file-transfer loops and the one way back to the
// stopped state. The loops run inside the click handler that started them
// and are steered only through the shared flags.
class Engine {
 public:
  Engine(FormContext c, Display& display) : c_(c), display_(display) {}

  // Resets and closes the devices a paused or abandoned run left open (no loop is there to do it).
  std::function<void()> releaseDevices;
  // Ends the run's transmission in progress before the file is completed.
  std::function<void()> endTransmissions;
  // Makes the open input file's format the current one (the rate and channel commands).
  std::function<void()> adoptInputFormat;

  // Before a fresh run reads an input file opened earlier from the menu: its
  // format becomes the current one, so it is not played at another speed.
  void AdoptOpenInputFormat();
  // Before a fresh run writes to an output file opened earlier: if nothing is
  // in it yet and the format has changed since, its header takes the format
  // the sound will really have.
  void MatchOutputFileFormat();

  // Record and Play run their loop inside their own click handler, so a
  // click that arrives while a loop is still on the stack (it runs nested in
  // that loop's wait) must not start a second loop inside the first, which
  // still owns the devices. Such a start is kept and runs once every loop
  // has returned and released its devices.
  bool loopOnStack() const { return loopDepth_ > 0; }
  void startLater(std::function<void()> start) { pendingStart_ = std::move(start); }
  // The user's Stop, the end of the program: a start kept for later is dropped.
  void cancelPendingStart() { pendingStart_ = nullptr; }
  // Runs a start handler's body (files, loop); the outermost one then runs
  // the start kept meanwhile, if any.
  void runActivity(const std::function<void()>& body);
  // Held by a record, play or transfer loop while it runs: the loop owns the
  // devices then, and resets and closes them itself on its way out.
  struct LoopRunning {
    explicit LoopRunning(Engine& e) : engine(e) { ++engine.loopsRunning_; }
    ~LoopRunning() { --engine.loopsRunning_; }
    LoopRunning(const LoopRunning&) = delete;
    LoopRunning& operator=(const LoopRunning&) = delete;
    Engine& engine;
  };

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

  // Creates an output file with its provisional header, flushed at once so
  // the file on disk is valid from the start. The name's extension chooses
  // the kind: ".flac" and ".opus" are encoded as such, anything else is WAV.
  // Reports a failure itself.
  bool CreateOutputFile(const std::string& path, const WaveFormatEx& format);

  // Appends one processed buffer to the output file. Only bytes that reached
  // the file are counted. The header's sizes are brought up to date and the
  // file flushed at least once a second, so a crash loses at most the last
  // second. A WAV file about to outgrow the format's 32-bit sizes is completed and
  // the recording goes on in "name-2.wav", "name-3.wav", ... A failed write is
  // reported, the file completed with what it holds, and the recording
  // stopped; false then.
  bool AppendToOutputFile(const std::uint8_t* data, std::uint32_t bytes);
  // Completes the output file and goes on in the next numbered one with the
  // same format; a file that cannot be made stops the recording (false).
  bool ContinueInNextFile();
  // Once the header is a second old and sound was written since: the sound
  // is flushed, then the header's sizes brought up to date. Called by every
  // append, and by a front end while the gate is shut, so what passed the
  // gate is on disk within a second whatever follows. A failure is handled as
  // a failed write; false then.
  bool KeepOutputFileCurrent();

  // Largest data size one file may hold (a multiple of every block size).
  std::uint32_t maxDataBytes = 0xFFFFFFFFu - 36u - 3u;
  // How often the header is brought up to date while recording.
  static constexpr std::int64_t HeaderUpdateMs = 1000;
  // Off for a batch job: its output is completed only at its end, so a job
  // cut short leaves a header that counts nothing, which no reader takes for
  // a finished file (and a whole file costs no header updates on the way).
  bool keepHeaderCurrent = true;

 private:
  // The open output file's writer.
  SoundFileWriter& writer();
  // "Wave", "FLAC", "Opus": the open output file's kind, for the messages.
  std::string outputKindName() const;
  static std::string numberedPath(const std::string& base, std::uint32_t part);

  FormContext c_;
  Display& display_;
  std::uint64_t sizesWritten_ = 0;  // what the header's sizes said at its last update
  int loopDepth_ = 0;
  int loopsRunning_ = 0;
  std::function<void()> pendingStart_;
};

}  // namespace quorvane
