#include "qt/ComponentWidgets.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/ButtonModel.h"
#include "platform/CheckBoxModel.h"
#include "platform/HourCounterModel.h"
#include "platform/LabelModel.h"
#include "platform/LedModel.h"
#include "platform/MemoModel.h"
#include "platform/PaintBoxModel.h"
#include "platform/PanelModel.h"
#include "platform/ScrollBarModel.h"
#include "platform/UpDownModel.h"

namespace quorvane {

namespace {

QColor toQColor(Colour c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

QString colourCss(Colour c) { return toQColor(c).name(); }

void place(QWidget* w, const Component& m) {
  const Bounds& b = m.bounds();
  w->setGeometry(b.left, b.top, b.width, b.height);
  w->setObjectName(QString::fromStdString(m.name()));
  w->setVisible(m.visible());
}

// Keeps the widget's geometry and visibility, then calls sync, whenever the model changes.
template <typename Sync>
void follow(QWidget* w, Component& m, Sync sync) {
  sync();
  m.changed.connect([w, &m, sync] {
    const Bounds& b = m.bounds();
    w->setGeometry(b.left, b.top, b.width, b.height);
    w->setVisible(m.visible());
    sync();
  });
}

// The scroll bar taking the focus, and the mouse leaving it, go to its model. A
// press counts as taking the focus even when the bar has it already: the buttons
// do not take the focus from it, so pressing the bar again after Play must pause
// playback as the first press did.
class HoverForwarder : public QObject {
 public:
  HoverForwarder(ScrollBarModel& m, QObject* parent) : QObject(parent), model_(m) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::MouseButtonPress) model_.focusEnter();
    if (e->type() == QEvent::Leave) model_.mouseLeave();
    return false;
  }

 private:
  ScrollBarModel& model_;
};

// Typed keys, Enter released and focus leaving an editable memo go to its model.
class MemoKeyForwarder : public QObject {
 public:
  MemoKeyForwarder(MemoModel& m, QLineEdit* e) : QObject(e), model_(m), edit_(e) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      // Typed characters go through the model's filter; editing keys
      // (Delete, arrows, Ctrl+A, Escape) are the field's own business.
      auto* k = static_cast<QKeyEvent*>(e);
      char ch = 0;
      if (k->key() == Qt::Key_Backspace)
        ch = 8;
      else if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        ch = 13;
      else if (!(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && k->text().size() == 1 &&
               k->text()[0].unicode() >= 32 && k->text()[0].unicode() < 127)
        ch = static_cast<char>(k->text()[0].unicode());
      if (ch != 0 && !model_.keyPress(ch)) return true;  // swallowed
    } else if (e->type() == QEvent::KeyRelease) {
      auto* k = static_cast<QKeyEvent*>(e);
      if (!k->isAutoRepeat() && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) model_.keyUp(13);
    } else if (e->type() == QEvent::FocusOut) {
      // Leaving the field for another control applies it; a message box or
      // menu taking the focus for a moment does not.
      const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
      if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) model_.exit();
    }
    return false;
  }

 private:
  MemoModel& model_;
  QLineEdit* edit_;
};

}  // namespace

LedWidget::LedWidget(LedModel& model, QWidget* parent) : QWidget(parent), model_(model) {}

void LedWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int d = std::min(height() - 4, 14);
  const QRect lamp(1, (height() - d) / 2, d, d);
  QRadialGradient g(lamp.center() - QPoint(d / 5, d / 5), d);
  const QColor c = toQColor(model_.colour());
  g.setColorAt(0, model_.checked() ? c.lighter(160) : c.lighter(120));
  g.setColorAt(1, c.darker(model_.checked() ? 110 : 130));
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(g);
  p.drawEllipse(lamp);
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(QRect(lamp.right() + 6, 0, width() - lamp.right() - 6, height()), Qt::AlignVCenter | Qt::AlignLeft,
             QString::fromStdString(model_.caption()));
}

UpDownWidget::UpDownWidget(UpDownModel& model, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* up = new QToolButton(this);
  auto* down = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
  up->setObjectName(QString::fromStdString(model.name() + ".up"));
  down->setObjectName(QString::fromStdString(model.name() + ".down"));
  for (QToolButton* b : {up, down}) {
    b->setAutoRepeat(true);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(b);
  }
  connect(up, &QToolButton::clicked, this, [&model] { model.click(UpDownModel::Button::Up); });
  connect(down, &QToolButton::clicked, this, [&model] { model.click(UpDownModel::Button::Down); });
}

PaintBoxWidget::PaintBoxWidget(PaintBoxModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  // Its image covers it whole and is redrawn every buffer: nothing beneath it
  // needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintBoxWidget::paintEvent(QPaintEvent*) {
  const RasterCanvas& img = model_.image();
  if (img.empty()) return;
  QImage image(reinterpret_cast<const uchar*>(img.pixels().data()), img.width(), img.height(),
               img.width() * static_cast<int>(sizeof(Colour)), QImage::Format_RGB32);
  QPainter(this).drawImage(0, 0, image);
}

ClickableLabel::ClickableLabel(LabelModel& model, QWidget* parent) : QLabel(parent), model_(model) {}

void ClickableLabel::mousePressEvent(QMouseEvent*) { model_.click(); }

QWidget* createComponentWidget(Component& model, QWidget* parent) {
  QWidget* w = nullptr;
  if (auto* m = dynamic_cast<ButtonModel*>(&model)) {
    auto* b = new QPushButton(QString::fromStdString(m->caption()), parent);
    b->setFocusPolicy(Qt::TabFocus);
    QObject::connect(b, &QPushButton::clicked, [m] { m->click(); });
    follow(b, *m, [b, m] {
      b->setEnabled(m->enabled());
      b->setStyleSheet(QString("QPushButton { color: %1; font-weight: bold; }").arg(colourCss(m->captionColour())));
    });
    w = b;
  } else if (auto* m = dynamic_cast<CheckBoxModel*>(&model)) {
    auto* c = new QCheckBox(QString::fromStdString(m->caption()), parent);
    QObject::connect(c, &QCheckBox::clicked, [m] { m->click(); });
    follow(c, *m, [c, m] {
      QSignalBlocker block(c);
      c->setChecked(m->checked());
      c->setEnabled(m->enabled());
    });
    w = c;
  } else if (auto* m = dynamic_cast<MemoModel*>(&model)) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(m->readOnly());
    // The longest status line must fit the 279-pixel column.
    QFont f = e->font();
    f.setPixelSize(10);
    e->setFont(f);
    e->setTextMargins(0, 0, 0, 0);
    if (!m->readOnly()) {
      e->installEventFilter(new MemoKeyForwarder(*m, e));
      QObject::connect(e, &QLineEdit::textEdited, [m](const QString& t) { m->userEdited(t.toStdString()); });
    }
    follow(e, *m, [e, m] {
      QPalette p = e->palette();
      p.setColor(QPalette::Text, toQColor(m->fontColour()));
      e->setPalette(p);
      if (e->text().toStdString() == m->text()) return;
      e->setText(QString::fromStdString(m->text()));
      if (m->readOnly()) e->setCursorPosition(0);  // a long line shows its beginning
    });
    w = e;
  } else if (auto* m = dynamic_cast<LedModel*>(&model)) {
    auto* l = new LedWidget(*m, parent);
    follow(l, *m, [l] { l->update(); });
    w = l;
  } else if (auto* m = dynamic_cast<LabelModel*>(&model)) {
    auto* l = new ClickableLabel(*m, parent);
    follow(l, *m, [l, m] {
      l->setText(QString::fromStdString(m->text()));
      QPalette p = l->palette();
      p.setColor(QPalette::WindowText, toQColor(m->fontColour()));
      if (m->boxed()) {
        p.setColor(QPalette::Window, Qt::white);
        // Bold 12 px: the largest size at which "00m" fits a 30-pixel time
        // label (at 16 px it is 39 pixels wide and loses its first digit).
        QFont f = l->font();
        f.setPixelSize(12);
        f.setBold(true);
        l->setFont(f);
        l->setAutoFillBackground(true);
        l->setAlignment(Qt::AlignCenter);
      }
      l->setPalette(p);
    });
    w = l;
  } else if (auto* m = dynamic_cast<UpDownModel*>(&model)) {
    w = new UpDownWidget(*m, parent);
  } else if (auto* m = dynamic_cast<ScrollBarModel*>(&model)) {
    auto* s = new QScrollBar(Qt::Horizontal, parent);
    s->setFocusPolicy(Qt::StrongFocus);  // a scroll bar takes no focus by default
    s->setRange(0, m->max());
    s->setPageStep(m->largeChange());
    QObject::connect(s, &QScrollBar::valueChanged, [m](int v) { m->scroll(v); });
    s->installEventFilter(new HoverForwarder(*m, s));
    follow(s, *m, [s, m] {
      QSignalBlocker block(s);
      s->setValue(m->position());
      s->setEnabled(m->enabled());
      if (m->focused() && !s->hasFocus()) s->setFocus();
    });
    w = s;
  } else if (auto* m = dynamic_cast<PaintBoxModel*>(&model)) {
    auto* p = new PaintBoxWidget(*m, parent);
    follow(p, *m, [p] { p->update(); });
    w = p;
  } else if (auto* m = dynamic_cast<HourCounterModel*>(&model)) {
    auto* l = new QLabel(parent);
    follow(l, *m, [l, m] { l->setText(QString::asprintf("%02dh:%02dm:%02ds", m->hours(), m->minutes(), m->seconds())); });
    w = l;
  } else if (auto* m = dynamic_cast<PanelModel*>(&model)) {
    if (m->caption().empty()) {
      auto* f = new QFrame(parent);
      f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      f->setAutoFillBackground(true);
      QPalette p = f->palette();
      p.setColor(QPalette::Window, toQColor(m->colour()));
      f->setPalette(p);
      w = f;
    } else {
      w = new QGroupBox(QString::fromStdString(m->caption()), parent);
    }
  }
  if (!w) w = new QWidget(parent);
  place(w, model);
  return w;
}

}  // namespace quorvane
