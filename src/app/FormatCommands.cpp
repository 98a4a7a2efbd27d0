#include "app/FormatCommands.h"

#include <string>

#include "files/SampleRates.h"

namespace quorvane {

bool FormatCommands::refused() {
  const std::int32_t state = c_.s.ActivityState;
  if (state == ActivityStopped || state == ActivitySelectingInput) return false;
  c_.host.messageBox("Cannot change parameter while playing or recording", "Error Message");
  return true;
}

void FormatCommands::WriteStatusLine() {
  const char* prefix =
      c_.s.ChannelCount == 1 ? "Channel Mode = MONO      Sample Rate = " : "Channel Mode = STEREO    Sample Rate = ";
  c_.ui.StatusMemo2.setText(prefix + std::to_string(c_.s.WaveFormat.SampleRate) + " Hz");
}

void FormatCommands::setChannels(int ch) {
  if (refused()) return;
  auto& s = c_.s;
  c_.ui.Mono2.setChecked(ch == 1);
  c_.ui.Stereo2.setChecked(ch == 2);
  s.ChannelCount = ch;
  const auto c16 = static_cast<std::uint16_t>(ch);
  s.WaveFormat.Channels = s.OutputWaveFormat.Channels = c16;
  s.WaveFormat.BlockAlign = s.OutputWaveFormat.BlockAlign = static_cast<std::uint16_t>(2 * ch);
  s.WaveFormat.AvgBytesPerSec = s.WaveFormat.SampleRate * s.BytesPerSample * c16;
  s.OutputWaveFormat.AvgBytesPerSec = s.OutputWaveFormat.SampleRate * s.BytesPerSample * c16;
  s.InputBufferBytes = static_cast<std::uint16_t>(s.SamplesPerBuffer * s.BytesPerSample * s.WaveFormat.Channels);
  s.OutputBufferBytes = static_cast<std::uint16_t>(s.SamplesPerBuffer * s.BytesPerSample * c16);
  WriteStatusLine();
}

void FormatCommands::setRate(std::uint32_t rate) {
  if (refused()) return;
  auto& s = c_.s;
  const std::uint32_t samplesPerBuffer = samplesPerBufferAt(rate);
  for (const auto& [itemRate, item] : c_.ui.sampleRateItems()) item->setChecked(itemRate == rate);
  s.SamplesPerBuffer = samplesPerBuffer;
  s.WaveFormat.SampleRate = s.OutputWaveFormat.SampleRate = rate;
  s.WaveFormat.AvgBytesPerSec = rate * s.BytesPerSample * s.WaveFormat.Channels;
  s.OutputWaveFormat.AvgBytesPerSec = rate * s.BytesPerSample * s.OutputWaveFormat.Channels;
  s.InputBufferBytes = static_cast<std::uint16_t>(samplesPerBuffer * s.BytesPerSample * s.WaveFormat.Channels);
  s.OutputBufferBytes = static_cast<std::uint16_t>(samplesPerBuffer * s.BytesPerSample * s.OutputWaveFormat.Channels);
  // The reciprocal in extended precision, the cut-offs in single precision.
  const long double reciprocal = 1.0L / rate;
  const float low = static_cast<float>(s.LowFrequency * reciprocal);
  const float high = static_cast<float>(s.HighFrequency * reciprocal);
  if (designFilter) designFilter(low, high);
  WriteStatusLine();
  if (s.ChannelCount == 1)
    Mono2Click();
  else
    Stereo2Click();
}

void FormatCommands::setStayOnTop(bool on) {
  c_.ui.Off1.setChecked(!on);
  c_.ui.On1.setChecked(on);
  c_.s.StayOnTop = on ? 1 : 0;
  c_.ui.MainWindow.setStayOnTop(on);
}

void FormatCommands::SelectRate(std::uint32_t rate) {
  if (isSupportedRate(rate)) setRate(rate);
}

void FormatCommands::SelectChannels(std::uint16_t channels) {
  if (channels == 1) Mono2Click();
  if (channels == 2) Stereo2Click();
}

}  // namespace quorvane
