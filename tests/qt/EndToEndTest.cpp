// The whole program against the private sound server: the real main window on
// Qt's event loop, the PortAudio backend, real sound. A recording with VOX on
// while tone bursts play into the server, then the file played back through
// Play. Checks are on the sound, never on timing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <utility>

#include "RealSound.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// The real host, except that a file chooser takes the answer given to it
// instead of waiting for a person, and one answer serves one chooser.
class ScriptedQtHost : public QtHost {
 public:
  std::optional<std::string> chooseFile(const FileDialogRequest&) override { return std::exchange(answer, {}); }
  std::optional<std::string> answer;
};

}  // namespace

TEST(EndToEnd, RecordBurstsWithVoxThenPlayTheFileBack) {
  if (!usePrivateServer()) GTEST_SKIP() << "no PulseAudio server (start one with scripts/start-pulse.sh)";
  QTemporaryDir tmp;
  const std::string wav = (tmp.path() + "/vox.wav").toStdString(), bursts = (tmp.path() + "/bursts.raw").toStdString(),
                    heard = (tmp.path() + "/heard.raw").toStdString();
  const std::string cmd = "sox -n -r 11025 -c 1 -b 16 -t raw " + bursts + " synth 1 sine 1000 vol 0.37 pad 0 2.5 repeat 2";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "sox makes three one-second bursts of a 1 kHz tone, 2.5 s apart";

  ScriptedQtHost host;
  PortAudioBackend audio;
  TVOXForm form(host, audio);
  form.FormCreate();
  if (!choosePulseDevices(form, audio)) GTEST_SKIP() << "PortAudio lists no ALSA 'pulse' device";
  MainWindow window(form);
  host.setMainWindow(&window);
  window.show();  // the window's first show runs FormShow
  QApplication::processEvents();

  // The user's clicks: Mute (the monitor would feed back into the same sink),
  // Voice Activate, 20 dB threshold, 0.5 s hang; then Record.
  window.findChild<QCheckBox*>("MuteCheckBox")->click();
  window.findChild<QCheckBox*>("VoxCheckBox")->click();
  voxLevels(form, 20, 0);
  host.answer = wav;
  QTimer::singleShot(300, [&] { playRaw(bursts); });
  QTimer::singleShot(11500, [&] { window.findChild<QPushButton*>("StopBtn")->click(); });
  window.findChild<QPushButton*>("RecordBtn")->click();  // the loop runs until Stop
  EXPECT_EQ(form.ActivityState, ActivityStopped);

  const RecordedWav recorded = readRecordedWav(wav);
  ASSERT_TRUE(recorded.ok);
  EXPECT_EQ(recorded.declared, recorded.held);  // the header matches the data
  const int loud = expectBurstsKept(recorded.first);

  // Play it back through the window while another client records the sink.
  window.findChild<QCheckBox*>("MuteCheckBox")->click();  // playback ignores Mute; untick it anyway
  recordSink(heard, 9);
  host.answer = wav;
  window.findChild<QPushButton*>("PlayBtn")->click();  // plays to the end of the data
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  QThread::msleep(9500);
  int heardLoud = 0;
  for (double r : blockRms(readRaw(heard))) heardLoud += r > 0.5 * ToneRms;
  std::printf("heard %d loud blocks of the playback\n", heardLoud);
  EXPECT_GE(heardLoud, loud - 4);  // the recorded bursts came out of the sink again
  EXPECT_FALSE(host.answer);
  window.close();
  form.FormDestroy();
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());  // never the user's settings
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
