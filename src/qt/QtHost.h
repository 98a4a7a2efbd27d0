#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <map>

#include "platform/Host.h"

class QSocketNotifier;
class QTimer;

namespace quorvane {

// The host on the real desktop: Qt's event loop, timers, dialogs and launcher.
class QtHost : public Host {
 public:
  QtHost();
  ~QtHost() override;

  // The window that owns message boxes and file choosers.
  void setMainWindow(QWidget* w) { mainWindow_ = w; }

  std::int64_t nowMs() const override { return clock_.elapsed(); }
  void sleepMs(int ms) override;
  void processMessages() override;
  void waitForEvents(int maxMs) override;
  int wakeFd() const override { return wakeFd_; }
  std::int64_t wallClockSeconds() const override;
  std::int64_t wallClockMs() const override;
  CivilTime localTime(std::int64_t epochSeconds) const override;

  void timerChanged(TimerModel& timer) override;
  void timerDestroyed(TimerModel& timer) override;

  void messageBox(const std::string& text, const std::string& caption) override;
  void showMessage(const std::string& text) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  bool openDocument(const std::string& path) override;
  bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  void requestTerminate() override;
  std::string configFilePath() const override;
  std::string helpFilePath() const override;

 private:
  QElapsedTimer clock_;
  QPointer<QWidget> mainWindow_;
  std::map<TimerModel*, QTimer*> timers_;
  // The sound devices' wake-up: an eventfd the event loop watches.
  int wakeFd_ = -1;
  QSocketNotifier* wakeNotifier_ = nullptr;
  QTimer* waitTimer_ = nullptr;
};

}  // namespace quorvane
