#pragma once

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/Host.h"

namespace quorvane {

// The host in virtual time. Sleeping advances the clock; processMessages runs
// the timers and scripted user actions that are due, earliest first. A test
// scripts what a user does ("at 3200 ms click Stop") and lets the program run:
// an hour of recording takes well under a second and always the same course.
class SimHost : public Host {
 public:
  SimHost();
  ~SimHost() override;

  // --- time ---
  std::int64_t nowMs() const override { return now_; }
  void sleepMs(int ms) override;
  void processMessages() override;
  // The idle main loop: advance in 10 ms steps, processing messages, until
  // the given time (or until termination was requested).
  void runUntil(std::int64_t ms);
  void runFor(std::int64_t ms) { runUntil(now_ + ms); }

  // --- scripted user actions ---
  void at(std::int64_t ms, std::function<void()> action);
  void after(std::int64_t ms, std::function<void()> action) { at(now_ + ms, std::move(action)); }

  // --- wall clock: epoch seconds at virtual time 0, and the local offset ---
  void setWallClock(std::int64_t epochSecondsAtNow);
  void setUtcOffsetSeconds(int offset) { utcOffset_ = offset; }
  std::int64_t wallClockSeconds() const override;
  std::int64_t wallClockMs() const override { return wallAtZero_ + now_; }
  CivilTime localTime(std::int64_t epochSeconds) const override;

  // --- timers ---
  void timerChanged(TimerModel& timer) override;
  void timerDestroyed(TimerModel& timer) override;
  // When the timer fires next, or -1 when it is not running.
  std::int64_t timerDue(const TimerModel& timer) const;

  // --- dialogs ---
  struct Message {
    std::string text;
    std::string caption;
  };
  void messageBox(const std::string& text, const std::string& caption) override;
  void showMessage(const std::string& text) override;
  const std::vector<Message>& messages() const { return messages_; }
  // Lines written to standard error.
  void printError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
  void clearMessages() { messages_.clear(); }
  // Runs inside every message box, as if the user read it; may advance time.
  std::function<void(const Message&)> onMessageBox;

  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  // Answers for the next file choosers, in order; an empty answer cancels.
  void queueFileChoice(std::optional<std::string> answer) { fileAnswers_.push_back(std::move(answer)); }
  // Answers a chooser when nothing is queued; without it, the chooser is cancelled.
  std::function<std::optional<std::string>(const FileDialogRequest&)> onChooseFile;
  const std::vector<FileDialogRequest>& fileRequests() const { return fileRequests_; }

  // --- files: tests may wrap or replace the real file system ---
  using FileOpener = std::function<std::unique_ptr<FileStream>(const std::string&, FileMode)>;
  std::unique_ptr<FileStream> openFile(const std::string& path, FileMode mode, OpenFailure* why = nullptr) override;
  void setFileOpener(FileOpener opener) { fileOpener_ = std::move(opener); }

  // --- documents, programs, termination ---
  bool openDocument(const std::string& path) override;
  bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  std::vector<std::string> openedDocuments;
  std::vector<std::string> startedPrograms;
  std::vector<std::vector<std::string>> startedArguments;  // one list per started program
  bool documentsOpen = true;                   // what openDocument answers
  std::vector<std::string> availablePrograms;  // what startProgram can start

  void requestTerminate() override { ++terminateRequests_; }
  int terminateRequests() const { return terminateRequests_; }

  std::string configFilePath() const override { return configPath_; }
  std::string helpFilePath() const override { return helpPath_; }
  void setConfigFilePath(std::string p) { configPath_ = std::move(p); }
  void setHelpFilePath(std::string p) { helpPath_ = std::move(p); }

  // Deepest nesting of processMessages seen so far (for tests of re-entry).
  int maxNesting() const { return maxNesting_; }

 private:
  struct Action {
    std::int64_t due;
    std::uint64_t seq;
    std::function<void()> run;
  };
  struct TimerSlot {
    std::int64_t due = -1;  // -1: not running
    std::uint64_t seq = 0;  // tie-break: earlier arming first
    bool firing = false;
  };

  std::int64_t now_ = 0;
  std::uint64_t seq_ = 0;
  std::vector<Action> actions_;
  std::map<TimerModel*, TimerSlot> timers_;
  std::int64_t wallAtZero_ = 0;
  int utcOffset_ = 0;
  std::vector<Message> messages_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::vector<FileDialogRequest> fileRequests_;
  FileOpener fileOpener_;
  int terminateRequests_ = 0;
  std::string configPath_;
  std::string helpPath_;
  int nesting_ = 0;
  int maxNesting_ = 0;
};

}  // namespace quorvane
