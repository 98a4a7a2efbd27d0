#include "app/DesktopCommands.h"

#include <string>
#include <vector>

namespace quorvane {

void DesktopCommands::HelpFile1Click() {
  const std::string& manual = c_.s.HelpFilePath;
  // The path is empty when no manual was found at start-up.
  if (manual.empty() || !c_.host.openDocument(manual)) c_.host.showMessage("Could not run the help application");
}

void DesktopCommands::About1Click() { c_.host.messageBox(kAboutText, kAboutCaption); }

void DesktopCommands::VolumeBtnClick() {
  // The desktops' own mixers, the most widely installed first. A system may
  // carry several; one mixer window is what the user asked for.
  struct Mixer {
    const char* program;
    std::vector<std::string> arguments;
  };
  static const Mixer mixers[] = {
      {"pavucontrol", {}},
      {"pwvucontrol", {}},
      {"gnome-control-center", {"sound"}},
      {"kmix", {}},
  };
  for (const Mixer& m : mixers)
    if (c_.host.startProgram(m.program, m.arguments)) return;
  // None could be started: nothing to report, the button simply does nothing.
}

}  // namespace quorvane
