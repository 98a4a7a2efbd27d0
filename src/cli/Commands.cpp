#include "cli/Commands.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "cli/CaptureOnlyBackend.h"
#include "cli/ConsoleHost.h"
#include "cli/StatusLine.h"
#include "engine/BatchTransfer.h"
#include "files/WavReader.h"

namespace quorvane {

namespace {

// A file message of the engine names the file it is about: the input while
// that is being opened, else the output.
void report(const TVOXForm& form, const std::string& text, const std::string& caption) {
  std::string file;
  if (form.ActivityState == ActivitySelectingInput)
    file = form.InputFilePath;
  else if (caption.rfind("File ", 0) == 0 && text.find("transmission log") == std::string::npos)
    file = form.OutputFilePath;
  std::cerr << "quorvane-cli: " << (file.empty() ? "" : file + ": ") << text << std::endl;
}

// The window with the job's settings, applied through its controls as the
// settings file's are.
void configure(TVOXForm& form, const CliJob& job) {
  form.FormCreate();
  const auto bytes = job.settings.encode();
  form.configuration.LoadFromBytes(bytes.data(), bytes.size());
  form.transmissions.settings = job.logging;
}

int usageError(const std::string& text) {
  std::cerr << text << "\nRun with --help for more information." << std::endl;
  return 2;
}

}  // namespace

int runDevices() {
  PortAudioBackend audio;
  if (!audio.available()) {
    std::cerr << "quorvane-cli: the sound system could not be started" << std::endl;
    return 1;
  }
  for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
    std::cout << (d == WaveDirection::Input ? "Input devices (record --device N):\n"
                                            : "Output devices (record --monitor N):\n");
    const int count = audio.deviceCount(d);
    if (count == 0) std::cout << "  none\n";
    for (int i = 0; i < count; ++i) std::cout << "  " << i << "  " << audio.productName(d, i) << "\n";
  }
  return 0;
}

int runRecord(const CliJob& job) {
  PortAudioBackend soundCard;
  CaptureOnlyBackend withoutMonitor(&soundCard);
  if (!soundCard.available()) {
    std::cerr << "quorvane-cli: the sound system could not be started" << std::endl;
    return 1;
  }
  const int inputs = soundCard.deviceCount(WaveDirection::Input);
  const int outputs = soundCard.deviceCount(WaveDirection::Output);
  if (job.settings.InputDeviceId >= inputs)
    return usageError("--device: there is no input device " + std::to_string(job.settings.InputDeviceId) + " (" +
                      std::to_string(inputs) + " found; quorvane-cli devices lists them)");
  if (job.monitor && job.settings.OutputDeviceId >= outputs)
    return usageError("--monitor: there is no output device " + std::to_string(job.settings.OutputDeviceId) + " (" +
                      std::to_string(outputs) + " found; quorvane-cli devices lists them)");

  ConsoleHost host(ConsoleHost::Clock::Real);
  WaveBackend& audio = job.monitor ? static_cast<WaveBackend&>(soundCard) : withoutMonitor;
  TVOXForm form(host, audio);
  CliJob settled = job;
  if (!job.monitor) settled.settings.OutputDeviceId = 0;
  bool failed = false;
  host.onMessage = [&](const std::string& text, const std::string& caption) {
    report(form, text, caption);
    failed = true;
  };
  configure(form, settled);
  // A device that failed ends the recording, not the program: the file is completed.
  form.devices.endApplication = [&] { form.StopBtnClick(); };

  const std::int64_t stopAtMs = job.durationSeconds > 0 ? host.nowMs() + std::llround(job.durationSeconds * 1000) : -1;
  std::int64_t stopAtWallMs = -1;
  if (job.untilSeconds >= 0) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    tm.tm_hour = job.untilSeconds / 3600;
    tm.tm_min = job.untilSeconds / 60 % 60;
    tm.tm_sec = job.untilSeconds % 60;
    tm.tm_isdst = -1;
    std::time_t at = std::mktime(&tm);
    if (at <= now) {  // that time has passed today: tomorrow's
      tm.tm_mday += 1;
      tm.tm_isdst = -1;
      at = std::mktime(&tm);
    }
    stopAtWallMs = static_cast<std::int64_t>(at) * 1000;
  }
  bool stopping = false;
  auto stop = [&] {
    if (stopping) return;
    stopping = true;
    form.StopBtnClick();
  };
  host.onSignal = [&](int) { stop(); };
  StatusLine status(isatty(STDERR_FILENO) == 1);
  host.onPoll = [&] {
    if ((stopAtMs >= 0 && host.nowMs() >= stopAtMs) || (stopAtWallMs >= 0 && host.wallClockMs() >= stopAtWallMs))
      stop();
    if (stopping) return;
    // What passed the gate reaches the disk within a second, whatever the gate does next.
    form.engine.KeepOutputFileCurrent();
    status.recording(form);
  };
  host.answers = {job.output};
  form.RecordBtnClick();
  status.finish();
  form.FormDestroy();
  return failed ? 1 : 0;
}

int runProcess(const CliJob& job) {
  std::error_code ec;
  if (std::filesystem::equivalent(job.input, job.output, ec))
    return usageError(job.output + ": the output would replace the input it is made from");
  // The band's upper edge is held to half the input's rate, as the band-pass dialog holds it.
  if (auto in = openStdioFile(job.input, FileMode::ReadBinary)) {
    const WavHeaderInfo info = WavReader::parse(*in);
    in->close();
    if (info.ok())
      if (const std::string refusal = bandRefusal(job.settings, info.format.Format.SampleRate); !refusal.empty())
        return usageError(refusal);
  }

  ConsoleHost host(ConsoleHost::Clock::File);
  CaptureOnlyBackend noSoundCard(nullptr);
  TVOXForm form(host, noSoundCard);
  bool failed = false;
  host.onMessage = [&](const std::string& text, const std::string& caption) {
    report(form, text, caption);
    failed = true;
  };
  configure(form, job);
  form.engine.keepHeaderCurrent = false;
  BatchTransfer batch(form.context, form.engine, form.steps, form.recorder, form.transmissions);
  bool ran = false;
  form.recorder.fileTransferLoop = [&] {
    ran = true;
    batch.Run();
  };
  int interrupted = 0;
  host.onSignal = [&](int signal) {
    interrupted = signal;
    form.StopBtnClick();
  };
  StatusLine progress(isatty(STDERR_FILENO) == 1);
  host.onPoll = [&] { progress.processing(form); };
  host.answers = {job.input, job.output};
  form.RecordBtnClick();
  progress.finish();
  form.FormDestroy();
  if (ran && !failed && !interrupted) return 0;
  if (!failed && !interrupted) std::cerr << "quorvane-cli: " << job.input << ": nothing was processed" << std::endl;
  // What was written is not the whole result: nothing may look as if it were.
  for (const std::string& path : host.created) std::filesystem::remove(path, ec);
  if (interrupted) std::cerr << "quorvane-cli: interrupted; " << job.output << " was not kept" << std::endl;
  return interrupted ? 128 + interrupted : 1;
}

}  // namespace quorvane
