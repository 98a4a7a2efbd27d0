#pragma once

#include "platform/Component.h"

namespace quorvane {

// A one-line text field; read-only ones are only written by the program.
class MemoModel : public Component {
 public:
  MemoModel(std::string name, std::string text, bool readOnly, Bounds b = {})
      : Component(std::move(name), b), text_(std::move(text)), readOnly_(readOnly) {}

  const std::string& text() const { return text_; }
  void setText(const std::string& t) { setAndNotify(text_, t); }
  bool readOnly() const { return readOnly_; }

 private:
  std::string text_;
  bool readOnly_;
};

}  // namespace quorvane
