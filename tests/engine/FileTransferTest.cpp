#include <gtest/gtest.h>

#include "FormFixture.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int Frames = 1024;

class Transfer : public FormFixture {
 protected:
  Transfer() {
    startUp();
    form.FileTransferCheckBox.click();
    in = dir.file("in.wav");
    out = dir.file("out.wav");
  }

  // Block k alternates +-(loud(k) ? 3000 + k : 1 + k): mean zero, so a
  // transferred block with gain 1 and no filter is the block itself.
  void makeInput(int blocks, int extraFrames = 0, std::function<bool(int)> loud = [](int) { return true; }) {
    WavBytes w;
    const auto frames = static_cast<std::uint32_t>(blocks * Frames + extraFrames);
    w.header(1, 11025).raw("data").u32(frames * 2);
    for (std::uint32_t f = 0; f < frames; ++f) {
      const int k = static_cast<int>(f / Frames);
      const auto m = static_cast<std::int16_t>(loud(k) ? 3000 + k : 1 + k);
      w.u16(static_cast<std::uint16_t>(f % 2 ? m : -m));
    }
    inputBytes = w.bytes;
    writeAll(in, w.bytes);
  }

  void transfer() {
    host.queueFileChoice(in);
    host.queueFileChoice(out);
    form.RecordBtn.click();  // returns at the end of the data
  }

  std::vector<std::uint8_t> outputData() {
    const auto bytes = readAll(out);
    EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44);
    return {bytes.begin() + 44, bytes.end()};
  }
  std::vector<std::uint8_t> inputData() { return {inputBytes.begin() + 44, inputBytes.end()}; }

  std::string in, out;
  std::vector<std::uint8_t> inputBytes;
};

}  // namespace

TEST_F(Transfer, WithVoxOffTheOutputIsTheInputBlockForBlockAtItsOwnPace) {
  makeInput(50);  // 4.6 s
  const std::int64_t start = host.nowMs();
  transfer();
  const std::int64_t took = host.nowMs() - start;
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.PlayScrollBar.position(), 0);
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(outputData(), inputData());
  EXPECT_GT(took, 4500);  // paced by the capture clock, not as fast as the disk allows
  EXPECT_LT(took, 5500);
  ASSERT_EQ(host.fileRequests().size(), 2u);
  EXPECT_EQ(host.fileRequests()[0].title, "Input Wave File Select");
  EXPECT_EQ(host.fileRequests()[1].title, "Output Wave File Select");
}

TEST_F(Transfer, APreviousRunEndingOnBufferBLeadsWithOneBlockOfSilence) {
  makeInput(20);
  form.NextBuffer = 2;
  transfer();
  const auto data = outputData();
  ASSERT_EQ(data.size(), 21u * 2 * Frames);
  for (int i = 0; i < 2 * Frames; ++i) ASSERT_EQ(data[static_cast<std::size_t>(i)], 0) << i;
  EXPECT_TRUE(std::equal(data.begin() + 2 * Frames, data.end(), inputData().begin()));
}

TEST_F(Transfer, WithVoxOnOnlyTheLoudBlocksAndTheHangReachTheFile) {
  // Loud blocks 5..9 and 40..44; quiet ones between, far longer than the 1 s hang.
  makeInput(60, 0, [](int k) { return (k >= 5 && k < 10) || (k >= 40 && k < 45); });
  form.VoxCheckBox.click();
  form.InputThresholdUpDn.setPosition(0);
  form.InputThresholdUpDnClick();
  transfer();
  const auto data = outputData();
  std::vector<int> ks;
  for (std::size_t off = 0; off + 2 * Frames <= data.size(); off += 2 * Frames) {
    const int m = std::abs(static_cast<std::int16_t>(data[off] | (data[off + 1] << 8)));
    ks.push_back(m >= 3000 ? m - 3000 : m - 1);
  }
  for (int k : {5, 6, 7, 8, 9, 40, 41, 42, 43, 44}) EXPECT_NE(std::find(ks.begin(), ks.end(), k), ks.end()) << k;
  for (int k : ks) {
    const bool loudOrHang = (k >= 5 && k < 10 + 13) || (k >= 40 && k < 45 + 13);
    EXPECT_TRUE(loudOrHang) << "quiet block " << k << " was written";
  }
  EXPECT_TRUE(std::is_sorted(ks.begin(), ks.end()));
}

TEST_F(Transfer, WithFileBypassNothingIsWrittenAndNoOutputFileIsAsked) {
  makeInput(20);
  form.FileBypassBox.click();
  host.queueFileChoice(in);
  form.RecordBtn.click();
  EXPECT_EQ(host.fileRequests().size(), 1u);
  EXPECT_EQ(form.OutputFileOpen, 0);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_FALSE(audio.sink().samples().empty());  // the raw blocks were played
}

TEST_F(Transfer, AFileEndingInsideABlockEndsWithSilenceNotWithAnOldBlock) {
  makeInput(20, 300);
  transfer();
  const auto data = outputData();
  const auto input = inputData();
  ASSERT_GE(data.size(), input.size());
  EXPECT_TRUE(std::equal(input.begin(), input.end(), data.begin()));
  for (std::size_t i = input.size(); i < data.size(); ++i) ASSERT_EQ(data[i], 0) << i;
  EXPECT_LT(data.size(), input.size() + 2 * 2 * Frames);
}

TEST_F(Transfer, PauseAndResumeCarryOnWithoutReadingTheFirstBlockAgain) {
  makeInput(60);
  host.queueFileChoice(in);
  host.queueFileChoice(out);
  host.after(2000, [&] { form.PauseBtn.click(); });
  form.RecordBtn.click();
  ASSERT_EQ(form.ActivityState, ActivityPaused);
  host.runFor(700);
  form.RecordBtn.click();  // resume: runs to the end
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.terminateRequests(), 0);
  EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), 1);
  const auto data = outputData();
  std::vector<int> ks;
  for (std::size_t off = 0; off + 2 * Frames <= data.size(); off += 2 * Frames) {
    const int m = std::abs(static_cast<std::int16_t>(data[off] | (data[off + 1] << 8)));
    if (m != 0) ks.push_back(m - 3000);
  }
  ASSERT_FALSE(ks.empty());
  EXPECT_EQ(ks.front(), 0);
  EXPECT_EQ(ks.back(), 59);
  for (std::size_t i = 1; i < ks.size(); ++i) EXPECT_GT(ks[i], ks[i - 1]) << "block " << ks[i] << " repeated";
}

TEST_F(Transfer, CancellingTheInputChooserEndsTheTransferAsAtTheEndOfItsData) {
  makeInput(100);
  host.queueFileChoice(in);
  host.queueFileChoice(out);
  host.after(1000, [&] { form.OpenInput1.click(); });  // nothing queued: cancelled
  form.RecordBtn.click();
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_LT(host.nowMs(), 3000);
  const auto data = outputData();
  EXPECT_GT(data.size(), 0u);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 4 * Frames, inputData().begin()));
}
