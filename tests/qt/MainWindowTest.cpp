#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <functional>

#include "FormFixture.h"
#include "qt/FrequencySetDialog.h"
#include "qt/MainWindow.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Gui : public FormFixture {
 protected:
  Gui() {
    form.FormCreate();
    window = std::make_unique<MainWindow>(form);
    window->show();  // raises FormShow
  }

  template <typename W = QWidget>
  W* find(const char* name) {
    W* w = window->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void press(QWidget* w) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(w, &e);
  }

  std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST_F(Gui, BuildsEveryControlAndMenuAtItsPlaceWithItsCaptionAndTheLongestTextsFit) {
  EXPECT_EQ(std::tuple(window->windowTitle(), window->clientArea()->size()), std::tuple("Quorvane", QSize(607, 386)));
  std::vector<Component*> all = form.topLevel();
  for (std::size_t i = 0; i < all.size(); ++i) {  // the children join the end of the list
    for (Component* child : form.childrenOf(*all[i])) all.push_back(child);
    const Bounds& b = all[i]->bounds();
    const QWidget* w = find(all[i]->name().c_str());
    EXPECT_EQ(w ? w->geometry() : QRect(), QRect(b.left, b.top, b.width, b.height)) << all[i]->name();
  }
  EXPECT_EQ(find<QPushButton>("RecordBtn")->text(), "Record");
  EXPECT_EQ(find<QCheckBox>("VoxCheckBox")->text(), "Voice Activate");
  EXPECT_EQ(find<QGroupBox>("PlayRecordGroup")->title(), "Play/Record");
  EXPECT_TRUE(form.ConfigLED.checked());  // FormShow ran once the window was shown

  std::vector<std::pair<const char*, const char*>> longest = {
      {"StatusMemo2", "Channel Mode = STEREO    Sample Rate = 44100 Hz"}, {"TimerMemo", "  00h:00m:00s"},
      {"StatusMemo", "Current Activity = File Transfer Recording"}, {"CurrentTimeMemo", "12:59:59 PM"}};
  for (const char* label : {"Start_Hr", "Start_Min", "Stop_Sec", "Stop_AM_PM"})
    for (const char* text : {"00m", "PM"}) longest.emplace_back(label, text);
  for (auto [name, text] : longest) {
    QWidget* w = find(name);
    auto* e = qobject_cast<QLineEdit*>(w);
    const int room = e ? e->contentsRect().width() - 4 : w->contentsRect().width();
    EXPECT_LE(QFontMetrics(w->font()).horizontalAdvance(text), room) << name << ": " << text;
  }

  // The menus as they nest, each submenu's items in brackets.
  std::function<QString(QWidget*)> tree = [&](QWidget* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
      items << (a->isSeparator() ? "-" : a->menu() ? a->text() + "(" + tree(a->menu()) + ")" : a->text());
    return items.join("|");
  };
  EXPECT_EQ(tree(window->menuBar()),
            "File(Open Input File|Open Output File|-|Stay On Top(Off|On)|-|Exit)|Modes(Channels(Mono|Stereo))|"
            "Settings(Sound Card(Select Input Sound Device|Select Output Sound Device)|Sample Rate(11025 Hz|22050 Hz|"
            "44100 Hz|8000 Hz|16000 Hz|32000 Hz|48000 Hz)|Filters(Bandpass|-|Setup)|Dislplay Type(Time|Amplitude)|"
            "Logging...)|Help(Help File|About)");
}

TEST_F(Gui, WidgetsReachTheirHandlersAndModelChangesReachTheWidgets) {
  form.ActivityState = ActivityRecording;
  find<QPushButton>("StopBtn")->click();
  EXPECT_EQ(form.ActivityState, ActivityStopped);

  // A check box runs its handler once, with the box already ticked.
  int runs = 0;
  form.VoxCheckBox.onClick = [&, handler = form.VoxCheckBox.onClick] { ++runs, handler(); };
  find<QCheckBox>("VoxCheckBox")->click();
  EXPECT_EQ(std::tuple(runs, form.VoxEnabled, find<QCheckBox>("VoxCheckBox")->isChecked()), std::tuple(1, 1, true));

  // Menu items; a ticked menu model shows its check mark.
  form.formats.designFilter = [](float, float) {};
  find<QAction>("Stereo2")->trigger();
  find<QAction>("N44100Hz1")->trigger();
  EXPECT_EQ(find<QLineEdit>("StatusMemo2")->text(), "Channel Mode = STEREO    Sample Rate = 44100 Hz");
  EXPECT_TRUE(find<QAction>("Stereo2")->isChecked());
  find<QAction>("On1")->trigger();
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  find<QAction>("Off1")->trigger();
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  // A time label is selected by a click and stepped by the arrows, which change its text.
  QLabel* hour = find<QLabel>("Stop_Hr");
  press(hour);
  EXPECT_EQ(hour->palette().color(QPalette::WindowText), QColor(Qt::red));
  for (int i = 0; i < 3; ++i) find<QToolButton>("StopTimeUpDn.up")->click();
  EXPECT_EQ(hour->text(), "03h");

  // Every press on the scroll bar pauses playback, also when it has the focus already.
  auto* bar = find<QScrollBar>("PlayScrollBar");
  form.PlayScrollBar.setEnabled(true);  // a disabled bar would take no press
  QApplication::setActiveWindow(window.get());
  for (int i = 0; i < 2; ++i) {
    form.ActivityState = ActivityPlaying;
    press(bar);
    EXPECT_TRUE(form.ActivityState == ActivityPaused && bar->hasFocus()) << i;
  }

  // The sound card dialog is modeless; the close box and Escape hide it through the model.
  auto* dialog = find<QDialog>("SoundCardSelect");
  find<QAction>("SelectOutputSoundDevice1")->trigger();
  EXPECT_TRUE(dialog->isVisible() && !dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), "Output Sound Device");
  EXPECT_EQ(dialog->findChild<QLabel*>("SoundCardManf")->text(), "Simulated Output");
  dialog->reject();
  EXPECT_FALSE(form.SoundCardSelect.Visible() || dialog->isVisible());

  // The band-pass dialog takes typed values on Enter.
  FrequencySetDialog bandPass(form.FrequencySetForm, window.get());
  find<QAction>("Setup1")->trigger();
  EXPECT_TRUE(bandPass.isVisible() && bandPass.windowTitle() == "Bandpass Frequency ");
  auto* lo = find<QLineEdit>("LoFreqMemo");
  auto key = [&](QEvent::Type type, int k, const QString& text) {
    QKeyEvent e(type, k, Qt::NoModifier, text);
    QApplication::sendEvent(lo, &e);
  };
  lo->selectAll();
  for (QChar ch : QString("45x0")) key(QEvent::KeyPress, ch.unicode(), ch);  // the letter is swallowed
  EXPECT_EQ(std::tuple(lo->text(), lo->palette().color(QPalette::Text)), std::tuple("450", QColor(Qt::red)));
  key(QEvent::KeyPress, Qt::Key_Return, "\r");
  key(QEvent::KeyRelease, Qt::Key_Return, "\r");
  EXPECT_EQ(lo->text(), "450.0");  // applied

  // A message box taking the focus does not apply the field (it would say so twice); moving to the other field does.
  form.FrequencySetForm.LoFreqMemo.userEdited("6000");
  QFocusEvent toBox(QEvent::FocusOut, Qt::ActiveWindowFocusReason), toField(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(lo, &toBox);
  EXPECT_EQ(host.messages().size(), 0u);
  QApplication::sendEvent(lo, &toField);
  EXPECT_EQ(host.messages().size(), 1u);

  // Editing keys are the field's own: Delete is not swallowed by the digit filter.
  lo->setCursorPosition(0);
  key(QEvent::KeyPress, Qt::Key_Delete, QString(QChar(127)));
  EXPECT_EQ(lo->text(), "50");  // from the value in force, put back after the refusal

  // Escape hides it as the close box does, and Setup shows it again.
  key(QEvent::KeyPress, Qt::Key_Escape, QString(QChar(27)));
  EXPECT_FALSE(form.FrequencySetForm.Window.visible() || bandPass.isVisible());
  find<QAction>("Setup1")->trigger();
  EXPECT_TRUE(bandPass.isVisible());
  bandPass.close();
  EXPECT_FALSE(form.FrequencySetForm.Window.visible());

  find<QAction>("Exit1")->trigger();
  EXPECT_EQ(std::tuple(window->isVisible(), host.terminateRequests()), std::tuple(false, 1));  // as the close box does
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
