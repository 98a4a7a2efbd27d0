// quorvane-cli process against the window's file transfer: the same input
// and settings give the same output file, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "TempDir.h"
#include "WavBytes.h"
#include "cli/Commands.h"
#include "app/TVOXForm.h"
#include "audio/SimWaveBackend.h"
#include "files/SampleRates.h"
#include "platform/SimHost.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Noise over a DC offset, with two bursts of louder noise and a 1 kHz tone
// farther apart than the hang time; a few frames past the last whole block.
std::vector<std::uint8_t> bursts(std::uint32_t rate, std::uint16_t channels) {
  const std::uint32_t frames = rate * 6 + 300;
  WavBytes w;
  w.header(channels, rate).raw("data").u32(frames * channels * 2);
  std::minstd_rand noise(12345);
  for (std::uint32_t i = 0; i < frames * channels; ++i) {
    const double t = static_cast<double>(i / channels) / rate;
    const int loud = (t > 0.5 && t < 1.7) || (t > 3.9 && t < 4.3), amplitude = loud ? 6000 : 300;
    const int tone = static_cast<int>(4000 * std::sin(2 * std::numbers::pi * 1000 * t) * loud);
    w.u16(static_cast<std::uint16_t>(150 + static_cast<int>(noise() % (2 * amplitude)) - amplitude + tone));
  }
  return w.bytes;
}

}  // namespace

TEST(Process, WritesWhatTheWindowsTransferWritesAtEveryRateAndSetting) {
  TempDir dir;
  const std::string in = dir.file("in.wav"), window = dir.file("window.wav"), batch = dir.file("batch.wav");
  // Every rate, mono and stereo, VOX off and on, filter off and on; each case another hang time.
  for (int i = 0; i < int(kSupportedRates.size()) * 8; ++i) {
    const std::uint32_t rate = kSupportedRates[std::size_t(i / 8)].rate;
    const int channels = 1 + i / 4 % 2, vox = i / 2 % 2, filter = i % 2, hang = (i + 1) % 6;
    SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channels, VOX " << vox << ", filter "
                                    << filter << ", hang index " << hang);
    if (i % 4 == 0) writeAll(in, bursts(rate, std::uint16_t(channels)));
    CliJob job;
    job.input = in, job.output = batch;
    auto& set = job.settings;
    set.FileTransfer = 1, set.VoxEnabled = vox, set.ThresholdDb = 12, set.HangTimeIndex = hang;
    set.OutputGainDb = 6 * vox, set.FilterEnabled = static_cast<std::uint8_t>(filter);
    set.LowFrequency = 250, set.HighFrequency = 3000;

    SimHost host;
    SimWaveBackend audio{host};
    TVOXForm form{host, audio};
    form.FormCreate();
    const auto settings = job.settings.encode();
    form.configuration.LoadFromBytes(settings.data(), settings.size());
    host.queueFileChoice(in);
    host.queueFileChoice(window);
    form.RecordBtn.click();
    ASSERT_TRUE(host.messages().empty()) << host.messages().front().text;

    ASSERT_EQ(runProcess(job), 0);
    const auto expected = readAll(window);
    EXPECT_GT(expected.size(), 44u + rate / 2);
    EXPECT_TRUE(readAll(batch) == expected);
  }
}
