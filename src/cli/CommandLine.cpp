#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/TFrequencySetForm.h"
#include "files/SampleRates.h"

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION ""
#endif

namespace quorvane {

bool parseBand(const std::string& text, float& low, float& high) {
  const auto dash = text.find('-', 1);
  if (dash == std::string::npos) return false;
  const auto lo = TFrequencySetForm::parseNumber(text.substr(0, dash));
  const auto hi = TFrequencySetForm::parseNumber(text.substr(dash + 1));
  if (!lo || !hi || *lo < 0 || !(*lo < *hi) || *hi > 1e6) return false;
  low = static_cast<float>(*lo);
  high = static_cast<float>(*hi);
  return true;
}

std::string bandRefusal(const ConfigRecord& s, std::uint32_t rate) {
  // As the band-pass dialog has it: the whole hertz above half the rate are refused.
  if (s.FilterEnabled == 0 || static_cast<std::int64_t>(s.HighFrequency) <= static_cast<std::int64_t>(rate / 2))
    return {};
  char text[160];
  std::snprintf(text, sizeof text, "--filter: Frequency must be less than 1/2 the sample rate (%u Hz at %u Hz)",
                rate / 2, rate);
  return text;
}

namespace {

// The hang time control's steps: half a second, then whole seconds up to five.
std::string hangCheck(const std::string& text) {
  double v = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%lf%c", &v, &rest) == 1 && (v == 0.5 || (v >= 1 && v <= 5 && v == std::floor(v))))
    return {};
  return "the hang time is 0.5, 1, 2, 3, 4 or 5 seconds, not " + text;
}

std::string untilCheck(const std::string& text) {
  int h = 0, m = 0, s = 0, n = 0;
  if (text.size() == 8 && std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &m, &s, &n) == 3 && n == 8 && h >= 0 &&
      h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60)
    return {};
  return "a local time as HH:MM:SS (00:00:00 to 23:59:59) is needed, not " + text;
}

struct Processing {
  double hang = 1;
  std::string band;
  int threshold = 0, gain = 0;
};

void addProcessing(CLI::App& sub, CliJob& job, Processing& p) {
  auto& s = job.settings;
  sub.add_flag("--vox", [&s](std::int64_t) { s.VoxEnabled = 1; },
               "Voice activation: only sound above the threshold, and the hang time after it, is written");
  sub.add_option("--threshold", p.threshold, "VOX threshold in dB (0 to 60)")
      ->check(CLI::Range(0, 60))
      ->default_val(0);
  sub.add_option("--hang", p.hang, "VOX hang time in seconds: 0.5 or 1 to 5")
      ->check(CLI::Validator(hangCheck, "S", ""))
      ->default_val(1);
  sub.add_option("--gain", p.gain, "Output gain in dB (0 to 40), applied as a whole-number factor")
      ->check(CLI::Range(0, 40))
      ->default_val(0);
  sub.add_option("--filter", p.band, "Band-pass filter between two edges in Hz, e.g. 300-2400")
      ->type_name("LOW-HIGH")
      ->check(CLI::Validator(
          [](const std::string& text) {
            float low = 0, high = 0;
            return parseBand(text, low, high) ? std::string() : "two edges in Hz, LOW below HIGH, are needed, not " + text;
          },
          "LOW-HIGH", ""));
  auto& l = job.logging;
  sub.add_option("--pre-roll", l.preRollBuffers, "Buffers (about 93 ms each) written before each transmission")
      ->check(CLI::Range(0, LoggingSettings::MaxPreRollBuffers));
  sub.add_flag("--one-file-per-transmission", l.onePerTransmission,
               "Each transmission in a file of its own, named after OUT.wav and its start time");
  sub.add_option("--min-length", l.minLengthMs, "Transmissions shorter than this many ms are dropped")
      ->check(CLI::Range(0, LoggingSettings::MaxMinLengthMs));
  sub.add_option("--max-length", l.maxLengthMinutes, "Transmissions are cut after this many minutes (0: never)")
      ->check(CLI::Range(0, LoggingSettings::MaxMaxLengthMinutes));
}

void applyProcessing(CliJob& job, const Processing& p) {
  auto& s = job.settings;
  s.ThresholdDb = p.threshold;
  s.OutputGainDb = p.gain;
  s.HangTimeIndex = p.hang == 0.5 ? 0 : static_cast<std::int32_t>(p.hang);
  if (!p.band.empty()) {
    s.FilterEnabled = 1;
    parseBand(p.band, s.LowFrequency, s.HighFrequency);
  }
}

}  // namespace

std::optional<int> parseCommandLine(int argc, const char* const* argv, CliJob& job) {
  CLI::App app{"Quorvane without a window: VOX recording from the sound card and batch processing of WAV files.",
               "quorvane-cli"};
  app.set_version_flag("--version", std::string("quorvane-cli ") + QUORVANE_VERSION);
  app.require_subcommand(0, 1);

  auto* devices = app.add_subcommand("devices", "List the sound input and output devices with their numbers");

  Processing recordProcessing, processProcessing;
  auto* record = app.add_subcommand("record", "Record from a sound card into a WAV file until stopped");
  record->add_option("OUT.wav", job.output, "The WAV file to write (replaced if it exists)")->required();
  std::vector<std::uint32_t> rates;
  for (const SupportedRate& r : kSupportedRates) rates.push_back(r.rate);
  record->add_option("--rate", job.settings.SampleRate, "Sample rate in Hz: " + supportedRatesText())
      ->check(CLI::IsMember(rates))
      ->default_val(ConfigRecord{}.SampleRate);
  record->add_option("--channels", job.settings.ChannelCount, "1 (mono) or 2 (stereo)")
      ->check(CLI::IsMember({1, 2}))
      ->default_val(1);
  record->add_option("--device", job.settings.InputDeviceId, "Input device number (see: quorvane-cli devices)")
      ->check(CLI::NonNegativeNumber)
      ->default_val(0);
  auto* monitor = record->add_option("--monitor", job.settings.OutputDeviceId,
                                     "Play what is recorded on this output device (default: no monitor)")
                      ->check(CLI::NonNegativeNumber);
  auto* duration = record->add_option("--duration", job.durationSeconds, "Stop after this many seconds")
                       ->check(CLI::PositiveNumber);
  std::string until;
  record->add_option("--until", until, "Stop at this local time of day")
      ->type_name("HH:MM:SS")
      ->check(CLI::Validator(untilCheck, "HH:MM:SS", ""))
      ->excludes(duration);
  addProcessing(*record, job, recordProcessing);

  auto* process = app.add_subcommand("process", "Process a WAV file into another as fast as the machine allows");
  process->add_option("IN.wav", job.input, "The WAV file to read")->required();
  process->add_option("OUT.wav", job.output, "The WAV file to write (replaced if it exists)")->required();
  addProcessing(*process, job, processProcessing);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (app.get_subcommands().empty()) {
    const std::string what = app.remaining().empty() ? std::string("a command is needed")
                                                     : "unknown command " + app.remaining().front();
    std::fprintf(stderr, "%s: devices, record or process\nRun with --help for more information.\n", what.c_str());
    return 2;
  }
  if (devices->parsed()) {
    job.command = CliJob::Command::Devices;
  } else if (record->parsed()) {
    job.command = CliJob::Command::Record;
    job.monitor = monitor->count() > 0;
    if (!until.empty()) {
      int h = 0, m = 0, s = 0;
      std::sscanf(until.c_str(), "%d:%d:%d", &h, &m, &s);
      job.untilSeconds = h * 3600 + m * 60 + s;
    }
    applyProcessing(job, recordProcessing);
    if (const std::string refusal = bandRefusal(job.settings, job.settings.SampleRate); !refusal.empty()) {
      std::fprintf(stderr, "%s\nRun with --help for more information.\n", refusal.c_str());
      return 2;
    }
  } else {
    job.command = CliJob::Command::Process;
    job.settings.FileTransfer = 1;
    applyProcessing(job, processProcessing);
  }
  return std::nullopt;
}

}  // namespace quorvane
