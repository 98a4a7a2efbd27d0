#include "platform/SimHost.h"

#include <algorithm>

namespace quorvane {

SimHost::SimHost() = default;

SimHost::~SimHost() {
  for (auto& [timer, slot] : timers_) timer->attach(nullptr);
}

void SimHost::sleepMs(int ms) {
  if (ms > 0) now_ += ms;
}

void SimHost::processMessages() {
  ++nesting_;
  maxNesting_ = std::max(maxNesting_, nesting_);
  for (;;) {
    // The earliest due event; among equal times, the one scheduled first.
    bool found = false;
    std::int64_t bestDue = 0;
    std::uint64_t bestSeq = 0;
    TimerModel* bestTimer = nullptr;
    int bestAction = -1;
    auto better = [&](std::int64_t due, std::uint64_t seq) {
      return !found || due < bestDue || (due == bestDue && seq < bestSeq);
    };
    for (std::size_t i = 0; i < actions_.size(); ++i) {
      const Action& a = actions_[i];
      if (a.due <= now_ && better(a.due, a.seq)) {
        found = true;
        bestDue = a.due;
        bestSeq = a.seq;
        bestAction = static_cast<int>(i);
      }
    }
    for (auto& [timer, slot] : timers_) {
      if (slot.due >= 0 && slot.due <= now_ && !slot.firing && better(slot.due, slot.seq)) {
        found = true;
        bestDue = slot.due;
        bestSeq = slot.seq;
        bestTimer = timer;
        bestAction = -1;
      }
    }
    if (bestAction >= 0) {
      auto run = std::move(actions_[static_cast<std::size_t>(bestAction)].run);
      actions_.erase(actions_.begin() + bestAction);
      run();
    } else if (bestTimer) {
      TimerSlot& slot = timers_[bestTimer];
      // Missed periods are not replayed: the next one keeps the timer's phase.
      const std::int64_t interval = std::max(1, bestTimer->interval());
      while (slot.due <= now_) slot.due += interval;
      slot.seq = ++seq_;
      slot.firing = true;
      bestTimer->fire();
      auto it = timers_.find(bestTimer);  // the handler may have destroyed it
      if (it != timers_.end()) it->second.firing = false;
    } else {
      break;
    }
  }
  --nesting_;
}

void SimHost::runUntil(std::int64_t ms) {
  while (now_ < ms && terminateRequests_ == 0) {
    now_ = std::min(ms, now_ + 10);
    processMessages();
  }
}

void SimHost::at(std::int64_t ms, std::function<void()> action) {
  actions_.push_back(Action{ms, ++seq_, std::move(action)});
}

void SimHost::setWallClock(std::int64_t epochSecondsAtNow) { wallAtZero_ = epochSecondsAtNow * 1000 - now_; }

std::int64_t SimHost::wallClockSeconds() const {
  const std::int64_t ms = wallAtZero_ + now_;
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

CivilTime SimHost::localTime(std::int64_t epochSeconds) const { return civilFromEpoch(epochSeconds + utcOffset_); }

void SimHost::timerChanged(TimerModel& timer) {
  TimerSlot& slot = timers_[&timer];
  const bool firing = slot.firing;
  slot.due = timer.enabled() ? now_ + std::max(1, timer.interval()) : -1;
  slot.seq = ++seq_;
  slot.firing = firing;
}

void SimHost::timerDestroyed(TimerModel& timer) { timers_.erase(&timer); }

std::int64_t SimHost::timerDue(const TimerModel& timer) const {
  auto it = timers_.find(const_cast<TimerModel*>(&timer));
  return it == timers_.end() ? -1 : it->second.due;
}

void SimHost::messageBox(const std::string& text, const std::string& caption) {
  messages_.push_back(Message{text, caption});
  if (onMessageBox) onMessageBox(messages_.back());
}

void SimHost::showMessage(const std::string& text) { messageBox(text, "quorvane"); }

std::optional<std::string> SimHost::chooseFile(const FileDialogRequest& request) {
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) return onChooseFile ? onChooseFile(request) : std::nullopt;
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

std::unique_ptr<FileStream> SimHost::openFile(const std::string& path, FileMode mode, OpenFailure* why) {
  if (!fileOpener_) return openStdioFile(path, mode, why);
  auto f = fileOpener_(path, mode);
  if (why) *why = f ? OpenFailure::None : OpenFailure::CannotOpen;
  return f;
}

bool SimHost::openDocument(const std::string& path) {
  openedDocuments.push_back(path);
  return documentsOpen;
}

bool SimHost::startProgram(const std::string& program, const std::vector<std::string>& arguments) {
  if (std::find(availablePrograms.begin(), availablePrograms.end(), program) == availablePrograms.end()) return false;
  startedPrograms.push_back(program);
  startedArguments.push_back(arguments);
  return true;
}

}  // namespace quorvane
