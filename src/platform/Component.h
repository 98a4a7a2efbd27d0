#pragma once

#include <string>
#include <utility>

#include "platform/Signal.h"

namespace quorvane {

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Base of every control model: its name, its place on the form and a change
// notification the window shell listens to.
class Component {
 public:
  explicit Component(std::string name, Bounds bounds = {}) : name_(std::move(name)), bounds_(bounds) {}
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component() = default;

  const std::string& name() const { return name_; }
  const Bounds& bounds() const { return bounds_; }
  void setBounds(Bounds b) {
    bounds_ = b;
    changed.notify();
  }

  bool visible() const { return visible_; }
  void setVisible(bool v) { setAndNotify(visible_, v); }

  Signal changed;

 protected:
  template <typename T>
  void setAndNotify(T& field, const T& value) {
    if (field == value) return;
    field = value;
    changed.notify();
  }

 private:
  std::string name_;
  Bounds bounds_;
  bool visible_ = true;
};

}  // namespace quorvane
