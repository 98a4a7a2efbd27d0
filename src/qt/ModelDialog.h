#pragma once

#include <QDialog>

#include <functional>
#include <initializer_list>

#include "platform/Component.h"
#include "platform/WindowModel.h"

namespace quorvane {

// A modeless dialog made of a window model and its control models: shown and
// hidden with the model; the close box and Escape close it through the
// model's own close handler, so the model always knows it is hidden.
class ModelDialog : public QDialog {
  Q_OBJECT
 public:
  ModelDialog(WindowModel& window, std::initializer_list<Component*> controls, std::function<void()> close,
              QWidget* parent);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  std::function<void()> close_;
};

}  // namespace quorvane
