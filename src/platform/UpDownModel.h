#pragma once

#include <functional>

#include "platform/Component.h"

namespace quorvane {

// An up/down (spin) control. The position always lies within min..max; the
// arrows step by one without wrapping and then run the click handler.
class UpDownModel : public Component {
 public:
  UpDownModel(std::string name, int min, int max, int position, Bounds b = {});

  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  void setMin(int m);
  void setMax(int m);
  void setPosition(int p);

  enum class Button { Up, Down };
  void click(Button b);
  std::function<void()> onClick;

 private:
  int min_;
  int max_;
  int position_;
};

}  // namespace quorvane
