#include <gtest/gtest.h>

#include "FormFixture.h"
#include "Marked.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Transfer : public FormFixture {
 protected:
  Transfer() {
    startUp();
    form.FileTransferCheckBox.click();
  }
  void makeInput(int blocks, int extraFrames = 0, Loudness loud = allLoud) {
    inputData = readAll(markedWav(in, blocks, std::move(loud), extraFrames));
    inputData.erase(inputData.begin(), inputData.begin() + 44);
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
  std::string in = dir.file("in.wav"), out = dir.file("out.wav");
  std::vector<std::uint8_t> inputData;
};

}  // namespace

// With VOX off the output is the input, sample for sample and no longer, at
// the pace of the capture clock, whichever buffer the previous run ended on,
// however the input ends and wherever a pause comes (while the loop waits
// for A or for B).
TEST_F(Transfer, TheOutputIsTheInputWhateverThePreviousRunTheEndAndThePauses) {
  const struct { int previousBuffer, extraFrames, pauseInBlock; } cases[] = {  // -1: no pause
      {2, 0, -1}, {1, 300, -1}, {2, 300, 20}, {1, 0, 21}, {2, 0, 30}};
  for (const auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.previousBuffer << " " << c.extraFrames << " " << c.pauseInBlock);
    makeInput(40, c.extraFrames);
    form.NextBuffer = c.previousBuffer;
    const int opens = audio.calls(WaveDirection::Input, WaveCall::Open);
    const std::int64_t start = host.nowMs();
    if (c.pauseInBlock >= 0) {
      // The loop starts 250 ms after the click; block k is waited for from about (k + 0.5) buffers on.
      host.after(250 + static_cast<std::int64_t>((c.pauseInBlock + 0.5) * BufferMs), [&] { form.PauseBtn.click(); });
      transfer();
      ASSERT_EQ(form.ActivityState, ActivityPaused);
      host.runFor(700);
      form.RecordBtn.click();  // resume: runs to the end
    } else {
      transfer();
      EXPECT_GT(host.nowMs() - start, 40 * BufferMs);  // paced by the capture clock, not the disk
      EXPECT_LT(host.nowMs() - start, 40 * BufferMs + 1000);
    }
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    EXPECT_EQ(form.PlayScrollBar.position(), 0);
    EXPECT_EQ(form.InputFileOpen, 0);
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), opens + 1);
    EXPECT_EQ(outputData(), inputData);
  }
  ASSERT_GE(host.fileRequests().size(), 2u);
  EXPECT_EQ(host.fileRequests()[0].title, "Input Wave File Select");
  EXPECT_EQ(host.fileRequests()[1].title, "Output Wave File Select");
}

TEST_F(Transfer, WithVoxOnOnlyTheLoudBlocksAndTheHangReachTheFile) {
  // Loud blocks 5..9 and 40..44; quiet ones between, far longer than the 1 s hang.
  makeInput(60, 0, [](int k) { return within(k, {{5, 10}, {40, 45}}); });
  form.VoxCheckBox.click();
  form.InputThresholdUpDn.setPosition(0);
  form.InputThresholdUpDnClick();
  transfer();
  const auto ks = buffersIn(out);
  for (int k : {5, 6, 7, 8, 9, 40, 41, 42, 43, 44}) EXPECT_NE(std::find(ks.begin(), ks.end(), k), ks.end()) << k;
  for (int k : ks) EXPECT_TRUE(within(k, {{5, 10 + 13}, {40, 45 + 13}})) << "quiet block " << k << " was written";
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
  host.after(1000, [&] { form.OpenInput1.click(); });  // nothing queued: cancelled
  transfer();
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_LT(host.nowMs(), 3000);
  const auto data = outputData();
  ASSERT_GT(data.size(), 4u * Frames);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 4 * Frames, inputData.begin()));
}
