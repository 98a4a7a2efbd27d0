#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FormFixture.h"
#include "OtherInstance.h"
#include "Said.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class WaveFiles : public FormFixture {
 protected:
  WaveFiles() {
    startUp();
    form.formats.designFilter = [](float, float) {};
  }
  std::string writeWav(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writeAll(dir.file(name), bytes);
    return dir.file(name);
  }
  void openInput(const std::string& path) {
    host.queueFileChoice(path);
    form.OpenInput1Click();
  }
};

}  // namespace

TEST_F(WaveFiles, OutputFileGetsAProvisionalHeaderIsCompletedOnReplacementAndReadsBackInItsFormat) {
  const std::string first = dir.file("first.wav"), second = dir.file("second.wav");
  form.Stereo2Click();
  form.N22050Hz1Click();
  host.queueFileChoice(first);
  form.OpenOutput1Click();
  ASSERT_EQ(form.OutputFileOpen, 1);
  const FileDialogRequest& r = host.fileRequests().back();
  EXPECT_EQ(std::tuple(r.title, r.defaultExtension, r.kind),
            std::tuple("Output Wave File Select", "wav", FileDialogRequest::Kind::Save));
  auto bytes = readAll(first);
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(u32At(bytes, 4), 36u);
  EXPECT_EQ(u32At(bytes, 40), 0u);

  appendBuffer(10000);
  host.queueFileChoice(second);
  form.OpenOutput1Click();  // the first file is completed before the new one is chosen
  bytes = readAll(first);
  EXPECT_EQ(u32At(bytes, 4), 10036u);
  EXPECT_EQ(u32At(bytes, 40), 10000u);
  EXPECT_EQ(form.OutputDataBytes, 0u);
  EXPECT_EQ(form.OutputFileOpen, 1);

  appendBuffer(2048);
  form.OpenOutput1Click();  // cancelled: the open file is completed and none stays open
  EXPECT_EQ(form.OutputFileOpen, 0);
  EXPECT_EQ(u32At(readAll(second), 40), 2048u);

  // Chosen as Play chooses it: read from the first sample, its format the current one.
  form.Mono2Click();
  form.N11025Hz1Click();
  form.ActivityState = ActivitySelectingInput;
  openInput(first);
  ASSERT_EQ(form.InputFileOpen, 1);
  EXPECT_EQ(host.fileRequests().back().title, "Input Wave File Select");
  EXPECT_EQ(form.InputDataBytes, 10000u);
  EXPECT_EQ(form.InputFile->tell(), 44u);
  EXPECT_EQ(form.WaveFormat, (WaveFormatEx{2, 22050, 88200, 4, 16}));
  EXPECT_EQ(form.OutputWaveFormat, form.WaveFormat);
  EXPECT_EQ(form.InputBufferBytes, 8192);
  EXPECT_TRUE(form.N22050Hz1.checked() && form.Stereo2.checked());
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = STEREO    Sample Rate = 22050 Hz");
  form.OpenInput1Click();  // nothing queued: cancel
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(said(host), Lines{});
}

// A FIFO or a device as output once hung the program or wrote into the
// device; a second instance truncated and interleaved with the first's file.
// Each is refused with its message, and Record records nothing.
TEST_F(WaveFiles, AnOutputFileThatCannotBeCreatedIsReportedAndNothingIsRecorded) {
  const std::string fifo = dir.file("fifo.wav"), held = dir.file("held.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  OtherInstance other(held, "recording");
  ASSERT_TRUE(other.holding());
  const std::pair<std::string, std::string> cases[] = {
      {dir.file("no/such/folder/x.wav"), "Could not open the Wave file"},
      {fifo, "Not a regular file"},
      {"/dev/full", "Not a regular file"},
      {held, "The file is in use by another program"},
  };
  for (const auto& [path, text] : cases) {
    host.queueFileChoice(path);
    form.RecordBtn.click();
    EXPECT_EQ(form.OutputFileOpen, 0);
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    EXPECT_EQ(said(host), Lines{"File Error Message: " + text}) << path;
  }
  EXPECT_EQ(readAll(held).size(), 9u);
}

// Every refused file says why; none stays open, none has its format adopted.
TEST_F(WaveFiles, BadInputFilesAreClosedWithTheirMessage) {
  const std::string fifo = dir.file("fifo.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto header = WavBytes().header(2, 44100).raw("data").u32(0).bytes;
  const std::string noSound = "File Error Message: The wave file holds no sound";
  // A compressed file at a rate the program does not play gets the WAV file's message.
  const std::string flac96k = dir.file("96k.flac");
  ASSERT_EQ(std::system(("sox -q -n -r 96000 -b 16 " + flac96k + " synth 0.2 sine 1000").c_str()), 0);
  const std::pair<std::string, std::string> cases[] = {
      {writeWav("text.wav", {'h', 'e', 'l', 'l', 'o'}), "File Error Message: Not a RIFF file"},
      {writeWav("8bit.wav", WavBytes().header(1, 11025, 16, 8).raw("data").u32(4).fill(4, 0).bytes),
       "File Error Message: Only 16-bit PCM wave files can be played"},
      {flac96k, "File Error Message: Only wave files at 8000, 11025, 16000, 22050, 32000, 44100 or 48000 Hz can be "
                "played"},
      {writeWav("empty.wav", header), noSound},
      {writeWav("cut.wav", {header.begin(), header.begin() + 40}), noSound},
      {dir.file("missing.wav"), "File Open Error Message: Could not open the wave file"},
      {fifo, "File Open Error Message: Not a regular file"},
      {dir.path().string(), "File Open Error Message: Not a regular file"},
  };
  form.ActivityState = ActivitySelectingInput;
  for (const auto& [path, message] : cases) {
    openInput(path);
    EXPECT_EQ(form.InputFileOpen, 0);
    EXPECT_FALSE(form.InputFile);
    EXPECT_EQ(form.WaveFormat.Channels, 1);  // not adopted
    EXPECT_EQ(said(host), Lines{message}) << path;
  }
}
