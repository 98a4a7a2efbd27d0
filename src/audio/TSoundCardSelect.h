#pragma once

#include <string>

#include "audio/WaveDevices.h"
#include "platform/ButtonModel.h"
#include "platform/LabelModel.h"
#include "platform/UpDownModel.h"
#include "platform/WindowModel.h"
#include "state/SharedState.h"

namespace quorvane {

// The small modeless dialog in which the user picks the sound card for
// recording or for playback: step through the devices with the up/down,
// read each one's name, press Select. A device is taken only if it can take
// the current format, which is asked without opening it; the chosen index
// goes straight into the shared state. Created hidden, lives for the whole run.
class TSoundCardSelect {
 public:
  TSoundCardSelect(SharedState& s, WaveDevices& devices);
  TSoundCardSelect(const TSoundCardSelect&) = delete;
  TSoundCardSelect& operator=(const TSoundCardSelect&) = delete;

  WindowModel Window{"SoundCardSelect", "Select Sound Card", 564, 159, clSilver};
  LabelModel MessageLabel{"MessageLabel", "", {80, 24, 353, 21}};
  LabelModel SoundCardManf{"SoundCardManf", "", {43, 64, 414, 25}};
  UpDownModel WaveUpDown{"WaveUpDown", 0, 10, 0, {455, 64, 17, 25}};
  ButtonModel SelectBtn{"SelectBtn", "Select", {232, 106, 75, 25}};

  bool Visible() const { return Window.visible(); }
  // Makes the dialog visible without waiting for it. Showing it while it is
  // already visible changes nothing: it goes on editing the side it was
  // opened for.
  void Show();

  void FormShow();
  void WaveUpDownClick();
  void SelectBtnClick();
  void FormClose() { Window.setVisible(false); }

  // Refreshed from the devices whenever a name is shown.
  int InputDeviceCount = 0;
  int OutputDeviceCount = 0;

 private:
  void refreshCounts();
  int countForSide() const { return editingOutput_ ? OutputDeviceCount : InputDeviceCount; }
  std::string productName(int index);
  void showCurrentDevice();
  void showDeviceAtPosition();

  SharedState& s_;
  WaveDevices& devices_;
  int editingOutput_ = 0;
  int startingIndex_ = 0;
};

}  // namespace quorvane
