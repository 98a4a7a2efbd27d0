#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <numbers>
#include <numeric>

#include "Decoded.h"
#include "FormFixture.h"
#include "files/SampleRates.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// A file another program made: `sfFormat` at a rate, a tone whose pitch steps
// from 500 Hz to 1500 Hz half-way, written by libsndfile (not by us).
std::string makeSound(const std::string& path, int sfFormat, int rate, int channels, double seconds = 4.0) {
  SF_INFO info{0, rate, channels, sfFormat, 0, 0};
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) ADD_FAILURE() << sf_strerror(nullptr);
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<std::int16_t> s;
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    phase += 2 * std::numbers::pi * (i < frames / 2 ? 500.0 : 1500.0) / rate;
    const auto v = static_cast<std::int16_t>(std::lround(12000 * std::sin(phase)));
    s.insert(s.end(), static_cast<std::size_t>(channels), v);
  }
  if (f) sf_writef_short(f, s.data(), static_cast<sf_count_t>(frames));
  sf_close(f);
  return path;
}

class Compressed : public FormFixture {
 protected:
  Compressed() { startUp(); }
};

double power(const std::vector<std::int16_t>& s) {
  return std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / static_cast<double>(s.size());
}

}  // namespace

// A tone recorded at every rate and channel mode keeps its pitch through the
// band-pass, the file its rate and length, and playing it shows its own time
// from zero. Without the filter, FLAC decodes to the WAV file's samples
// exactly; Opus, to the same length (within 30 ms) and level.
TEST_F(Compressed, EveryRateInMonoAndStereoRecordsAToneAtItsPitchAndShowsThePlayingTime) {
  for (const SupportedRate& r : kSupportedRates) {
    for (int channels : {1, 2}) {
      const std::string path = dir.file(std::to_string(r.rate) + "-Hz-" + std::to_string(channels) + "-channels");
      SCOPED_TRACE(path);
      form.formats.SelectRate(r.rate);
      form.formats.SelectChannels(static_cast<std::uint16_t>(channels));
      Decoded d, plain, flac, opus;
      for (auto [ext, into] : {std::pair{".wav", &d}, {"-plain.wav", &plain}, {".flac", &flac}, {".opus", &opus}}) {
        form.FilterCheckBox.setChecked(into == &d);
        form.FilterCheckBoxClick();
        audio.setSource(0, SimSoundSource::tone(1000.0, 8000.0));
        host.queueFileChoice(path + ext);
        host.after(3000, [this] { form.StopBtn.click(); });
        form.RecordBtn.click();
        *into = decode(path + ext);
        ASSERT_TRUE(into->ok) << ext;
      }
      EXPECT_EQ((std::array{d.rate, d.channels, flac.rate, opus.channels}),
                (std::array{int(r.rate), channels, int(r.rate), channels}));
      EXPECT_NEAR(d.seconds(), 3.0, 2.5 * r.samplesPerBuffer / r.rate);  // less what the devices held at the stop
      EXPECT_EQ(flac.samples, plain.samples);
      EXPECT_NEAR(opus.seconds(), plain.seconds(), 0.03);
      for (int c = 0; c < channels; ++c)
        EXPECT_NEAR(d.pitch(c, 0.5, d.seconds()), 1000.0, 5.0) << "channel " << c;
      EXPECT_NEAR(10 * std::log10(power(opus.samples) / power(plain.samples)), 0.0, 1.0);  // dB

      std::string shownAt2s;
      host.queueFileChoice(path + ".wav");
      host.after(2050, [&] { shownAt2s = form.TimerMemo.text(); });
      form.PlayBtn.click();
      EXPECT_EQ(shownAt2s, "00:00:02");
      EXPECT_TRUE(host.messages().empty());
    }
  }
}

// A recording killed outright (no completion, no flush at exit) leaves FLAC and
// Opus files that two decoders read to within half a second before the kill,
// wherever it falls between the once-a-second updates. Debian's sox reads no
// Opus; opusdec is the second decoder there.
TEST_F(Compressed, AKilledRecordingLeavesFilesThatDecodeToWithinASecondOfTheKill) {
  form.Stereo2Click();
  form.N48000Hz1Click();
  audio.setSource(0, SimSoundSource::tone(1000.0, 8000.0));
  for (const auto& [ext, killAt] : {std::pair{".flac", 4200}, {".flac", 4600}, {".flac", 5000}, {".opus", 4200},
                                     {".opus", 4600}, {".opus", 5000}}) {
    SCOPED_TRACE(std::string(ext) + " killed at " + std::to_string(killAt) + " ms");
    const std::string path = dir.file(std::string("killed") + ext), second = dir.file("second.wav");
    EXPECT_EXIT(
        {
          host.after(killAt, [] { std::raise(SIGKILL); });
          host.queueFileChoice(path);
          form.RecordBtn.click();
        },
        testing::KilledBySignal(SIGKILL), "");
    const Decoded d = decode(path);
    EXPECT_NEAR(d.seconds(), killAt / 1000.0 - 0.25, 0.25);
    const std::string command = (std::string(ext) == ".flac" ? "sox -q " : "opusdec --quiet ") + path + " " + second;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_NEAR(decode(second).seconds(), d.seconds(), 0.05);
  }
}

// FLAC, Ogg Vorbis, Opus and MP3 files made elsewhere. Cut in their headers or
// backwards, they are refused with a message; cut in their sound, they play what
// decodes, or are refused where libsndfile will not open them (a torn Ogg page
// near the start); none is left open. Whole, they play at their own rate and
// pitch, seek to where the bar says, and transfer sample for sample.
TEST_F(Compressed, FlacVorbisOpusAndMp3PlaySeekAndTransferAndDamagedAreRefusedOrPlayWhatTheyHold) {
  for (const auto& [ext, format, rate, channels] : {std::tuple{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 2},
                                                    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1},
                                                    {"opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2},
                                                    {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 32000, 1}}) {
    SCOPED_TRACE(ext);
    const std::string path = dir.file(std::string("in.") + ext);
    // Damaged copies of a short mono file (a longer Ogg file cut in half opens as one without sound).
    const auto whole = readAll(makeSound(dir.file(std::string("whole.") + ext), format, 16000, 1, 2.0));
    const struct { const char* what; std::vector<std::uint8_t> bytes; bool refused; } damaged[] = {
        {"cut in its header", {whole.begin(), whole.begin() + 20}, true},
        {"its bytes backwards", {whole.rbegin(), whole.rend()}, true},
        {"cut in its sound", {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)}, false}};
    for (const auto& d : damaged) {
      SCOPED_TRACE(d.what);
      writeAll(path, d.bytes);
      host.clearMessages();
      host.queueFileChoice(path);
      form.PlayBtn.click();
      EXPECT_EQ(std::pair(form.ActivityState, int(form.InputFileOpen)), std::pair(ActivityStopped, 0));
      std::vector<std::string> said;
      for (const auto& m : host.messages()) said.push_back(m.caption + ": " + m.text);
      // A file cut in its sound may be refused too (a torn Ogg page near the start), but only so.
      const std::vector<std::string> refusal{"File Error Message: The sound file cannot be read"};
      EXPECT_EQ(said, d.refused || !said.empty() ? refusal : std::vector<std::string>{});
    }
    host.clearMessages();
    const Decoded original = decode(makeSound(path, format, rate, channels));

    // At 1 s the bar is dragged to three quarters (3 s, the high tone); a
    // second later playback resumes there and runs to the end.
    std::string shown;
    std::size_t resumedAt = 0;
    host.queueFileChoice(path);
    host.after(1000, [&] {
      form.PlayScrollBar.scroll(750);
      shown = form.TimerMemo.text();
    });
    host.after(2300, [&] { resumedAt = audio.sink().samples().size(); });
    const std::size_t before = audio.sink().samples().size();
    form.PlayBtn.click();
    host.runFor(3000);
    EXPECT_EQ(std::tuple(form.ActivityState, form.WaveFormat.SampleRate, form.WaveFormat.Channels, shown),
              std::tuple(ActivityStopped, static_cast<std::uint32_t>(rate), channels, "00:00:03"));
    const Decoded heard{true, rate, channels, audio.sink().samples()};
    const auto at = [&](std::size_t samples) { return static_cast<double>(samples) / channels / rate; };
    EXPECT_NEAR(heard.pitch(0, at(before) + 0.3, at(before) + 0.9), 500.0, 5.0);
    EXPECT_NEAR(heard.pitch(0, at(resumedAt), at(resumedAt) + 0.6), 1500.0, 15.0);

    // Transferred with VOX off: the output is the decoded input, less the DC
    // the chain removes from each block (the tone's blocks do not average zero).
    const std::string out = dir.file(std::string(ext) + ".wav");
    form.FileTransferCheckBox.click();
    host.queueFileChoice(path);
    host.queueFileChoice(out);
    form.RecordBtn.click();
    form.FileTransferCheckBox.click();
    const Decoded transferred = decode(out);
    ASSERT_EQ(std::pair(transferred.rate, transferred.samples.size()), std::pair(rate, original.samples.size()));
    EXPECT_TRUE(std::equal(original.samples.begin(), original.samples.end(), transferred.samples.begin(),
                           [](int a, int b) { return std::abs(a - b) < 150; }));
    EXPECT_TRUE(host.messages().empty());
  }
}
