#pragma once

#include <QLabel>
#include <QWidget>

#include "platform/Component.h"

namespace quorvane {

class LedModel;
class UpDownModel;
class PaintBoxModel;
class LabelModel;

// Our own indicator: a round lamp with its caption 5 pixels to the right.
class LedWidget : public QWidget {
  Q_OBJECT
 public:
  LedWidget(LedModel& model, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  LedModel& model_;
};

// Two stacked arrow buttons that step the model's position.
class UpDownWidget : public QWidget {
  Q_OBJECT
 public:
  UpDownWidget(UpDownModel& model, QWidget* parent);
};

// Shows what the program last copied onto the paint box.
class PaintBoxWidget : public QWidget {
  Q_OBJECT
 public:
  PaintBoxWidget(PaintBoxModel& model, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  PaintBoxModel& model_;
};

// A label that reports clicks (the time editor selects fields by clicking them).
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  ClickableLabel(LabelModel& model, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent*) override;

 private:
  LabelModel& model_;
};

// Creates the widget for a model, places it at the model's bounds inside
// parent and keeps it in step with the model. Containers get their children.
QWidget* createComponentWidget(Component& model, QWidget* parent);

}  // namespace quorvane
