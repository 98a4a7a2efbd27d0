#pragma once

#include <string>

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
  // Allocates the device buffers and the display bitmap and sets every default.
  explicit TVOXForm(Host& host);
  ~TVOXForm();

  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  void StopBtnClick() { engine.StopBtnClick(); }

  // "Channel Mode = MONO      Sample Rate = 11025 Hz" and its stereo twin.
  std::string ChannelRateText() const;
  void WriteStatusLine();

  Host& host;
  FormContext context;
  Display display;
  Engine engine;

 private:
  void wireHandlers();
};

}  // namespace quorvane
