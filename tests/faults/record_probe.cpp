// The program's own window recording from the sound server, for the fault
// replay: the same main window, event loop, signal handling and PortAudio
// backend, with the output file chosen up front instead of in a dialog and
// message boxes written to standard output instead of waiting for a person.
// Ticks Mute (the monitor would feed the same server), sets the format and
// the boxes named, presses Record and runs until SIGTERM closes the window
// the ordinary way. Every change of the status lines goes to standard output.
//   record_probe OUT.wav [RATE] [CHANNELS] [filter] [vox]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"
#include "qt/TerminationSignals.h"

using namespace quorvane;

// The ALSA pulse plugin's own allocations live until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

class ProbeHost : public QtHost {
 public:
  std::string path;
  std::optional<std::string> chooseFile(const FileDialogRequest&) override { return path; }
  void messageBox(const std::string& text, const std::string& caption) override {
    std::printf("message: %s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProbeHost host;
  host.path = argv[1];
  PortAudioBackend audio;
  TVOXForm form(host, audio);
  form.FormCreate();
  for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
    int& id = d == WaveDirection::Input ? form.InputDeviceId : form.OutputDeviceId;
    for (id = 0; id < audio.deviceCount(d) && audio.productName(d, id) != "pulse";) ++id;
  }
  for (MemoModel* m : {&form.StatusMemo, &form.StatusMemo2})
    m->changed.connect([m] {
      std::printf("%s: %s\n", m->name().c_str(), m->text().c_str());
      std::fflush(stdout);
    });
  {
    MainWindow window(form);
    host.setMainWindow(&window);
    TerminationSignals onTermination([&window] { window.close(); });
    window.show();
    QApplication::processEvents();
    const std::string rate = argc > 2 ? argv[2] : "", channels = argc > 3 ? argv[3] : "";
    if (channels == "2") form.Stereo2Click();
    if (rate == "22050") form.N22050Hz1Click();
    if (rate == "44100") form.N44100Hz1Click();
    form.MuteCheckBox.click();
    for (int i = 4; i < argc; ++i) (std::string(argv[i]) == "filter" ? form.FilterCheckBox : form.VoxCheckBox).click();
    QTimer::singleShot(0, [&form] { form.RecordBtn.click(); });
    QApplication::exec();
  }
  form.FormDestroy();
  return 0;
}
