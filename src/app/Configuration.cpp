#include "app/Configuration.h"

#include <cmath>
#include <filesystem>
#include <system_error>

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
  arrows.setPosition(static_cast<std::int16_t>(value));
  if (arrows.onClick) arrows.onClick();
}

}  // namespace

bool Configuration::usableBandEdge(float hz) { return std::isfinite(hz) && hz >= 0.0f && hz <= kMaxBandEdgeHz; }

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
  auto file = c_.host.openFile(path, FileMode::ReadBinary);
  if (!file) {
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
  ConfigRecord r = ConfigRecord::decode(data, size, inForce);
  if (!usableSampleRate(r.SampleRate)) r.SampleRate = inForce.SampleRate;
  if (!usableBandEdge(r.LowFrequency)) r.LowFrequency = inForce.LowFrequency;
  if (!usableBandEdge(r.HighFrequency)) r.HighFrequency = inForce.HighFrequency;
  apply(r);
}

void Configuration::apply(const ConfigRecord& r) {
  SharedState& s = c_.s;
  FormComponents& ui = c_.ui;

  s.StayOnTop = r.StayOnTop;
  (r.StayOnTop == 1 ? ui.On1 : ui.Off1).click();

  // Device numbers are checked when a device is opened.
  s.InputDeviceId = r.InputDeviceId;
  s.OutputDeviceId = r.OutputDeviceId;

  // Values other than 0 and 1 stay in the field and leave the box alone.
  s.VoxEnabled = r.VoxEnabled;
  if (r.VoxEnabled == 0) setBox(ui.VoxCheckBox, false);
  if (r.VoxEnabled == 1) setBox(ui.VoxCheckBox, true);

  // Band-pass is the only filter: the command sets the value back to it.
  s.BandpassSelected = r.BandpassSelected;
  ui.Bandpass1.click();

  s.DisplayType = r.DisplayType;
  if (r.DisplayType == 0) ui.Time1.click();
  if (r.DisplayType == 1) ui.Waterfall1.click();

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

  // Times are shown as stored, even out of range: the editor brings a field
  // into range only when the user steps it.
  s.StartHour = r.StartHour;
  s.StartMinute = r.StartMinute;
  s.StartSecond = r.StartSecond;
  s.StartAmPm = r.StartAmPm;
  s.StopHour = r.StopHour;
  s.StopMinute = r.StopMinute;
  s.StopSecond = r.StopSecond;
  s.StopAmPm = r.StopAmPm;
  timeEditor_.RefreshTimeLabels();

  // Channels first, so the rate command sizes the buffers for them. A rate
  // that has no command stays in the format with the buffers of the rate
  // before it.
  s.WaveFormat.SampleRate = r.SampleRate;
  s.ChannelCount = r.ChannelCount;
  (r.ChannelCount == 1 ? ui.Mono2 : ui.Stereo2).click();
  if (r.SampleRate == 11025) ui.N11025Hz1.click();
  if (r.SampleRate == 22050) ui.N22050Hz1.click();
  if (r.SampleRate == 44100) ui.N44100Hz1.click();

  s.LowFrequency = r.LowFrequency;
  s.HighFrequency = r.HighFrequency;
  if (designFilter) designFilter();
}

void Configuration::SaveConfiguration(const std::string& path) {
  if (path.empty()) return;
  WriteFile(c_.host, path, current());
}

bool Configuration::WriteFile(Host& host, const std::string& path, const ConfigRecord& record) {
  if (path.empty()) return false;
  const std::string temporary = path + ".tmp";
  const auto bytes = record.encode();
  bool ok = false;
  if (auto file = host.openFile(temporary, FileMode::CreateBinary)) {
    ok = file->write(bytes.data(), bytes.size()) == bytes.size() && file->flush();
    ok = file->close() && ok;
  }
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(temporary, path, ec);
    ok = !ec;
  }
  if (!ok) std::filesystem::remove(temporary, ec);
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
