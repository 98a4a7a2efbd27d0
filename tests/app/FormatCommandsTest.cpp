#include <gtest/gtest.h>

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

}  // namespace

TEST_F(Formats, EveryRateInMonoAndStereoSetsBothFormatsAndTheBufferSizes) {
  struct Row {
    void (TVOXForm::*command)();
    std::uint32_t rate, samples;
    MenuItemModel TVOXForm::*item;
  };
  const Row rows[] = {{&TVOXForm::N11025Hz1Click, 11025, 1024, &TVOXForm::N11025Hz1},
                      {&TVOXForm::N22050Hz1Click, 22050, 2048, &TVOXForm::N22050Hz1},
                      {&TVOXForm::N44100Hz1Click, 44100, 4096, &TVOXForm::N44100Hz1}};
  for (int channels : {1, 2}) {
    channels == 1 ? form.Mono2Click() : form.Stereo2Click();
    for (const Row& r : rows) {
      SCOPED_TRACE(std::to_string(r.rate) + "/" + std::to_string(channels));
      (form.*r.command)();
      const auto bytes = static_cast<std::uint16_t>(r.samples * 2 * channels);
      const WaveFormatEx expected{static_cast<std::uint16_t>(channels), r.rate, r.rate * 2 * channels,
                                  static_cast<std::uint16_t>(2 * channels), 16};
      EXPECT_EQ(form.WaveFormat, expected);
      EXPECT_EQ(form.OutputWaveFormat, expected);
      EXPECT_EQ(form.SamplesPerBuffer, r.samples);
      EXPECT_EQ(form.InputBufferBytes, bytes);
      EXPECT_EQ(form.OutputBufferBytes, bytes);
      EXPECT_LE(bytes, DeviceBufferSize);
      for (MenuItemModel* m : {&form.N11025Hz1, &form.N22050Hz1, &form.N44100Hz1})
        EXPECT_EQ(m->checked(), m == &(form.*r.item));
      EXPECT_EQ(form.Mono2.checked(), channels == 1);
      EXPECT_EQ(form.Stereo2.checked(), channels == 2);
      EXPECT_EQ(form.StatusMemo2.text(), std::string(channels == 1 ? "Channel Mode = MONO      Sample Rate = "
                                                                   : "Channel Mode = STEREO    Sample Rate = ") +
                                             std::to_string(r.rate) + " Hz");
    }
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(Formats, ARateChangeRedesignsTheFilterForTheNewRate) {
  form.LowFrequency = 300.0f;
  form.HighFrequency = 2400.0f;
  form.N22050Hz1Click();
  ASSERT_EQ(designs.size(), 1u);
  EXPECT_FLOAT_EQ(designs[0].first, 300.0f / 22050.0f);
  EXPECT_FLOAT_EQ(designs[0].second, 2400.0f / 22050.0f);
  form.Stereo2Click();  // the channel mode leaves the filter alone
  EXPECT_EQ(designs.size(), 1u);
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
