#include "qt/SoundCardDialog.h"

#include <QLabel>

#include "audio/TSoundCardSelect.h"
#include "qt/ComponentWidgets.h"

namespace quorvane {

namespace {

QFont pixelFont(const QString& family, int pixels) {
  QFont f(family);
  f.setPixelSize(pixels);
  return f;
}

}  // namespace

SoundCardDialog::SoundCardDialog(TSoundCardSelect& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QString::fromStdString(model.Window.name()));
  setModal(false);
  const Bounds& size = model.Window.bounds();
  setFixedSize(size.width, size.height);
  setFont(pixelFont("Tahoma", 11));

  createComponentWidget(model.MessageLabel, this)->setFont(pixelFont("Tahoma", 16));
  QWidget* name = createComponentWidget(model.SoundCardManf, this);
  name->setFont(pixelFont("Arial", 16));
  name->setAutoFillBackground(true);
  QPalette p = name->palette();
  p.setColor(QPalette::Window, Qt::white);
  name->setPalette(p);
  createComponentWidget(model.WaveUpDown, this);
  createComponentWidget(model.SelectBtn, this);

  model.Window.changed.connect([this] { sync(); });
  sync();
}

void SoundCardDialog::sync() {
  setWindowTitle(QString::fromStdString(model_.Window.caption()));
  if (model_.Visible() != isVisible()) setVisible(model_.Visible());
}

void SoundCardDialog::reject() {
  model_.FormClose();
  QDialog::reject();
}

}  // namespace quorvane
