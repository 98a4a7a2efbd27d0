#pragma once

#include <QMainWindow>

#include "app/TVOXForm.h"

class QMenu;

namespace quorvane {

class MenuItemModel;

// The main window on the desktop: one widget per control model of the form,
// the menu bar built from the form's menu models, and the window events
// passed to the form's handlers in the platform's order.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(TVOXForm& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  QWidget* clientArea() const { return client_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildMenu(QMenu* menu, MenuItemModel& item);
  void applyStayOnTop();

  TVOXForm& form_;
  QWidget* client_;
  bool shown_ = false;
};

}  // namespace quorvane
