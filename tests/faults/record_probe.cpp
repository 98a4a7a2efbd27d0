// The program's own window recording from the sound server, for the fault
// replay: the same main window, event loop, signal handling and PortAudio
// backend, with the output file chosen up front instead of in a dialog and
// message boxes written to standard output instead of waiting for a person.
// Ticks Mute (the monitor would feed the same server), sets the format and
// the boxes named, presses Record and runs until SIGTERM closes the window
// the ordinary way. Every change of the status lines goes to standard output.
//   record_probe OUT.wav [RATE] [CHANNELS] [filter] [vox]
//   record_probe --check FILE [TONE_HZ]   what a recorded WAV file holds, as "declared=<bytes> held=<bytes>
// breaks=<n>": the breaks in a steady tone (-1: too short to tell); nothing, and status 1, if it does not read.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../support/ToneCheck.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"
#include "qt/TerminationSignals.h"

using namespace quorvane;

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

int check(const char* path, double hz) {
  const auto w = test::readRecordedWav(path);
  const int breaks = hz > 0 ? test::toneBreaks(w.first, hz, w.rate) : 0;
  if (w.ok) std::printf("declared=%u held=%llu breaks=%d\n", w.declared, static_cast<unsigned long long>(w.held), breaks);
  return w.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (argc > 2 && std::string(argv[1]) == "--check") return check(argv[2], argc > 3 ? std::atof(argv[3]) : 0);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProbeHost host;
  host.path = argv[1];
  PortAudioBackend audio;
  TVOXForm form(host, audio);
  form.FormCreate();
  test::choosePulseDevices(form, audio);
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
