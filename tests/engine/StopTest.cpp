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

// From every activity, with a file open or none; the counter keeps the last elapsed time.
TEST_F(Stop, ReturnsToTheStoppedStateFromEveryActivity) {
  form.RecordPlayTimer.SetCount(true);
  host.sleepMs(65'000);
  form.StopBtnClick();
  host.sleepMs(10'000);
  EXPECT_EQ(form.RecordPlayTimer.minutes(), 1);
  EXPECT_EQ(form.RecordPlayTimer.seconds(), 5);
  const std::string in = dir.file("in.wav");
  writeAll(in, std::vector<std::uint8_t>(100, 1));
  for (std::int32_t state : {ActivityStopped, ActivityPaused, ActivityRecording, ActivityPlaying,
                             ActivityFileTransfer, ActivitySelectingInput, ActivitySelectingOutput}) {
    SCOPED_TRACE(state);
    if (state == ActivityPlaying) {
      form.InputFile = host.openFile(in, FileMode::ReadBinary);
      form.InputFileOpen = 1;
    }
    pretendRunning(state);
    const std::int64_t before = host.nowMs();
    form.StopBtnClick();
    EXPECT_EQ(host.nowMs() - before, 250);  // the pause that lets a loop underneath settle
    expectStopped();
  }
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(readAll(in).size(), 100u);  // read-only: left as it was
}

// The header counts the bytes written, none when the gate never opened; the sound is untouched, in order.
TEST_F(Stop, CompletesTheHeaderWithTheBytesWritten) {
  for (const int buffers : {10, 0}) {
    const std::string path = dir.file(std::to_string(buffers) + ".wav");
    openOutput(path);
    for (int i = 0; i < buffers; ++i) appendBuffer(4096, static_cast<std::uint8_t>(i + 1));
    pretendRunning(ActivityRecording);
    form.StopBtnClick();
    expectStopped();
    const auto bytes = readAll(path);
    const std::uint32_t data = 4096u * static_cast<std::uint32_t>(buffers);
    ASSERT_EQ(bytes.size(), 44u + data);
    EXPECT_EQ(u32At(bytes, 4), 36u + data);
    EXPECT_EQ(u32At(bytes, 40), data);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    for (int i = 0; i < buffers; ++i) EXPECT_EQ(bytes[44 + 4096 * std::size_t(i)], i + 1);
  }
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
  EXPECT_EQ(host.messages()[0].text, "Could not complete the Wave file");
  EXPECT_EQ(form.OutputFileOpen, 0);
}
