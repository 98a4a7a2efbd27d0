#pragma once

#include <memory>
#include <string>

#include "audio/TSoundCardSelect.h"
#include "audio/WaveBackend.h"
#include "audio/WaveDevices.h"
#include "display/Display.h"
#include "engine/Engine.h"
#include "platform/Host.h"
#include "state/FormComponents.h"
#include "state/SharedState.h"

namespace quorvane {

// The main window: the shared state, the controls, and every handler under
// its own name. A handler either is the behaviour or hands it in one line to
// the subsystem that owns it. The platform raises, in order: construction,
// FormCreate, FormShow (once, when first shown), FormClose, FormDestroy.
class TVOXForm : public SharedState, public FormComponents {
 public:
  // Allocates the device buffers and the display bitmap and sets every
  // default. The sound devices are the backend's; without one the form gets
  // simulated devices clocked by the host.
  TVOXForm(Host& host, WaveBackend& backend);
  explicit TVOXForm(Host& host);
  ~TVOXForm();

  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  void StopBtnClick() { engine.StopBtnClick(); }
  void TimeoutTimerTimer() { devices.TimeoutTimerTimer(); }
  void SelectInputSoundDevice1Click();
  void SelectOutputSoundDevice1Click();

  // "Channel Mode = MONO      Sample Rate = 11025 Hz" and its stereo twin.
  std::string ChannelRateText() const;
  void WriteStatusLine();

  Host& host;
  FormContext context;
  Display display;
  Engine engine;

 private:
  TVOXForm(Host& host, WaveBackend* backend);
  // Declared here, ahead of `audio`, which refers to it when the form made its own devices.
  std::unique_ptr<WaveBackend> ownedAudio_;

 public:
  WaveBackend& audio;
  WaveDevices devices;
  // The sound card dialog, created hidden with the window.
  TSoundCardSelect SoundCardSelect;

 private:
  void wireHandlers();
};

}  // namespace quorvane
