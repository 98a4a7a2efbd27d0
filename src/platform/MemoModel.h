#pragma once

#include <functional>

#include "platform/Colour.h"
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
  Colour fontColour() const { return fontColour_; }
  void setFontColour(Colour c) { setAndNotify(fontColour_, c); }

  // Keyboard events of an editable memo. A key press handler returns false
  // to swallow the character; key codes are 8 (Backspace) and 13 (Enter).
  std::function<bool(char)> onKeyPress;
  std::function<void(int)> onKeyUp;
  std::function<void()> onExit;

  // What the user types: the text as it stands after the edit.
  void userEdited(const std::string& t) { setText(t); }
  bool keyPress(char c) { return onKeyPress ? onKeyPress(c) : true; }
  void keyUp(int key) {
    if (onKeyUp) onKeyUp(key);
  }
  void exit() {
    if (onExit) onExit();
  }

 private:
  std::string text_;
  bool readOnly_;
  Colour fontColour_ = clBlack;
};

}  // namespace quorvane
