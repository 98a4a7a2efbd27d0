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

// With VOX off the output is the input, sample for sample and no longer,
// whichever buffer the previous run ended on, however the input ends and
// wherever a pause comes (while the loop waits for A or for B).
TEST_F(Transfer, TheOutputIsTheInputWhateverThePreviousRunTheEndAndThePauses) {
  struct Case {
    int previousBuffer, extraFrames, pauseInBlock;  // -1: no pause
  };
  for (const Case c : {Case{2, 0, -1}, Case{1, 300, -1}, Case{2, 300, 20}, Case{1, 0, 21}, Case{2, 0, 30}}) {
    SCOPED_TRACE(testing::Message() << c.previousBuffer << " " << c.extraFrames << " " << c.pauseInBlock);
    makeInput(40, c.extraFrames);
    form.NextBuffer = c.previousBuffer;
    const int opens = audio.calls(WaveDirection::Input, WaveCall::Open);
    if (c.pauseInBlock >= 0) {
      // The loop starts 250 ms after the click; block k is waited for from about (k + 0.5) buffers on.
      host.after(250 + (c.pauseInBlock * 2 + 1) * Frames * 500 / 11025, [&] { form.PauseBtn.click(); });
      transfer();
      ASSERT_EQ(form.ActivityState, ActivityPaused);
      host.runFor(700);
      form.RecordBtn.click();  // resume: runs to the end
    } else {
      transfer();
    }
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), opens + 1);
    EXPECT_EQ(outputData(), inputData());
  }
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
