#include <QApplication>
#include <QFont>

#include "app/Configuration.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "qt/FrequencySetDialog.h"
#include "qt/ModelDialog.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"
#include "qt/TerminationSignals.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("quorvane");
  QFont font = QApplication::font();
  font.setPixelSize(11);
  QApplication::setFont(font);

  quorvane::QtHost host;
  // There is no installer to lay down the settings file: make it on first run,
  // before the window looks for it.
  quorvane::Configuration::CreateDefaultFile(host);
  quorvane::PortAudioBackend audio;
  quorvane::TVOXForm form(host, audio);
  form.FormCreate();

  int rc = 0;
  {
    quorvane::MainWindow window(form);
    host.setMainWindow(&window);
    // The dialogs exist for the whole run, hidden until their menu items show them.
    quorvane::FrequencySetDialog frequencyDialog(form.FrequencySetForm, &window);
    auto& logging = form.LoggingSettingsForm;
    quorvane::ModelDialog loggingDialog(logging.Window,
                                        {&logging.PreRollLabel, &logging.PreRollMemo, &logging.MinLengthLabel,
                                         &logging.MinLengthMemo, &logging.MaxLengthLabel, &logging.MaxLengthMemo,
                                         &logging.OneFileBox, &logging.HintLabel},
                                        [&logging] { logging.FormClose(); }, &window);
    // A kill or a logout closes the window the ordinary way: the file being
    // recorded is completed and the settings are saved.
    quorvane::TerminationSignals onTermination([&window] { window.close(); });
    window.show();
    rc = QApplication::exec();
  }
  form.FormDestroy();
  return rc;
}
