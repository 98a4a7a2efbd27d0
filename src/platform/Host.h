#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/FileStream.h"
#include "platform/CivilTime.h"
#include "platform/TimerModel.h"

namespace quorvane {

struct FileDialogRequest {
  enum class Kind { Open, Save };
  Kind kind = Kind::Open;
  std::string title;
  std::string filter;  // e.g. "Wave Files (*.wav)", several joined by ";;"
  std::string defaultExtension;
};

// Every platform service the program's behaviour needs: time, waiting and
// event processing, timers, message boxes, file choosers, files, launching
// documents and programs, and the end of the application. The real program
// runs on the window toolkit's implementation; tests run on a simulated one
// in virtual time.
class Host : public TimerScheduler {
 public:
  ~Host() override = default;

  // Monotonic milliseconds.
  virtual std::int64_t nowMs() const = 0;
  // Blocks without processing events.
  virtual void sleepMs(int ms) = 0;
  // Runs every pending event: user input, due timers. Handlers may call it again.
  virtual void processMessages() = 0;
  // Sleeps until an event comes (user input, a due timer, a write to
  // wakeFd()) or maxMs pass, then runs the pending events. A host that cannot
  // sleep on events sleeps maxMs.
  virtual void waitForEvents(int maxMs) {
    sleepMs(maxMs);
    processMessages();
  }
  // A descriptor that other threads (a sound device's) write an eventfd count
  // to, to end waitForEvents early; -1 when the host has none.
  virtual int wakeFd() const { return -1; }

  // Seconds since the epoch, and their breakdown in local time and in UTC.
  virtual std::int64_t wallClockSeconds() const = 0;
  // The same in milliseconds, for times finer than a second.
  virtual std::int64_t wallClockMs() const { return wallClockSeconds() * 1000; }
  virtual CivilTime localTime(std::int64_t epochSeconds) const = 0;
  CivilTime utcTime(std::int64_t epochSeconds) const { return civilFromEpoch(epochSeconds); }

  // A timer model runs through the host once attached.
  void attachTimer(TimerModel& timer) {
    timer.attach(this);
    timerChanged(timer);
  }

  // A modal box with an OK button, owned by the main window.
  virtual void messageBox(const std::string& text, const std::string& caption) = 0;
  // A plain modal message captioned with the application's title.
  virtual void showMessage(const std::string& text) = 0;
  // A line on standard error, for what has no window to be shown in.
  virtual void printError(const std::string& text);
  // A file chooser; nothing when the user cancels.
  virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) = 0;

  // Opens a regular file; nullptr with the reason in `why` when it cannot.
  virtual std::unique_ptr<FileStream> openFile(const std::string& path, FileMode mode, OpenFailure* why = nullptr) {
    return openStdioFile(path, mode, why);
  }
  // Deletes a file; false when it could not.
  virtual bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

  // Opens a document with the desktop's viewer; false when that failed.
  virtual bool openDocument(const std::string& path) = 0;
  // Starts a program found on the search path; false when it could not start.
  virtual bool startProgram(const std::string& program, const std::vector<std::string>& arguments) = 0;

  // Asks the application to end once the running handlers have returned.
  virtual void requestTerminate() = 0;

  // A chosen save path with the default extension added, unless it has one
  // or already exists (an existing name, a device above all, is taken as it is).
  static std::string withDefaultExtension(const std::string& path, const std::string& extension);

  // Where the configuration file and the user manual live on this platform.
  virtual std::string configFilePath() const = 0;
  virtual std::string helpFilePath() const = 0;
};

}  // namespace quorvane
