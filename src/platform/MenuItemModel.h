#pragma once

#include <functional>
#include <vector>

#include "platform/Component.h"

namespace quorvane {

// A menu or menu item; a caption of "-" is a separator. Radio groups are
// kept by the handlers, which tick their own item and untick the others.
class MenuItemModel : public Component {
 public:
  MenuItemModel(std::string name, std::string caption) : Component(std::move(name)), caption_(std::move(caption)) {}

  const std::string& caption() const { return caption_; }
  bool isSeparator() const { return caption_ == "-"; }
  bool checked() const { return checked_; }
  void setChecked(bool c) { setAndNotify(checked_, c); }

  MenuItemModel& add(MenuItemModel& child) {
    items_.push_back(&child);
    return *this;
  }
  const std::vector<MenuItemModel*>& items() const { return items_; }

  void click() {
    if (onClick) onClick();
  }
  std::function<void()> onClick;

 private:
  std::string caption_;
  bool checked_ = false;
  std::vector<MenuItemModel*> items_;
};

}  // namespace quorvane
