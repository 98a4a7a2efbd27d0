#include "qt/FrequencySetDialog.h"

#include <QCloseEvent>
#include <QLineEdit>

#include "qt/ComponentWidgets.h"

namespace quorvane {

FrequencySetDialog::FrequencySetDialog(TFrequencySetForm& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName("FrequencySetForm");
  setModal(false);
  setWindowTitle(QString::fromStdString(form.Window.caption()));
  setFixedSize(form.Window.bounds().width, form.Window.bounds().height);
  for (Component* c : std::initializer_list<Component*>{&form.Label1, &form.Label2, &form.Label3, &form.LoFreqMemo,
                                                         &form.HiFreqMemo})
    createComponentWidget(*c, this);
  // The frequency fields use a large, centred font.
  for (auto* e : findChildren<QLineEdit*>()) {
    QFont f = e->font();
    f.setPixelSize(21);
    e->setFont(f);
    e->setAlignment(Qt::AlignCenter);
  }
  setTabOrder(findChild<QLineEdit*>("LoFreqMemo"), findChild<QLineEdit*>("HiFreqMemo"));
  auto sync = [this] {
    if (form_.Window.visible() == isVisible()) return;
    if (form_.Window.visible()) {
      show();
      raise();
    } else {
      hide();
    }
  };
  form.Window.changed.connect(sync);
}

void FrequencySetDialog::closeEvent(QCloseEvent* e) {
  form_.FormClose();
  e->accept();
}

void FrequencySetDialog::reject() {
  form_.FormClose();
  QDialog::reject();
}

}  // namespace quorvane
