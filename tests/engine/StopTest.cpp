#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Stop : public FormFixture {
 protected:
  Stop() { startUp(); }

  // Puts the window into the look of a running activity.
  void pretendRunning(std::int32_t state) {
    form.ActivityState = state;
    form.StopRequested = 0;
    form.ResumeFromPause = 1;
    form.ScheduleActive = 1;
    form.StopBtn.setCaptionColour(clBlue);
    form.RecordBtn.setCaptionColour(clRed);
    for (LedModel* led : {&form.PlayLED, &form.RecordLED, &form.TimeRecordLED, &form.SquelchLED}) led->SetChecked(true);
    form.RecordPlayTimer.SetCount(true);
    form.PauseTimer.setEnabled(true);
    form.PlayScrollBar.setEnabled(true);
    form.PlayScrollBar.setPosition(640);
    form.FileBypassBox.setEnabled(false);
    form.StatusMemo.setText("Current Activity = Record");
    form.DisplayBitmap->penColour = clBlack;
    form.DisplayBitmap->line(0, 72, 306, 72);
    form.display.CopyToSpectrumBox();
  }

  void expectStopped() {
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    EXPECT_EQ(form.StopRequested, 1);
    EXPECT_EQ(form.ResumeFromPause, 0);
    EXPECT_EQ(form.ScheduleActive, 0);
    EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Stopped");
    EXPECT_EQ(form.StopBtn.captionColour(), clRed);
    for (ButtonModel* b : {&form.RecordBtn, &form.PlayBtn, &form.PauseBtn}) EXPECT_EQ(b->captionColour(), clBlue);
    for (LedModel* led : {&form.PlayLED, &form.RecordLED, &form.TimeRecordLED, &form.SquelchLED})
      EXPECT_FALSE(led->checked()) << led->name();
    EXPECT_FALSE(form.RecordPlayTimer.counting());
    EXPECT_FALSE(form.PauseTimer.enabled());
    EXPECT_FALSE(form.PlayScrollBar.enabled());
    EXPECT_EQ(form.PlayScrollBar.position(), 0);
    EXPECT_TRUE(form.FileBypassBox.enabled());
    EXPECT_EQ(form.OutputFileOpen, 0);
    EXPECT_EQ(form.InputFileOpen, 0);
    EXPECT_FALSE(form.OutputFile);
    EXPECT_FALSE(form.InputFile);
    const RasterCanvas& shown = form.SpectrumBox.image();
    for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(shown.pixel(x, 72), clWhite) << x;
  }
};

}  // namespace

TEST_F(Stop, ReturnsToTheStoppedStateFromEveryActivity) {
  for (std::int32_t state : {ActivityStopped, ActivityPaused, ActivityRecording, ActivityPlaying,
                             ActivityFileTransfer, ActivitySelectingInput, ActivitySelectingOutput}) {
    SCOPED_TRACE(state);
    pretendRunning(state);
    const std::int64_t before = host.nowMs();
    form.StopBtnClick();
    EXPECT_EQ(host.nowMs() - before, 250);  // the pause that lets a loop underneath settle
    expectStopped();
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(Stop, KeepsTheLastElapsedTimeOnTheCounter) {
  form.RecordPlayTimer.SetCount(true);
  host.sleepMs(65'000);
  form.StopBtnClick();
  host.sleepMs(10'000);
  EXPECT_EQ(form.RecordPlayTimer.minutes(), 1);
  EXPECT_EQ(form.RecordPlayTimer.seconds(), 5);
}

TEST_F(Stop, CompletesTheHeaderWithTheBytesWritten) {
  const std::string path = dir.file("ten.wav");
  openOutput(path);
  for (int i = 0; i < 10; ++i) appendBuffer(4096, static_cast<std::uint8_t>(i));
  pretendRunning(ActivityRecording);
  form.StopBtnClick();
  expectStopped();

  const auto bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 44u + 40960u);
  EXPECT_EQ(u32At(bytes, 4), 40996u);
  EXPECT_EQ(u32At(bytes, 40), 40960u);
  EXPECT_EQ(bytes[44], 0);  // the sound itself is untouched, in order
  EXPECT_EQ(bytes[44 + 9 * 4096], 9);
  EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
}

TEST_F(Stop, AGateThatNeverOpenedLeavesAnEmptyButValidFile) {
  const std::string path = dir.file("empty.wav");
  openOutput(path);
  pretendRunning(ActivityRecording);
  form.StopBtnClick();
  const auto bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(u32At(bytes, 4), 36u);
  EXPECT_EQ(u32At(bytes, 40), 0u);
}

TEST_F(Stop, WithNoFileOpenTouchesNoFile) {
  form.FileBypass = 1;
  pretendRunning(ActivityRecording);
  int opened = 0;
  host.setFileOpener([&](const std::string& p, FileMode m) {
    ++opened;
    return openStdioFile(p, m);
  });
  form.StopBtnClick();
  form.StopBtnClick();  // stopping when stopped only resets the window again
  EXPECT_EQ(opened, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  expectStopped();
}

TEST_F(Stop, ClosesTheInputFileOfAPlayback) {
  const std::string path = dir.file("in.wav");
  writeAll(path, std::vector<std::uint8_t>(100, 1));
  form.InputFile = host.openFile(path, FileMode::ReadBinary);
  form.InputFileOpen = 1;
  pretendRunning(ActivityPlaying);
  form.StopBtnClick();
  expectStopped();
  EXPECT_EQ(readAll(path).size(), 100u);  // read-only: left as it was
}

// A file whose header cannot be brought up to date is reported, not passed off as complete.
TEST_F(Stop, ReportsAHeaderThatCouldNotBeWritten) {
  class FailingWrites : public FileStream {
   public:
    std::size_t read(void*, std::size_t) override { return 0; }
    std::size_t write(const void*, std::size_t) override { return 0; }
    bool seek(std::uint64_t) override { return true; }
    bool seekToEnd() override { return true; }
    std::uint64_t tell() override { return 0; }
    bool flush() override { return false; }
    bool close() override { return true; }
  };
  form.OutputFile = std::make_unique<FailingWrites>();
  form.OutputFileOpen = 1;
  form.OutputDataBytes = 4096;
  form.StopBtnClick();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].caption, "File Error Message");
  EXPECT_EQ(form.OutputFileOpen, 0);
}
