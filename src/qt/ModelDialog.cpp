#include "qt/ModelDialog.h"

#include <QCloseEvent>

#include "qt/ComponentWidgets.h"

namespace quorvane {

ModelDialog::ModelDialog(WindowModel& window, std::initializer_list<Component*> controls, std::function<void()> close,
                         QWidget* parent)
    : QDialog(parent), close_(std::move(close)) {
  setObjectName(QString::fromStdString(window.name()));
  setModal(false);
  setWindowTitle(QString::fromStdString(window.caption()));
  setFixedSize(window.bounds().width, window.bounds().height);
  for (Component* c : controls) createComponentWidget(*c, this);
  window.changed.connect([this, &window] {
    if (window.visible() == isVisible()) return;
    if (window.visible()) {
      show();
      raise();
    } else {
      hide();
    }
  });
}

void ModelDialog::closeEvent(QCloseEvent* e) {
  close_();
  e->accept();
}

void ModelDialog::reject() { close_(); }

}  // namespace quorvane
