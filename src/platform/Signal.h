#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace quorvane {

// A change notification: listeners are called in the order they connected.
class Signal {
 public:
  void connect(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }
  void notify() const {
    for (const auto& l : listeners_) l();
  }

 private:
  std::vector<std::function<void()>> listeners_;
};

}  // namespace quorvane
