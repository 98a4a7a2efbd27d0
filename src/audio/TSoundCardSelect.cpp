#include "audio/TSoundCardSelect.h"

namespace quorvane {

TSoundCardSelect::TSoundCardSelect(SharedState& s, WaveDevices& devices) : s_(s), devices_(devices) {
  Window.setVisible(false);
  MessageLabel.setFontColour(clRed);
  WaveUpDown.onClick = [this] { WaveUpDownClick(); };
  SelectBtn.onClick = [this] { SelectBtnClick(); };
}

void TSoundCardSelect::Show() {
  if (Window.visible()) return;
  FormShow();
  Window.setVisible(true);
}

void TSoundCardSelect::refreshCounts() {
  InputDeviceCount = devices_.backend().deviceCount(WaveDirection::Input);
  OutputDeviceCount = devices_.backend().deviceCount(WaveDirection::Output);
}

std::string TSoundCardSelect::productName(int index) {
  return devices_.backend().productName(editingOutput_ ? WaveDirection::Output : WaveDirection::Input, index);
}

void TSoundCardSelect::FormShow() {
  SoundCardManf.setFontColour(clBlue);
  if (s_.SelectingOutputDevice != 0) {
    startingIndex_ = s_.OutputDeviceId;
    Window.setCaption("Output Sound Device");
  } else {
    startingIndex_ = s_.InputDeviceId;
    Window.setCaption("Input Sound Device");
  }
  editingOutput_ = s_.SelectingOutputDevice != 0 ? 1 : 0;
  showCurrentDevice();
}

void TSoundCardSelect::showCurrentDevice() {
  refreshCounts();
  if (WaveUpDown.position() > countForSide()) return;
  const int current = editingOutput_ ? s_.OutputDeviceId : s_.InputDeviceId;
  WaveUpDown.setPosition(current);
  if (current >= 0 && current < countForSide()) SoundCardManf.setText(productName(current));
}

void TSoundCardSelect::showDeviceAtPosition() {
  refreshCounts();
  if (WaveUpDown.position() < countForSide()) SoundCardManf.setText(productName(WaveUpDown.position()));
}

void TSoundCardSelect::WaveUpDownClick() {
  if (WaveUpDown.position() >= countForSide()) WaveUpDown.setPosition(countForSide() - 1);
  SoundCardManf.setFontColour(clBlue);
  showDeviceAtPosition();
}

void TSoundCardSelect::SelectBtnClick() {
  if (WaveUpDown.position() >= countForSide()) WaveUpDown.setPosition(countForSide() - 1);
  std::int32_t& deviceId = editingOutput_ ? s_.OutputDeviceId : s_.InputDeviceId;
  deviceId = WaveUpDown.position();
  // The format is built here rather than through the setup of the headers,
  // which a running recording still has queued on the device.
  const bool refused = editingOutput_ ? devices_.QueryOutputFormat(s_.OutputWaveFormat)
                                      : devices_.QueryInputFormat(s_.WaveFormat);
  if (refused) {
    MessageLabel.setText(editingOutput_ ? "Sound output device not compatible" : "Sound input device not compatible");
    if (WaveUpDown.position() != startingIndex_) {
      WaveUpDown.setPosition(startingIndex_);
      deviceId = startingIndex_;
    }
  } else {
    MessageLabel.setText("");
  }
  showDeviceAtPosition();
  SoundCardManf.setFontColour(clWindowText);
}

}  // namespace quorvane
