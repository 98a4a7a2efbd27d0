// libFuzzer entry: any bytes as the configuration file. Decoding must never
// read out of bounds. Loading them on a window must never crash, divide by
// zero or leave a NaN filter, must leave every setting in a state the
// program can run with (boxes 0 or 1, a supported rate, devices that exist,
// a band the dialog accepts), and what the program then saves must load back to
// itself byte for byte.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/TVOXForm.h"
#include "audio/SimWaveBackend.h"
#include "files/ConfigRecord.h"
#include "files/SampleRates.h"
#include "platform/SimHost.h"

namespace {

void require(bool ok) {
  if (!ok) std::abort();
}

template <typename Span>
bool allFinite(Span values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  // Exactly `size` bytes on the heap, so the address sanitizer sees any overread.
  const std::vector<std::uint8_t> bytes(data, data + size);

  const ConfigRecord decoded = ConfigRecord::decode(bytes.data(), bytes.size(), ConfigRecord{});
  if (size >= ConfigRecord::Size) {
    const auto again = decoded.encode();
    require(std::equal(again.begin(), again.end(), bytes.begin()));
  }

  // One window for the whole run: building one allocates and clears far more
  // than a load touches. Loading the defaults first puts back everything a
  // load can change, so each input starts from the same state.
  static SimHost host;
  static SimWaveBackend audio(host);
  static TVOXForm& form = *[] {
    auto* f = new TVOXForm(host, audio);
    f->FormCreate();
    f->FormShow();
    return f;
  }();
  const auto defaults = ConfigRecord{}.encode();
  form.configuration.LoadFromBytes(defaults.data(), defaults.size());
  require(form.configuration.current().encode() == defaults);

  form.configuration.LoadFromBytes(bytes.data(), bytes.size());

  require(isSupportedRate(form.WaveFormat.SampleRate) && form.WaveFormat.AvgBytesPerSec != 0);
  require(form.InputDeviceId == 0 && form.OutputDeviceId == 0);  // one simulated device each way
  for (std::uint8_t box : {form.StayOnTop, form.FilterEnabled, form.TimerEnabled, form.FileBypass, form.MuteEnabled,
                           form.FileTransfer})
    require(box <= 1);
  require((form.VoxEnabled == 0 || form.VoxEnabled == 1) && (form.DisplayType == 0 || form.DisplayType == 1));
  require(form.FileBypassBox.checked() == (form.FileBypass == 1));
  require(form.VoxCheckBox.checked() == (form.VoxEnabled == 1));
  require(form.StartHour >= 0 && form.StartHour <= 12 && form.StopSecond >= 0 && form.StopSecond <= 59);
  // A band the band-pass dialog would accept.
  require(form.LowFrequency >= 0 && form.LowFrequency < form.HighFrequency &&
          form.HighFrequency <= static_cast<float>(form.WaveFormat.SampleRate / 2));
  require(form.ChannelCount == 1 || form.ChannelCount == 2);
  require(form.WaveFormat.Channels == form.ChannelCount && form.OutputWaveFormat.Channels == form.ChannelCount);
  require(form.InputBufferBytes > 0 && form.InputBufferBytes <= 16384);
  require(form.OutputBufferBytes > 0 && form.OutputBufferBytes <= 16384);
  require(form.HangTimeIndex >= 0 && form.HangTimeIndex <= 5);
  require(form.OutputGainDb >= 0 && form.OutputGainDb <= 40);
  require(form.ThresholdDb >= 0 && form.ThresholdDb <= 60);
  require(form.BandpassSelected == 2);
  require(allFinite(form.filter.Kernel()) && allFinite(form.filter.ResponseRe()) && allFinite(form.filter.ResponseIm()));
  require(host.messages().empty());

  const auto saved = form.configuration.current().encode();
  form.configuration.LoadFromBytes(saved.data(), saved.size());
  require(form.configuration.current().encode() == saved);
  return 0;
}
