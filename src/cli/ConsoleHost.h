#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Host.h"

namespace quorvane {

// The host of the command line: no window and no event loop. Messages go to
// standard error, file choosers answer with the paths the command was given,
// and SIGINT, SIGTERM and SIGHUP are turned into an event that
// processMessages hands on, so a stop runs between two buffers as it does in
// the window. The clock is real (a recording, which waits for the sound card)
// or the clock of the file being processed: then sleeping advances it at once
// and a batch job runs as fast as the machine allows, its timers counting in
// the file's own time.
class ConsoleHost : public Host {
 public:
  enum class Clock { Real, File };
  explicit ConsoleHost(Clock clock);
  ~ConsoleHost() override;
  ConsoleHost(const ConsoleHost&) = delete;
  ConsoleHost& operator=(const ConsoleHost&) = delete;

  std::int64_t nowMs() const override;
  void sleepMs(int ms) override;
  // A signal that came (once per signal), then the timers that are due, then onPoll.
  void processMessages() override;
  std::int64_t wallClockSeconds() const override;
  std::int64_t wallClockMs() const override;
  CivilTime localTime(std::int64_t epochSeconds) const override;

  void timerChanged(TimerModel& timer) override;
  void timerDestroyed(TimerModel& timer) override;

  // Handed to onMessage when set, else written to standard error.
  void messageBox(const std::string& text, const std::string& caption) override;
  void showMessage(const std::string& text) override { messageBox(text, ""); }
  void printError(const std::string& text) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  // Remembers every file it creates, so a job that failed can take them away again.
  std::unique_ptr<FileStream> openFile(const std::string& path, FileMode mode, OpenFailure* why = nullptr) override;
  bool openDocument(const std::string&) override { return false; }
  bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }
  void requestTerminate() override { terminateRequested = true; }
  // No settings file and no manual: the command line takes its settings from its options.
  std::string configFilePath() const override { return {}; }
  std::string helpFilePath() const override { return {}; }

  std::function<void(const std::string& text, const std::string& caption)> onMessage;
  std::function<void(int signal)> onSignal;
  std::function<void()> onPoll;
  // What the next file choosers answer, in order; none left: cancelled.
  std::deque<std::string> answers;
  std::vector<std::string> created;
  bool terminateRequested = false;

 private:
  struct Slot {
    std::int64_t due = -1;  // -1: not running
    bool firing = false;
  };
  Clock clock_;
  std::int64_t startNs_ = 0;
  std::int64_t fileMs_ = 0;
  std::map<TimerModel*, Slot> timers_;
};

}  // namespace quorvane
