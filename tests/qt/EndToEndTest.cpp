// The whole program against a private PulseAudio server (scripts/start-pulse.sh):
// the real main window on Qt's event loop, the PortAudio backend, real sound.
// A recording with VOX on while tone bursts play into the server, then the
// file played back through Play. Checks are on the sound, never on timing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "ToneCheck.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "qt/MainWindow.h"
#include "qt/QtHost.h"

// The ALSA pulse plugin's own allocations live until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

using namespace quorvane;
using namespace quorvane::test;

namespace {

// The real host, except that file choosers answer from a list instead of
// waiting for a person.
class ScriptedQtHost : public QtHost {
 public:
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::vector<std::string> answers;
};

constexpr int Rate = 11025;

std::vector<std::int16_t> readRaw(const std::string& path) {
  std::vector<std::int16_t> s;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::int16_t v;
    while (std::fread(&v, 2, 1, f) == 1) s.push_back(v);
    std::fclose(f);
  }
  return s;
}

std::vector<double> blockRms(const std::vector<std::int16_t>& s) {
  std::vector<double> out;
  for (std::size_t off = 0; off + 1024 <= s.size(); off += 1024) {
    double sum = 0;
    for (std::size_t i = off; i < off + 1024; ++i) sum += double(s[i]) * s[i];
    out.push_back(std::sqrt(sum / 1024));
  }
  return out;
}

}  // namespace

TEST(EndToEnd, RecordBurstsWithVoxThenPlayTheFileBack) {
  const char* dir = std::getenv("QUORVANE_PULSE_DIR");
  const std::string server = std::string("unix:") + (dir && *dir ? dir : "/tmp/quorvane-pulse") + "/native";
  setenv("PULSE_SERVER", server.c_str(), 1);
  if (std::system("pactl info >/dev/null 2>&1") != 0) GTEST_SKIP() << "no PulseAudio server at " << server;

  QTemporaryDir tmp;
  const std::string wav = (tmp.path() + "/vox.wav").toStdString();
  const std::string bursts = (tmp.path() + "/bursts.raw").toStdString();
  const std::string heard = (tmp.path() + "/heard.raw").toStdString();
  {
    // Three one-second bursts of a 1 kHz tone, 2.5 s of silence after each.
    std::vector<std::int16_t> s;
    for (int b = 0; b < 3; ++b) {
      for (int i = 0; i < Rate; ++i)
        s.push_back(static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 1000 * i / Rate)));
      s.insert(s.end(), static_cast<std::size_t>(2.5 * Rate), 0);
    }
    FILE* f = std::fopen(bursts.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(s.data(), 2, s.size(), f);
    std::fclose(f);
  }

  ScriptedQtHost host;
  PortAudioBackend audio;
  TVOXForm form(host, audio);
  form.FormCreate();
  for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
    int& id = d == WaveDirection::Input ? form.InputDeviceId : form.OutputDeviceId;
    for (id = 0; id < audio.deviceCount(d) && audio.productName(d, id) != "pulse";) ++id;
    if (id == audio.deviceCount(d)) GTEST_SKIP() << "PortAudio lists no ALSA 'pulse' device";
  }
  MainWindow window(form);
  host.setMainWindow(&window);
  window.show();  // the window's first show runs FormShow
  QApplication::processEvents();

  // The user's clicks: Mute (the monitor would feed back into the same sink),
  // Voice Activate, 20 dB threshold, 0.5 s hang; then Record.
  window.findChild<QCheckBox*>("MuteCheckBox")->click();
  window.findChild<QCheckBox*>("VoxCheckBox")->click();
  form.InputThresholdUpDn.setPosition(20);
  form.InputThresholdUpDnClick();
  form.InputUpDnGain.setPosition(0);
  form.InputUpDnGainClick();
  host.answers = {wav};
  QTimer::singleShot(300, [&] {
    std::system(("pacat --playback --raw --rate=11025 --channels=1 --format=s16le --device=quorvane_null < " +
                 bursts + " &").c_str());
  });
  QTimer::singleShot(11500, [&] { window.findChild<QPushButton*>("StopBtn")->click(); });
  window.findChild<QPushButton*>("RecordBtn")->click();  // the loop runs until Stop
  EXPECT_EQ(form.ActivityState, ActivityStopped);

  const RecordedWav recorded = readRecordedWav(wav);
  ASSERT_TRUE(recorded.ok);
  EXPECT_EQ(recorded.declared, recorded.held);  // the header matches the data
  const std::vector<std::int16_t>& samples = recorded.first;
  int loud = 0, quietRun = 0, longestQuiet = 0;
  for (double r : blockRms(samples)) {
    if (r > 4000) {
      ++loud;
      quietRun = 0;
    } else {
      longestQuiet = std::max(longestQuiet, ++quietRun);
    }
  }
  std::printf("recorded %.1f s: %d loud blocks, longest quiet run %d blocks\n",
              samples.size() / double(Rate), loud, longestQuiet);
  EXPECT_GE(loud, 25);          // the bursts, about 32 blocks
  EXPECT_LE(longestQuiet, 12);  // the 2.5 s silences are gone
  EXPECT_LE(samples.size(), 6.5 * Rate);

  // Play it back through the window while another client records the sink.
  window.findChild<QCheckBox*>("MuteCheckBox")->click();  // playback ignores Mute; untick it anyway
  std::remove(heard.c_str());
  std::system(("(timeout 9 parec --raw --rate=11025 --channels=1 --format=s16le "
               "--device=quorvane_null.monitor > " + heard + ") &").c_str());
  host.answers = {wav};
  window.findChild<QPushButton*>("PlayBtn")->click();  // plays to the end of the data
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  QThread::msleep(9500);
  const auto levels = blockRms(readRaw(heard));
  int heardLoud = 0;
  for (double r : levels) heardLoud += r > 4000;
  std::printf("heard %d loud blocks of the playback\n", heardLoud);
  EXPECT_GE(heardLoud, loud - 4);  // the recorded bursts came out of the sink again
  EXPECT_TRUE(host.answers.empty());
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
