#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quorvane {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in the terminal)
// into an ordinary close of the main window on the event loop, so a recording
// in progress is completed and the settings saved instead of being cut off.
class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
  ~TerminationSignals() override;

 private:
  static void handler(int);
  std::function<void()> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorvane
