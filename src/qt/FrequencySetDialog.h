#pragma once

#include <QDialog>

#include "app/TFrequencySetForm.h"

namespace quorvane {

// The band-pass dialog on the desktop: modeless, shown and hidden with its model.
class FrequencySetDialog : public QDialog {
  Q_OBJECT
 public:
  FrequencySetDialog(TFrequencySetForm& form, QWidget* parent);
  // Escape: hidden through the model like the close box, so Setup shows it again.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  TFrequencySetForm& form_;
};

}  // namespace quorvane
