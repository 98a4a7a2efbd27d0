#pragma once

#include <cstdint>
#include <string>

namespace quorvane {

class TVOXForm;

// One line on standard error, redrawn in place a few times a second, for a
// person watching a terminal; nothing at all when standard error is not one
// (a service's log, a pipe).
class StatusLine {
 public:
  explicit StatusLine(bool shown);

  // Elapsed time, the level of the last buffer, the gate, the file's length.
  void recording(const TVOXForm& form);
  // A bar with the share of the input done, the speed as a multiple of real time, the time left.
  void processing(const TVOXForm& form);
  // Takes the line away.
  void finish();

  static std::string clock(double seconds);

 private:
  bool due();
  void draw(const std::string& text);

  bool shown_;
  bool drawn_ = false;
  std::int64_t startNs_;
  std::int64_t lastNs_ = 0;
};

}  // namespace quorvane
