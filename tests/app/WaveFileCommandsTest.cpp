#include <gtest/gtest.h>

#include "FormFixture.h"
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
    const std::string path = dir.file(name);
    writeAll(path, bytes);
    return path;
  }

  void openInput(const std::string& path) {
    host.queueFileChoice(path);
    form.OpenInput1Click();
  }
};

}  // namespace

TEST_F(WaveFiles, OutputFileGetsAProvisionalHeaderAndIsCompletedOnReplacement) {
  const std::string first = dir.file("first.wav"), second = dir.file("second.wav");
  host.queueFileChoice(first);
  form.OpenOutput1Click();
  ASSERT_EQ(form.OutputFileOpen, 1);
  ASSERT_EQ(host.fileRequests().size(), 1u);
  const FileDialogRequest& r = host.fileRequests()[0];
  EXPECT_EQ(r.title, "Output Wave File Select");
  EXPECT_EQ(r.defaultExtension, "wav");
  EXPECT_EQ(r.kind, FileDialogRequest::Kind::Save);
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
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(WaveFiles, AnOutputFileThatCannotBeCreatedIsReported) {
  host.queueFileChoice(dir.file("no/such/folder/x.wav"));
  form.OpenOutput1Click();
  EXPECT_EQ(form.OutputFileOpen, 0);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Could not open the Wave file");
  EXPECT_EQ(host.messages()[0].caption, "File Error Message");
}

TEST_F(WaveFiles, OurOwnRecordingReadsBackAtTheFirstSample) {
  const std::string path = dir.file("own.wav");
  form.Stereo2Click();
  form.N22050Hz1Click();
  host.queueFileChoice(path);
  form.OpenOutput1Click();
  appendBuffer(8192, 0x42);
  form.StopBtnClick();

  form.Mono2Click();
  form.N11025Hz1Click();
  form.ActivityState = ActivitySelectingInput;  // as Play does before choosing
  openInput(path);
  ASSERT_EQ(form.InputFileOpen, 1);
  EXPECT_EQ(host.fileRequests().back().title, "Input Wave File Select");
  EXPECT_EQ(form.InputDataBytes, 8192u);
  EXPECT_EQ(form.InputFile->tell(), 44u);
  // The file's format became the current one, with sizes, ticks and status line.
  EXPECT_EQ(form.WaveFormat, (WaveFormatEx{2, 22050, 88200, 4, 16}));
  EXPECT_EQ(form.OutputWaveFormat, form.WaveFormat);
  EXPECT_EQ(form.InputBufferBytes, 8192);
  EXPECT_TRUE(form.N22050Hz1.checked());
  EXPECT_TRUE(form.Stereo2.checked());
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = STEREO    Sample Rate = 22050 Hz");
}

TEST_F(WaveFiles, AFileOpenedWhileIdleIsKeptWithoutAdoptingItsFormat) {
  const std::string path = writeWav("idle.wav", WavBytes().header(2, 44100).raw("data").u32(400).fill(400, 1).bytes);
  openInput(path);
  EXPECT_EQ(form.InputFileOpen, 1);
  EXPECT_EQ(form.InputFileFormat.Format.SampleRate, 44100u);
  EXPECT_EQ(form.WaveFormat.SampleRate, 11025u);
  EXPECT_EQ(form.WaveFormat.Channels, 1);
}

TEST_F(WaveFiles, BadInputFilesAreClosedWithTheirMessage) {
  const std::string notRiff = writeWav("text.wav", {'h', 'e', 'l', 'l', 'o'});
  const std::string eightBit = writeWav("8bit.wav", WavBytes().header(1, 11025, 16, 8).raw("data").u32(4).fill(4, 0).bytes);
  const std::string empty = writeWav("empty.wav", WavBytes().header(1, 11025).raw("data").u32(0).bytes);
  form.ActivityState = ActivitySelectingInput;

  openInput(notRiff);
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_FALSE(form.InputFile);
  openInput(eightBit);
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(form.WaveFormat.BitsPerSample, 16);  // not adopted
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].text, "Not a RIFF file");
  EXPECT_EQ(host.messages()[1].caption, "File Error Message");

  openInput(empty);  // nothing to play: closed without a word
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(host.messages().size(), 2u);

  openInput(dir.file("missing.wav"));
  ASSERT_EQ(host.messages().size(), 3u);
  EXPECT_EQ(host.messages()[2].text, "Could not open the wave file");
  EXPECT_EQ(host.messages()[2].caption, "File Open Error Message");
}

TEST_F(WaveFiles, CancellingTheInputChooserLeavesNoInputFileOpen) {
  openInput(writeWav("a.wav", WavBytes().header(1, 11025).raw("data").u32(4).fill(4, 0).bytes));
  ASSERT_EQ(form.InputFileOpen, 1);
  form.OpenInput1Click();  // nothing queued: cancel
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_TRUE(host.messages().empty());
}
