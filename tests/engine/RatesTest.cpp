#include <gtest/gtest.h>

#include "Decoded.h"
#include "FormFixture.h"
#include "files/SampleRates.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Rates : public FormFixture {
 protected:
  Rates() { startUp(); }
};

// One tone through the whole chain at every rate and channel mode: captured
// by the simulated card, DC-corrected, band-passed at that rate, written, read
// back and played. The tone keeps its pitch, the file its rate and length,
// and playback takes as long as the sound lasts.
TEST_F(Rates, EveryRateInMonoAndStereoRecordsAToneAtItsPitchAndPlaysItInRealTime) {
  audio.setSource(0, SimSoundSource::tone(1000.0, 8000.0));
  form.FilterCheckBox.setChecked(true);
  form.FilterCheckBoxClick();
  for (const SupportedRate& r : kSupportedRates) {
    for (int channels : {1, 2}) {
      SCOPED_TRACE(std::to_string(r.rate) + " Hz, " + std::to_string(channels) + " channel(s)");
      host.clearMessages();
      form.formats.SelectRate(r.rate);
      form.formats.SelectChannels(static_cast<std::uint16_t>(channels));
      const std::string path = dir.file("tone-" + std::to_string(r.rate) + "-" + std::to_string(channels) + ".wav");
      host.queueFileChoice(path);
      host.after(3000, [this] { form.StopBtn.click(); });
      form.RecordBtn.click();

      const Decoded d = decode(path);
      ASSERT_TRUE(d.ok);
      EXPECT_EQ(d.rate, static_cast<int>(r.rate));
      EXPECT_EQ(d.channels, channels);
      // Recorded in real time: three seconds less the buffers still in the devices at the stop.
      const double buffer = static_cast<double>(r.samplesPerBuffer) / r.rate;
      EXPECT_NEAR(d.seconds(), 3.0, 2.5 * buffer);
      for (int c = 0; c < channels; ++c) EXPECT_NEAR(d.pitch(c, 0.5, d.seconds()), 1000.0, 5.0) << "channel " << c;

      // Played back at its own pace, with the elapsed time of the sound.
      const std::int64_t start = host.nowMs();
      const std::size_t heard = audio.sink().samples().size();
      std::string shownAt2s;
      host.queueFileChoice(path);
      host.after(2050, [&] { shownAt2s = form.TimerMemo.text(); });
      form.PlayBtn.click();
      // The stop's quarter second after the sound, a block of silence
      // before it and the last buffers drained: the rest is the sound's own length.
      const double played = static_cast<double>(host.nowMs() - start) / 1000.0 - 0.25;
      EXPECT_GE(played, d.seconds());
      EXPECT_LE(played, d.seconds() + 3 * buffer);
      EXPECT_NEAR(static_cast<double>(audio.sink().samples().size() - heard) / channels / r.rate, played, 0.01);
      EXPECT_EQ(shownAt2s, "00:00:02");
      EXPECT_TRUE(host.messages().empty());
    }
  }
}

}  // namespace
