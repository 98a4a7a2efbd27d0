#pragma once

#include "state/FormContext.h"

namespace quorvane {

// The commands that hand something to the desktop: the manual in its
// viewer, the About box, and the system's volume mixer.
class DesktopCommands {
 public:
  explicit DesktopCommands(FormContext c) : c_(c) {}

  void HelpFile1Click();
  void About1Click();
  void VolumeBtnClick();

  static constexpr const char* kAboutCaption = "About Quorvane";
  static constexpr const char* kAboutText =
      "Quorvane VOX recorder by the Quorvane developers\n"
      "                   Version 1.02";

 private:
  FormContext c_;
};

}  // namespace quorvane
