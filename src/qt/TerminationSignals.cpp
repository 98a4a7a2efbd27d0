#include "qt/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

namespace {
// The handler may only write a byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};
}  // namespace

void TerminationSignals::handler(int) {
  const char b = 1;
  [[maybe_unused]] const auto n = ::write(signalPipe[1], &b, 1);
}

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buf[16];
    while (::read(signalPipe[0], buf, sizeof buf) > 0) {
    }
    if (onSignal_) onSignal_();
  });
  struct sigaction sa {};
  sa.sa_handler = &TerminationSignals::handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

TerminationSignals::~TerminationSignals() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : signalPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace quorvane
