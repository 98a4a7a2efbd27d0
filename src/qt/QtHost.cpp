#include "qt/QtHost.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <sys/eventfd.h>
#include <unistd.h>

#include <ctime>

namespace quorvane {

QtHost::QtHost() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { clock_.start(); }

QtHost::~QtHost() {
  for (auto& [model, timer] : timers_) {
    model->attach(nullptr);
    delete timer;
  }
  delete wakeNotifier_;
  delete waitTimer_;
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void QtHost::sleepMs(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

void QtHost::processMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtHost::waitForEvents(int maxMs) {
  // Made on first use: the event loop must exist first.
  if (!wakeNotifier_ && wakeFd_ >= 0) {
    wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(wakeNotifier_, &QSocketNotifier::activated, [fd = wakeFd_] {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto n = ::read(fd, &count, sizeof count);
    });
  }
  if (!waitTimer_) {
    waitTimer_ = new QTimer;
    waitTimer_->setSingleShot(true);
  }
  // The timer's event ends the wait when nothing else does.
  waitTimer_->start(maxMs);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  waitTimer_->stop();
}

std::int64_t QtHost::wallClockSeconds() const { return static_cast<std::int64_t>(std::time(nullptr)); }

std::int64_t QtHost::wallClockMs() const { return QDateTime::currentMSecsSinceEpoch(); }

CivilTime QtHost::localTime(std::int64_t epochSeconds) const {
  const std::time_t t = static_cast<std::time_t>(epochSeconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void QtHost::timerChanged(TimerModel& model) {
  QTimer*& timer = timers_[&model];
  if (!timer) {
    timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [m = &model] { m->fire(); });
  }
  if (model.enabled())
    timer->start(model.interval());
  else
    timer->stop();
}

void QtHost::timerDestroyed(TimerModel& model) {
  auto it = timers_.find(&model);
  if (it == timers_.end()) return;
  delete it->second;
  timers_.erase(it);
}

void QtHost::messageBox(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                  mainWindow_);
  box.exec();
}

void QtHost::showMessage(const std::string& text) {
  messageBox(text, QCoreApplication::applicationName().toStdString());
}

std::optional<std::string> QtHost::chooseFile(const FileDialogRequest& r) {
  QFileDialog dialog(mainWindow_, QString::fromStdString(r.title), QString(), QString::fromStdString(r.filter));
  if (r.kind == FileDialogRequest::Kind::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  // The dialog's own default suffix would turn /dev/full into a new /dev/full.wav.
  const std::string chosen = dialog.selectedFiles().first().toStdString();
  // A name typed without an extension takes the one of the file type chosen
  // ("FLAC Files (*.flac)" -> .flac), else the default.
  std::string extension = r.defaultExtension;
  const QString selected = dialog.selectedNameFilter();
  const qsizetype star = selected.indexOf("(*.");
  if (star >= 0 && !selected.mid(star).contains(' ')) extension = selected.mid(star + 3).chopped(1).toStdString();
  return r.kind == FileDialogRequest::Kind::Save ? withDefaultExtension(chosen, extension) : chosen;
}

bool QtHost::openDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtHost::startProgram(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList args;
  for (const auto& a : arguments) args << QString::fromStdString(a);
  const QString exe = QStandardPaths::findExecutable(QString::fromStdString(program));
  return !exe.isEmpty() && QProcess::startDetached(exe, args);
}

void QtHost::requestTerminate() {
  // The main loop ends once the handler running now (and any loop under it)
  // has returned to it.
  QCoreApplication::exit(0);
}

std::string QtHost::configFilePath() const {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(dir).filePath("quorvane/quorvane.cfg").toStdString();
}

std::string QtHost::helpFilePath() const {
  // bin/quorvane and share/quorvane/quorvane.html, in the build tree as after an install.
  const QDir bin(QCoreApplication::applicationDirPath());
  return QDir::cleanPath(bin.filePath("../share/quorvane/quorvane.html")).toStdString();
}

}  // namespace quorvane
