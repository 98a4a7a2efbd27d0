// The program's window (record_probe) recording from a PulseAudio server of
// the test's own, started in a folder of its own so the shared server of the
// other real-audio tests is never touched: the server killed and started
// again mid-recording, and a recording while two CPU hogs run. The sound
// is a 1 kHz tone the server itself plays into its null sink, so it never
// breaks on its way in. Checks are on the files, never on timing.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ToneCheck.h"

using namespace quorvane::test;

extern char** environ;

namespace {

void pause(int seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

pid_t spawn(const std::vector<std::string>& argv, const std::string& out) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &files, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

// SIGTERM, then up to 20 s for the program to complete its file and end.
bool ended(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

std::string readText(const std::string& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class SoundFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quorvane-faults-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("QUORVANE_PULSE_DIR", dir.c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // never the user's settings
    if (!startServer()) GTEST_SKIP() << "no PulseAudio server could be started in " << dir;
  }
  void TearDown() override {
    for (pid_t p : children) {
      kill(p, SIGKILL);
      waitpid(p, nullptr, 0);
    }
    killServer();
    std::system(("rm -rf " + dir).c_str());
  }
  bool startServer() {
    return std::system("bash " QUORVANE_SOURCE_DIR "/scripts/start-pulse.sh >/dev/null 2>&1 && "
                       "pactl load-module module-sine sink=quorvane_null frequency=1000 >/dev/null") == 0;
  }
  void killServer() { std::system(("kill -9 $(cat " + dir + "/pulse/pid) 2>/dev/null").c_str()); }
  pid_t record(std::vector<std::string> args) {
    args.insert(args.begin(), {RECORD_PROBE, dir + "/rec.wav"});
    const pid_t p = spawn(args, dir + "/probe.log");
    EXPECT_GT(p, 0);
    return p;
  }
  // A whole file (header and data agree) holding an unbroken tone of at least `seconds`.
  void expectWholeTone(const std::string& name, double seconds) {
    SCOPED_TRACE(name);
    const RecordedWav w = readRecordedWav(dir + "/" + name);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.declared, w.held);
    EXPECT_GE(static_cast<double>(w.first.size()), seconds * w.rate);
    EXPECT_EQ(toneBreaks(w.first, 1000, w.rate), 0);
  }

  std::string dir;
  std::vector<pid_t> children;
};

}  // namespace

TEST_F(SoundFaults, TheServerDiesAndComesBackAndTheRecordingGoesOnInTheNextFile) {
  const pid_t probe = record({"44100", "2"});
  pause(4);
  killServer();
  pause(2);
  ASSERT_TRUE(startServer());
  pause(8);  // the program looks for it every two seconds
  ASSERT_TRUE(ended(probe)) << "the program froze";
  const std::string log = readText(dir + "/probe.log");
  EXPECT_NE(log.find("StatusMemo: Waiting for the sound device..."), std::string::npos) << log;
  EXPECT_EQ(log.find("message:"), std::string::npos) << log;
  expectWholeTone("rec.wav", 2);
  expectWholeTone("rec-2.wav", 2);
}

TEST_F(SoundFaults, AToneRecordedWhileTheMachineIsBusyHasNoBreak) {
  children = {spawn({"yes"}, "/dev/null"), spawn({"yes"}, "/dev/null")};
  const pid_t probe = record({"44100", "2", "filter", "vox"});
  pause(60);
  ASSERT_TRUE(ended(probe)) << "the program froze";
  const std::string log = readText(dir + "/probe.log");
  EXPECT_EQ(log.find("Sound lost"), std::string::npos) << log;
  expectWholeTone("rec.wav", 50);
}
