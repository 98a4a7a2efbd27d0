#pragma once

#include <QDialog>

namespace quorvane {

class TSoundCardSelect;

// The sound card dialog on the desktop: modeless, one widget per control of
// its model, shown and hidden as the model says. Closing it (close box or
// Escape) runs the model's FormClose.
class SoundCardDialog : public QDialog {
  Q_OBJECT
 public:
  SoundCardDialog(TSoundCardSelect& model, QWidget* parent);

  void reject() override;

 private:
  void sync();

  TSoundCardSelect& model_;
};

}  // namespace quorvane
