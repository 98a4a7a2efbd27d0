#include <gtest/gtest.h>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Two capture and two playback devices.
class SoundCardSelect : public DeviceFixture {
 protected:
  SoundCardSelect() {
    audio.addDevice(WaveDirection::Input, "Line In");
    audio.addDevice(WaveDirection::Output, "Headphones");
  }
  TSoundCardSelect& dialog() { return form.SoundCardSelect; }
  void up() { dialog().WaveUpDown.click(UpDownModel::Button::Up); }
};

}  // namespace

TEST_F(SoundCardSelect, BrowsesTheDevicesOfItsSideAndStopsAtTheLast) {
  EXPECT_FALSE(dialog().Visible());
  form.SelectOutputSoundDevice1.click();
  EXPECT_TRUE(dialog().Visible());
  EXPECT_EQ(dialog().Window.caption(), "Output Sound Device");
  EXPECT_EQ(dialog().SoundCardManf.text(), "Simulated Output");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clBlue);
  up();
  up();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  EXPECT_EQ(form.OutputDeviceId, 0);  // browsing chooses nothing

  dialog().FormClose();
  form.SelectInputSoundDevice1.click();
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  dialog().WaveUpDown.setPosition(7);
  dialog().SelectBtn.click();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Line In");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clWindowText);
}

TEST_F(SoundCardSelect, RefusalRestoresTheStartingDeviceAndACompatibleChoiceClearsTheMessage) {
  for (const bool output : {false, true}) {
    SCOPED_TRACE(output ? "output" : "input");
    const WaveDirection side = output ? WaveDirection::Output : WaveDirection::Input;
    audio.refuseFormats(side, 1);
    output ? form.SelectOutputSoundDevice1Click() : form.SelectInputSoundDevice1Click();
    up();
    dialog().SelectBtn.click();
    EXPECT_EQ(dialog().MessageLabel.text(), output ? "Sound output device not compatible" : "Sound input device not compatible");
    EXPECT_EQ(form.LastDeviceResult, WaveBadFormat);
    EXPECT_EQ(dialog().WaveUpDown.position(), 0);
    EXPECT_EQ(output ? form.OutputDeviceId : form.InputDeviceId, 0);
    EXPECT_EQ(dialog().SoundCardManf.text(), output ? "Simulated Output" : "Simulated Input");

    audio.setFormatCheck(side, 1, nullptr);
    up();
    dialog().SelectBtn.click();
    EXPECT_EQ(dialog().MessageLabel.text(), "");
    EXPECT_EQ(output ? form.OutputDeviceId : form.InputDeviceId, 1);
    dialog().FormClose();
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(SoundCardSelect, OpeningTheOtherMenuItemWhileVisibleKeepsEditingTheFirstSide) {
  form.SelectInputSoundDevice1Click();
  form.SelectOutputSoundDevice1Click();
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  up();
  dialog().SelectBtn.click();
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(form.OutputDeviceId, 0);
}

TEST_F(SoundCardSelect, TestingAFormatLeavesTheRunningDeviceAlone) {
  startCapture();
  queueInput(false);
  const WaveFormatEx running = dev().InputSide.DeviceFormat;
  form.WaveFormat = WaveFormatEx{2, 44100, 176400, 4, 16};
  form.InputBufferBytes = 16384;
  form.SelectInputSoundDevice1Click();
  dialog().SelectBtn.click();
  EXPECT_EQ(dev().InputSide.DeviceFormat, running);
  EXPECT_EQ(dev().InputSide.HeaderB.bufferLength, 2048u);
  EXPECT_TRUE(dev().InputSide.HeaderB.inQueue());
}
