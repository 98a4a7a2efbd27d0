#include <gtest/gtest.h>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Two capture and two playback devices; the second of each is named for its side.
class SoundCardSelect : public DeviceFixture {
 protected:
  SoundCardSelect() {
    audio.addDevice(WaveDirection::Input, "Line In");
    audio.addDevice(WaveDirection::Output, "Headphones");
  }

  TSoundCardSelect& dialog() { return form.SoundCardSelect; }
  void up() { dialog().WaveUpDown.click(UpDownModel::Button::Up); }
  void down() { dialog().WaveUpDown.click(UpDownModel::Button::Down); }
};

}  // namespace

TEST_F(SoundCardSelect, MenuItemsOpenItForTheirSideShowingTheCurrentDevice) {
  EXPECT_FALSE(dialog().Visible());
  form.OutputDeviceId = 1;
  form.SelectOutputSoundDevice1.click();
  EXPECT_TRUE(dialog().Visible());
  EXPECT_EQ(form.SelectingOutputDevice, 1);
  EXPECT_EQ(dialog().Window.caption(), "Output Sound Device");
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clBlue);
  EXPECT_EQ(dialog().OutputDeviceCount, 2);

  dialog().FormClose();
  EXPECT_FALSE(dialog().Visible());
  form.SelectInputSoundDevice1.click();
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  EXPECT_EQ(dialog().WaveUpDown.position(), 0);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Simulated Input");
}

TEST_F(SoundCardSelect, StepsThroughTheDevicesAndStopsAtTheLast) {
  form.SelectOutputSoundDevice1Click();
  up();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  up();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  down();
  EXPECT_EQ(dialog().SoundCardManf.text(), "Simulated Output");
  EXPECT_EQ(form.OutputDeviceId, 0);  // browsing chooses nothing
}

TEST_F(SoundCardSelect, SelectTakesACompatibleDeviceAndClearsTheMessage) {
  audio.refuseFormats(WaveDirection::Output, 0);
  form.SelectOutputSoundDevice1Click();
  dialog().SelectBtn.click();
  EXPECT_EQ(dialog().MessageLabel.text(), "Sound output device not compatible");
  EXPECT_EQ(dialog().MessageLabel.fontColour(), clRed);

  up();
  dialog().SelectBtn.click();
  EXPECT_EQ(dialog().MessageLabel.text(), "");
  EXPECT_EQ(form.OutputDeviceId, 1);
  EXPECT_EQ(form.InputDeviceId, 0);
  EXPECT_EQ(form.LastDeviceResult, WaveNoError);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clWindowText);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(SoundCardSelect, RefusalRestoresTheStartingDeviceOnEitherSide) {
  for (const WaveDirection side : {WaveDirection::Input, WaveDirection::Output}) {
    const bool output = side == WaveDirection::Output;
    SCOPED_TRACE(output ? "output" : "input");
    audio.refuseFormats(side, 1);
    if (output)
      form.SelectOutputSoundDevice1Click();
    else
      form.SelectInputSoundDevice1Click();
    up();
    dialog().SelectBtn.click();
    EXPECT_EQ(dialog().MessageLabel.text(),
              output ? "Sound output device not compatible" : "Sound input device not compatible");
    EXPECT_EQ(form.LastDeviceResult, WaveBadFormat);
    EXPECT_EQ(dialog().WaveUpDown.position(), 0);
    EXPECT_EQ(output ? form.OutputDeviceId : form.InputDeviceId, 0);
    EXPECT_EQ(dialog().SoundCardManf.text(), output ? "Simulated Output" : "Simulated Input");
    dialog().FormClose();
  }
}

TEST_F(SoundCardSelect, SelectingPastTheLastDeviceTakesTheLast) {
  form.SelectInputSoundDevice1Click();
  dialog().WaveUpDown.setPosition(7);
  dialog().SelectBtn.click();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Line In");
}

TEST_F(SoundCardSelect, OpeningTheOtherMenuItemWhileVisibleKeepsEditingTheFirstSide) {
  form.SelectInputSoundDevice1Click();
  form.SelectOutputSoundDevice1Click();
  EXPECT_EQ(form.SelectingOutputDevice, 1);
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  up();
  dialog().SelectBtn.click();
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(form.OutputDeviceId, 0);
}

TEST_F(SoundCardSelect, TestingAFormatLeavesTheRunningDeviceAlone) {
  startCapture();
  queueInput(BufferLetter::B);
  const WaveFormatEx running = dev().InputSide.DeviceFormat;
  const std::uint8_t* bufferB = dev().InputSide.HeaderB.data;
  form.WaveFormat = WaveFormatEx{2, 44100, 176400, 4, 16};
  form.InputBufferBytes = 16384;

  form.SelectInputSoundDevice1Click();
  up();
  dialog().SelectBtn.click();
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(dev().InputSide.DeviceFormat, running);
  EXPECT_EQ(dev().InputSide.HeaderB.data, bufferB);
  EXPECT_EQ(dev().InputSide.HeaderB.bufferLength, 2048u);
  EXPECT_TRUE(dev().InputSide.HeaderB.inQueue());
}
