#include "cli/ConsoleHost.h"

#include <csignal>
#include <ctime>
#include <iostream>

#include "cli/BatchFile.h"

namespace quorvane {

namespace {

volatile std::sig_atomic_t pendingSignal = 0;

void onTerminationSignal(int signal) { pendingSignal = signal; }

std::int64_t monotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

ConsoleHost::ConsoleHost(Clock clock) : clock_(clock), startNs_(monotonicNs()) {
  // No SA_RESTART: a sleep is cut short, and the loop sees the stop at once.
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

ConsoleHost::~ConsoleHost() {
  for (auto& [timer, slot] : timers_) timer->attach(nullptr);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
}

std::int64_t ConsoleHost::nowMs() const {
  return clock_ == Clock::File ? fileMs_ : (monotonicNs() - startNs_) / 1000000;
}

void ConsoleHost::sleepMs(int ms) {
  if (ms <= 0) return;
  if (clock_ == Clock::File) {
    fileMs_ += ms;
    return;
  }
  const timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000};
  nanosleep(&t, nullptr);
}

void ConsoleHost::processMessages() {
  if (const int signal = pendingSignal) {
    pendingSignal = 0;
    if (onSignal) onSignal(signal);
  }
  const std::int64_t now = nowMs();
  // Each due timer once, earliest first; one already running is not entered again.
  for (;;) {
    TimerModel* next = nullptr;
    std::int64_t due = 0;
    for (auto& [timer, slot] : timers_) {
      if (slot.due >= 0 && slot.due <= now && !slot.firing && (!next || slot.due < due)) {
        next = timer;
        due = slot.due;
      }
    }
    if (!next) break;
    Slot& slot = timers_[next];
    // Missed periods are not replayed: the next one keeps the timer's phase.
    while (slot.due <= now) slot.due += std::max(1, next->interval());
    slot.firing = true;
    next->fire();
    auto it = timers_.find(next);  // the handler may have destroyed it
    if (it != timers_.end()) it->second.firing = false;
  }
  if (onPoll) onPoll();
}

std::int64_t ConsoleHost::wallClockSeconds() const { return static_cast<std::int64_t>(std::time(nullptr)); }

std::int64_t ConsoleHost::wallClockMs() const {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

CivilTime ConsoleHost::localTime(std::int64_t epochSeconds) const {
  const auto t = static_cast<std::time_t>(epochSeconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void ConsoleHost::timerChanged(TimerModel& timer) {
  Slot& slot = timers_[&timer];
  slot.due = timer.enabled() ? nowMs() + std::max(1, timer.interval()) : -1;
}

void ConsoleHost::timerDestroyed(TimerModel& timer) { timers_.erase(&timer); }

void ConsoleHost::messageBox(const std::string& text, const std::string& caption) {
  if (onMessage)
    onMessage(text, caption);
  else
    printError(text);
}

void ConsoleHost::printError(const std::string& text) { std::cerr << "quorvane-cli: " << text << std::endl; }

std::optional<std::string> ConsoleHost::chooseFile(const FileDialogRequest&) {
  if (answers.empty()) return std::nullopt;
  std::string path = std::move(answers.front());
  answers.pop_front();
  return path;
}

std::unique_ptr<FileStream> ConsoleHost::openFile(const std::string& path, FileMode mode, OpenFailure* why) {
  auto file = Host::openFile(path, mode, why);
  if (file && mode == FileMode::CreateBinary) created.push_back(path);
  // A batch job reads and writes whole files: in large pieces.
  if (file && clock_ == Clock::File && mode != FileMode::AppendBinary) file = std::make_unique<BatchFile>(std::move(file));
  return file;
}

}  // namespace quorvane
