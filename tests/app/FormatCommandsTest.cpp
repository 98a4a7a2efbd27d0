#include <gtest/gtest.h>

#include <complex>
#include <numbers>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Formats : public FormFixture {
 protected:
  Formats() {
    startUp();
    form.formats.designFilter = [this](float low, float high) { designs.push_back({low, high}); };
  }
  std::vector<std::pair<float, float>> designs;
};

// The response of a kernel at a frequency, in double precision.
double gainAt(const BandpassFilter& f, double hz, double rate) {
  std::complex<double> sum;
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i)
    sum += double(f.Kernel()[i]) * std::polar(1.0, -2 * std::numbers::pi * hz * double(i) / rate);
  return std::abs(sum);
}

}  // namespace

TEST_F(Formats, EveryRateInMonoAndStereoSetsBothFormatsTheBuffersAndAFilterAtThatRate) {
  // In menu order: the three first rates as they always were, then the others rising.
  struct Row {
    std::uint32_t rate, samples;
    MenuItemModel* item;
  };
  const Row rows[] = {{11025, 1024, &form.N11025Hz1}, {22050, 2048, &form.N22050Hz1}, {44100, 4096, &form.N44100Hz1},
                      {8000, 1024, &form.N8000Hz1},   {16000, 2048, &form.N16000Hz1}, {32000, 3072, &form.N32000Hz1},
                      {48000, 4096, &form.N48000Hz1}};
  ASSERT_EQ(form.SampleRate1.items().size(), std::size(rows));
  form.formats.designFilter = [this](float low, float high) {
    designs.push_back({low, high});
    form.filter.LowCutoff = low;
    form.filter.HighCutoff = high;
    form.filter.DesignBandpassFilter();
  };
  form.LowFrequency = 300.0f;
  form.HighFrequency = 2400.0f;
  for (int channels : {1, 2}) {
    channels == 1 ? form.Mono2Click() : form.Stereo2Click();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      const Row& r = rows[i];
      SCOPED_TRACE(std::to_string(r.rate) + "/" + std::to_string(channels));
      EXPECT_EQ(form.SampleRate1.items()[i], r.item);
      r.item->click();
      const auto bytes = static_cast<std::uint16_t>(r.samples * 2 * channels);
      const WaveFormatEx expected{static_cast<std::uint16_t>(channels), r.rate, r.rate * 2 * channels,
                                  static_cast<std::uint16_t>(2 * channels), 16};
      EXPECT_EQ(form.WaveFormat, expected);
      EXPECT_EQ(form.OutputWaveFormat, expected);
      EXPECT_EQ(form.SamplesPerBuffer, r.samples);
      EXPECT_EQ(form.InputBufferBytes, bytes);
      EXPECT_EQ(form.OutputBufferBytes, bytes);
      EXPECT_LE(bytes, 16384u);  // what the devices use of each buffer
      EXPECT_EQ(BandpassFilter::SamplesPerChannel(static_cast<std::int32_t>(r.rate)), r.samples);
      for (const Row& other : rows) EXPECT_EQ(other.item->checked(), other.item == r.item);
      EXPECT_EQ(form.Mono2.checked(), channels == 1);
      EXPECT_EQ(form.Stereo2.checked(), channels == 2);
      EXPECT_EQ(form.StatusMemo2.text(), std::string(channels == 1 ? "Channel Mode = MONO      Sample Rate = "
                                                                   : "Channel Mode = STEREO    Sample Rate = ") +
                                             std::to_string(r.rate) + " Hz");
      // Designed for this rate: half the gain at both band edges.
      ASSERT_FALSE(designs.empty());
      EXPECT_FLOAT_EQ(designs.back().first, 300.0f / static_cast<float>(r.rate));
      EXPECT_FLOAT_EQ(designs.back().second, 2400.0f / static_cast<float>(r.rate));
      for (double edge : {300.0, 2400.0}) EXPECT_NEAR(gainAt(form.filter, edge, r.rate), 0.5, 0.005) << edge;
      EXPECT_NEAR(gainAt(form.filter, 1000.0, r.rate), 1.0, 0.001);
    }
  }
  const std::size_t designsMade = designs.size();
  form.Stereo2Click();  // the channel mode leaves the filter alone
  EXPECT_EQ(designs.size(), designsMade);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(Formats, BusyStatesRefuseAndChangeNothing) {
  for (std::int32_t state : {ActivityPaused, ActivityRecording, ActivityPlaying, ActivityFileTransfer,
                             ActivitySelectingOutput}) {
    SCOPED_TRACE(state);
    host.clearMessages();
    form.ActivityState = state;
    const WaveFormatEx before = form.WaveFormat;
    const std::string line = form.StatusMemo2.text();
    form.Stereo2Click();
    form.N44100Hz1Click();
    EXPECT_EQ(form.WaveFormat, before);
    EXPECT_EQ(form.InputBufferBytes, 2048);
    EXPECT_EQ(form.StatusMemo2.text(), line);
    EXPECT_FALSE(form.Stereo2.checked());
    EXPECT_FALSE(form.N44100Hz1.checked());
    EXPECT_TRUE(designs.empty());
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].text, "Cannot change parameter while playing or recording");
    EXPECT_EQ(host.messages()[0].caption, "Error Message");
  }
  form.ActivityState = ActivitySelectingInput;  // choosing an input file: accepted
  form.Stereo2Click();
  EXPECT_EQ(form.WaveFormat.Channels, 2);
}

TEST_F(Formats, StayOnTopTicksItsItemAndSetsTheWindowStyleEvenWhileBusy) {
  form.ActivityState = ActivityRecording;
  form.On1Click();
  EXPECT_TRUE(form.On1.checked());
  EXPECT_FALSE(form.Off1.checked());
  EXPECT_EQ(form.StayOnTop, 1);
  EXPECT_TRUE(form.MainWindow.stayOnTop());
  form.Off1Click();
  EXPECT_TRUE(form.Off1.checked());
  EXPECT_FALSE(form.On1.checked());
  EXPECT_EQ(form.StayOnTop, 0);
  EXPECT_FALSE(form.MainWindow.stayOnTop());
  EXPECT_TRUE(host.messages().empty());
}
