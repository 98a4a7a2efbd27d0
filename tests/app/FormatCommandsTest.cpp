#include <gtest/gtest.h>

#include "FormFixture.h"
#include "Said.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Formats : public FormFixture {
 protected:
  Formats() {
    startUp();
    form.formats.designFilter = [this, real = form.formats.designFilter](float low, float high) {
      ++designs;
      real(low, high);
    };
  }
  int designs = 0;
};

}  // namespace

TEST_F(Formats, EveryRateInMonoAndStereoSetsBothFormatsTheBuffersAndAFilterAtThatRate) {
  // In menu order: the three first rates as they always were, then the others rising.
  const std::tuple<std::uint32_t, std::uint32_t, MenuItemModel*> rows[] = {
      {11025, 1024, &form.N11025Hz1}, {22050, 2048, &form.N22050Hz1}, {44100, 4096, &form.N44100Hz1},
      {8000, 1024, &form.N8000Hz1},   {16000, 2048, &form.N16000Hz1}, {32000, 3072, &form.N32000Hz1},
      {48000, 4096, &form.N48000Hz1}};
  ASSERT_EQ(form.SampleRate1.items().size(), std::size(rows));
  for (std::uint16_t channels : {1, 2}) {
    channels == 1 ? form.Mono2Click() : form.Stereo2Click();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      const auto [rate, samples, item] = rows[i];
      SCOPED_TRACE(std::to_string(rate) + "/" + std::to_string(channels));
      EXPECT_EQ(form.SampleRate1.items()[i], item);
      item->click();
      const WaveFormatEx expected{channels, rate, rate * 2 * channels, std::uint16_t(2 * channels), 16};
      EXPECT_EQ(form.WaveFormat, expected);
      EXPECT_EQ(form.OutputWaveFormat, expected);
      EXPECT_EQ(form.SamplesPerBuffer, samples);
      EXPECT_EQ(BandpassFilter::SamplesPerChannel(std::int32_t(rate)), samples);
      const int bytes = int(samples * 2 * channels);
      EXPECT_EQ(form.InputBufferBytes, bytes);
      EXPECT_EQ(form.OutputBufferBytes, bytes);
      for (const auto& other : rows) EXPECT_EQ(std::get<2>(other)->checked(), std::get<2>(other) == item);
      EXPECT_EQ(form.Mono2.checked(), channels == 1);
      EXPECT_EQ(form.Stereo2.checked(), channels == 2);
      EXPECT_EQ(form.StatusMemo2.text(), std::string(channels == 1 ? "Channel Mode = MONO      Sample Rate = "
                                                                   : "Channel Mode = STEREO    Sample Rate = ") +
                                             std::to_string(rate) + " Hz");
      // The filter designed anew for this rate.
      EXPECT_FLOAT_EQ(form.filter.LowCutoff, 300.0f / float(rate));
      EXPECT_FLOAT_EQ(form.filter.HighCutoff, 2400.0f / float(rate));
      EXPECT_NEAR(form.filter.Kernel()[512], 2 * 2100.0 / rate, 1e-3);  // the band's width at the centre tap
    }
  }
  const int designsMade = designs;
  form.Stereo2Click();  // the channel mode leaves the filter alone
  EXPECT_EQ(designs, designsMade);
  EXPECT_EQ(said(host), Lines{});
}

// Busy, the format commands refuse and change nothing; choosing an input file
// is not busy, and staying on top may change at any time.
TEST_F(Formats, BusyStatesRefuseAndChangeNothing) {
  for (std::int32_t state : {ActivityPaused, ActivityRecording, ActivityPlaying, ActivityFileTransfer,
                             ActivitySelectingOutput}) {
    SCOPED_TRACE(state);
    form.ActivityState = state;
    const WaveFormatEx before = form.WaveFormat;
    const std::string line = form.StatusMemo2.text();
    form.Stereo2Click();
    form.N44100Hz1Click();
    EXPECT_EQ(form.WaveFormat, before);
    EXPECT_EQ(form.InputBufferBytes, 2048);
    EXPECT_EQ(form.StatusMemo2.text(), line);
    EXPECT_FALSE(form.Stereo2.checked() || form.N44100Hz1.checked());
    EXPECT_EQ(designs, 0);
    EXPECT_EQ(said(host), Lines(2, "Error Message: Cannot change parameter while playing or recording"));
    form.On1Click();
    EXPECT_TRUE(form.On1.checked() && form.MainWindow.stayOnTop());
    form.Off1Click();
    EXPECT_TRUE(form.Off1.checked() && !form.MainWindow.stayOnTop());
  }
  form.ActivityState = ActivitySelectingInput;
  form.Stereo2Click();
  EXPECT_EQ(form.WaveFormat.Channels, 2);
}
