#include "qt/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

#include "qt/ComponentWidgets.h"
#include "qt/SoundCardDialog.h"

namespace quorvane {

namespace {

void addWidgets(FormComponents& ui, Component& model, QWidget* parent) {
  QWidget* w = createComponentWidget(model, parent);
  for (Component* child : ui.childrenOf(model)) addWidgets(ui, *child, w);
}

}  // namespace

MainWindow::MainWindow(TVOXForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setObjectName("VOXForm");
  setWindowTitle(QString::fromStdString(form.MainWindow.caption()));

  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  const Bounds& size = form.MainWindow.bounds();
  client_->setFixedSize(size.width, size.height);
  client_->setAutoFillBackground(true);
  QPalette pal = client_->palette();
  pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  // The toolkit's grey for disabled text is close to silver: darken it so a
  // disabled control (File Bypass while recording) keeps a readable caption.
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(QPalette::Disabled, role, QColor(0x60, 0x60, 0x60));
  client_->setPalette(pal);
  setCentralWidget(client_);

  for (MenuItemModel* top : form.MainMenu1.items()) {
    QMenu* menu = menuBar()->addMenu(QString::fromStdString(top->caption()));
    menu->setObjectName(QString::fromStdString(top->name()));
    buildMenu(menu, *top);
  }
  for (Component* c : form.topLevel()) addWidgets(form, *c, client_);
  new SoundCardDialog(form.SoundCardSelect, this);

  // A fixed, not resizable window of the client size plus the menu bar.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  form.MainWindow.changed.connect([this] { applyStayOnTop(); });
  // "Exit" ends the program through this window's close, like its close box.
  form.closeWindow = [this] { close(); };
}

MainWindow::~MainWindow() { form_.closeWindow = nullptr; }

void MainWindow::buildMenu(QMenu* menu, MenuItemModel& item) {
  for (MenuItemModel* child : item.items()) {
    if (child->isSeparator()) {
      menu->addSeparator()->setObjectName(QString::fromStdString(child->name()));
      continue;
    }
    if (!child->items().empty()) {
      QMenu* sub = menu->addMenu(QString::fromStdString(child->caption()));
      sub->setObjectName(QString::fromStdString(child->name()));
      buildMenu(sub, *child);
      continue;
    }
    QAction* action = menu->addAction(QString::fromStdString(child->caption()));
    action->setObjectName(QString::fromStdString(child->name()));
    // The tick is the model's: only ticked items show a check mark.
    auto sync = [action, child] {
      action->setCheckable(child->checked());
      action->setChecked(child->checked());
    };
    sync();
    child->changed.connect(sync);
    connect(action, &QAction::triggered, this, [child, sync] {
      sync();
      child->click();
    });
  }
}

void MainWindow::applyStayOnTop() {
  const bool onTop = form_.MainWindow.stayOnTop();
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  show();
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_) return;
  shown_ = true;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  form_.FormShow();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  form_.FormClose();
  e->accept();
}

}  // namespace quorvane
