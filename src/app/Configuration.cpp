#include "app/Configuration.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "files/SampleRates.h"

namespace quorvane {

namespace {

// As a user's click would: a box that changes state runs its handler, one
// already in that state runs nothing.
void setBox(CheckBoxModel& box, bool checked) {
  if (box.checked() == checked) return;
  box.setChecked(checked);
  if (box.onClick) box.onClick();
}

// The up/down controls hold 16-bit positions and keep them within their range.
void setUpDown(UpDownModel& arrows, std::int32_t value) {
  arrows.setPosition(static_cast<std::int16_t>(std::clamp<std::int32_t>(value, INT16_MIN, INT16_MAX)));
  if (arrows.onClick) arrows.onClick();
}

}  // namespace

ConfigRecord Configuration::settle(ConfigRecord r, const ConfigRecord& inForce) const {
  auto box = [](std::uint8_t& b) { b = b == 1 ? 1 : 0; };
  box(r.StayOnTop);
  box(r.FilterEnabled);
  box(r.TimerEnabled);
  box(r.FileBypass);
  box(r.MuteEnabled);
  box(r.FileTransfer);
  r.VoxEnabled = r.VoxEnabled == 1 ? 1 : 0;
  if (r.DisplayType != 0 && r.DisplayType != 1) r.DisplayType = inForce.DisplayType;
  r.ChannelCount = r.ChannelCount == 1 ? 1 : 2;

  auto device = [&](std::int32_t& id, std::int32_t kept, WaveDirection d) {
    if (id < 0 || (deviceCount && id >= deviceCount(d))) id = kept;
  };
  device(r.InputDeviceId, inForce.InputDeviceId, WaveDirection::Input);
  device(r.OutputDeviceId, inForce.OutputDeviceId, WaveDirection::Output);

  for (std::int32_t* hour : {&r.StartHour, &r.StopHour}) *hour = std::clamp(*hour, 0, 12);
  for (std::int32_t* part : {&r.StartMinute, &r.StartSecond, &r.StopMinute, &r.StopSecond})
    *part = std::clamp(*part, 0, 59);
  for (std::int32_t* amPm : {&r.StartAmPm, &r.StopAmPm}) *amPm = *amPm == 1 ? 1 : 2;

  if (!isSupportedRate(r.SampleRate)) r.SampleRate = inForce.SampleRate;
  if (!std::isfinite(r.LowFrequency)) r.LowFrequency = inForce.LowFrequency;
  if (!std::isfinite(r.HighFrequency)) r.HighFrequency = inForce.HighFrequency;
  const float half = static_cast<float>(r.SampleRate / 2);
  r.LowFrequency = std::clamp(r.LowFrequency, 0.0f, half);
  r.HighFrequency = std::clamp(r.HighFrequency, 0.0f, half);
  // An empty or upside-down band would filter away everything.
  if (!(r.LowFrequency < r.HighFrequency)) {
    r.LowFrequency = ConfigRecord{}.LowFrequency;
    r.HighFrequency = ConfigRecord{}.HighFrequency;
  }
  return r;
}

ConfigRecord Configuration::current() const {
  const SharedState& s = c_.s;
  ConfigRecord r;
  r.StayOnTop = s.StayOnTop;
  r.InputDeviceId = s.InputDeviceId;
  r.OutputDeviceId = s.OutputDeviceId;
  r.VoxEnabled = s.VoxEnabled;
  r.BandpassSelected = s.BandpassSelected;
  r.DisplayType = s.DisplayType;
  r.HangTimeIndex = s.HangTimeIndex;
  r.OutputGainDb = s.OutputGainDb;
  r.FilterEnabled = s.FilterEnabled;
  r.TimerEnabled = s.TimerEnabled;
  r.FileBypass = s.FileBypass;
  r.MuteEnabled = s.MuteEnabled;
  r.FileTransfer = s.FileTransfer;
  r.ThresholdDb = s.ThresholdDb;
  r.StartHour = s.StartHour;
  r.StartMinute = s.StartMinute;
  r.StartSecond = s.StartSecond;
  r.StartAmPm = s.StartAmPm;
  r.StopHour = s.StopHour;
  r.StopMinute = s.StopMinute;
  r.StopSecond = s.StopSecond;
  r.StopAmPm = s.StopAmPm;
  r.SampleRate = s.WaveFormat.SampleRate;
  r.ChannelCount = s.ChannelCount;
  r.LowFrequency = s.LowFrequency;
  r.HighFrequency = s.HighFrequency;
  return r;
}

void Configuration::LoadConfiguration(const std::string& path) {
  if (path.empty()) return;
  OpenFailure why = OpenFailure::None;
  auto file = c_.host.openFile(path, FileMode::ReadBinary, &why);
  if (!file) {
    // A FIFO or a device where the file should be is left alone.
    if (why == OpenFailure::NotRegular)
      c_.host.printError(path + " is not a regular file: the default settings are used");
    else
      WriteFile(c_.host, path, current());
    return;
  }
  std::uint8_t bytes[ConfigRecord::Size];
  const std::size_t got = file->read(bytes, sizeof bytes);
  file->close();
  LoadFromBytes(bytes, got);
}

void Configuration::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  const ConfigRecord inForce = current();
  apply(settle(ConfigRecord::decode(data, size, inForce), inForce));
}

void Configuration::apply(const ConfigRecord& r) {
  SharedState& s = c_.s;
  FormComponents& ui = c_.ui;

  s.StayOnTop = r.StayOnTop;
  (r.StayOnTop == 1 ? ui.On1 : ui.Off1).click();

  s.InputDeviceId = r.InputDeviceId;
  s.OutputDeviceId = r.OutputDeviceId;

  s.VoxEnabled = r.VoxEnabled;
  setBox(ui.VoxCheckBox, r.VoxEnabled == 1);

  // Band-pass is the only filter: the command sets the value back to it.
  s.BandpassSelected = r.BandpassSelected;
  ui.Bandpass1.click();

  s.DisplayType = r.DisplayType;
  (r.DisplayType == 0 ? ui.Time1 : ui.Waterfall1).click();

  // The controls bring the positions into their ranges and their handlers
  // set hang time, gain and threshold from them.
  s.HangTimeIndex = r.HangTimeIndex;
  setUpDown(ui.InputUpDnGain, r.HangTimeIndex);
  s.OutputGainDb = r.OutputGainDb;
  setUpDown(ui.OutputUpDnGain, r.OutputGainDb);

  s.FilterEnabled = r.FilterEnabled;
  setBox(ui.FilterCheckBox, r.FilterEnabled == 1);
  s.TimerEnabled = r.TimerEnabled;
  setBox(ui.TimerCheckBox, r.TimerEnabled == 1);
  s.FileBypass = r.FileBypass;
  setBox(ui.FileBypassBox, r.FileBypass == 1);
  s.MuteEnabled = r.MuteEnabled;
  setBox(ui.MuteCheckBox, r.MuteEnabled == 1);
  s.FileTransfer = r.FileTransfer;
  setBox(ui.FileTransferCheckBox, r.FileTransfer == 1);

  s.ThresholdDb = r.ThresholdDb;
  setUpDown(ui.InputThresholdUpDn, r.ThresholdDb);

  s.StartHour = r.StartHour;
  s.StartMinute = r.StartMinute;
  s.StartSecond = r.StartSecond;
  s.StartAmPm = r.StartAmPm;
  s.StopHour = r.StopHour;
  s.StopMinute = r.StopMinute;
  s.StopSecond = r.StopSecond;
  s.StopAmPm = r.StopAmPm;
  timeEditor_.RefreshTimeLabels();

  // Channels first, so the rate command sizes the buffers for them.
  s.WaveFormat.SampleRate = r.SampleRate;
  s.ChannelCount = r.ChannelCount;
  (r.ChannelCount == 1 ? ui.Mono2 : ui.Stereo2).click();
  for (const auto& [rate, item] : ui.sampleRateItems())
    if (rate == r.SampleRate) item->click();

  s.LowFrequency = r.LowFrequency;
  s.HighFrequency = r.HighFrequency;
  if (designFilter) designFilter();
}

bool Configuration::SaveConfiguration(const std::string& path) {
  return !path.empty() && WriteFile(c_.host, path, current());
}

bool Configuration::WriteFile(Host& host, const std::string& path, const ConfigRecord& record) {
  const auto bytes = record.encode();
  return WriteBytes(host, path, bytes.data(), bytes.size());
}

std::string Configuration::LoggingFilePath(const std::string& settingsPath) {
  const auto slash = settingsPath.find_last_of('/');
  return (slash == std::string::npos ? std::string() : settingsPath.substr(0, slash + 1)) + "logging.conf";
}

LoggingSettings Configuration::LoadLoggingSettings(Host& host, const std::string& path) {
  auto file = host.openFile(path, FileMode::ReadBinary);
  if (!file) return {};
  std::string text(64 * 1024, '\0');  // far more than a settings file holds
  text.resize(file->read(text.data(), text.size()));
  file->close();
  return LoggingSettings::parse(text);
}

bool Configuration::SaveLoggingSettings(Host& host, const std::string& path, const LoggingSettings& settings) {
  const std::string text = settings.format();
  return WriteBytes(host, path, text.data(), text.size());
}

bool Configuration::WriteBytes(Host& host, const std::string& path, const void* data, std::size_t size) {
  if (path.empty()) return false;
  const std::string temporary = path + ".tmp";
  bool ok = false;
  // Another instance saving at this moment holds the temporary file for a
  // few microseconds: wait for it a little, never without bound.
  OpenFailure why = OpenFailure::None;
  auto file = host.openFile(temporary, FileMode::CreateBinary, &why);
  for (int attempt = 0; !file && why == OpenFailure::InUse && attempt < 20; ++attempt) {
    host.sleepMs(10);
    file = host.openFile(temporary, FileMode::CreateBinary, &why);
  }
  if (file) {
    ok = file->write(data, size) == size && file->flush();
    // Renamed and removed while still locked, so no other instance writes into it meanwhile.
    std::error_code ec;
    if (ok) {
      std::filesystem::rename(temporary, path, ec);
      ok = !ec;
    }
    if (!ok) std::filesystem::remove(temporary, ec);
    ok = file->close() && ok;
  }
  return ok;
}

bool Configuration::CreateDefaultFile(Host& host) {
  const std::filesystem::path path = host.configFilePath();
  if (path.empty()) return false;
  std::error_code ec;
  // A failure here shows as a failure to write the file below.
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (std::filesystem::exists(path, ec)) return true;
  return WriteFile(host, path.string(), ConfigRecord{});
}

}  // namespace quorvane
