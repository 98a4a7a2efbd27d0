#include "audio/WaveDevices.h"

#include <string>
#include <utility>

#include "audio/WaveResult.h"

namespace quorvane {

namespace {

constexpr WaveFailure NotReported{"", -1};

const WaveDeviceSide::Reports InputReports{
    {{"Error preparing the header_a", 5}, {"Error preparing the header_b", 7}},
    {{"Error in sending a buffer_a", 6}, {"Error in sending a buffer_b", 8}},
    {"Error starting the input wave device", 9},
    {"Error getting the byte input position", 10},
    {"Error Resetting the input wave device", 15},
    {{"Error unpreparing the Header a", 16}, {"Error unpreparing the Header b", 17}},
    {"Error closing the input wave device", 0},
};

// A failing playback position is reported but harms nothing; the playback
// device is restarted only by the watchdog, which does not report.
const WaveDeviceSide::Reports OutputReports{
    {{"Error preparing the header_a", 29}, {"Error preparing the header_b", 29}},
    {{"Error writing to the output device a", 30}, {"Error writing to the output device b", 30}},
    NotReported,
    {"Error getting the output byte position", -1},
    {"Error Resetting the output wave device", 35},
    {{"Error unpreparing the Header a", 36}, {"Error unpreparing the Header b", 36}},
    {"Error closing the output wave device", 0},
};

constexpr const char* DeviceCaption = "Wave Device Message";
constexpr const char* WaitingText = "Waiting for the sound device...";
constexpr int PollMs = 10;
constexpr std::size_t FailuresKept = 32;

}  // namespace

WaveDevices::WaveDevices(FormContext c, WaveBackend& backend)
    : InputSide(WaveDirection::Input, InputReports),
      OutputSide(WaveDirection::Output, OutputReports),
      c_(c),
      backend_(backend) {
  backend_.setWakeFd(c_.host.wakeFd());
}

WaveDevices::~WaveDevices() { ReleaseDevices(); }

bool WaveDevices::check(std::uint32_t result, const WaveFailure& failure) {
  c_.s.LastDeviceResult = result;
  if (result == WaveNoError) return true;
  if (quiet_ || (result == WaveNoDriver && c_.s.ActivityState == ActivityRecording)) {
    DeviceLost = true;
    return false;
  }
  c_.host.messageBox(failure.text, DeviceCaption);
  if (failure.code >= 0) DeviceFailure(failure.code);
  return false;
}

void WaveDevices::DeviceFailure(int code) {
  failureCodes_.push_back(code);
  if (failureCodes_.size() > FailuresKept) failureCodes_.erase(failureCodes_.begin());
  if (code >= 28 && code <= 37) CloseOutputDevice();
  if (c_.s.StopRequested) return;
  if (endApplication)
    endApplication();
  else
    c_.host.requestTerminate();
}

void WaveDevices::TimeoutTimerTimer() {
  c_.ui.TimeoutTimer.setEnabled(false);
  c_.s.DeviceTimedOut = 1;
}

// --- the operations both sides share ---

void WaveDevices::setupHeaders(WaveDeviceSide& side, const WaveFormatEx& format, std::uint8_t* a, std::uint8_t* b,
                               std::uint32_t bytes) {
  side.DeviceFormat = format;
  side.RecordedBuffer[0] = a;
  side.RecordedBuffer[1] = b;
  for (BufferLetter letter : {BufferLetter::A, BufferLetter::B}) {
    side.arm(letter, bytes);
    if (!side.header(letter).inQueue()) side.header(letter).user = 0;
  }
}

void WaveDevices::forgetHandle(WaveDeviceSide& side) {
  // A device still open under the old handle (a paused run that was stopped,
  // a close that failed) would go on using the headers the new one is given,
  // so it is released quietly before its handle is forgotten. A stale handle
  // simply fails here.
  if (side.Handle != 0) {
    backend_.reset(side.Handle);
    backend_.close(side.Handle);
  }
  side.Handle = 0;
}

void WaveDevices::prepare(WaveDeviceSide& side, BufferLetter letter) {
  const int i = static_cast<int>(letter);
  check(backend_.prepare(side.Handle, side.header(letter)), side.reports.prepare[i]);
}

void WaveDevices::queue(WaveDeviceSide& side, BufferLetter letter) {
  const int i = static_cast<int>(letter);
  check(backend_.queue(side.Handle, side.header(letter)), side.reports.queue[i]);
}

std::uint32_t WaveDevices::position(WaveDeviceSide& side) {
  // The playback side warns of a missing device, then asks all the same.
  if (side.direction == WaveDirection::Output && side.Handle == 0) c_.host.messageBox("Null Handle", "Error Message");
  std::uint32_t bytes = 0;
  if (check(backend_.position(side.Handle, bytes), side.reports.position)) side.StoredPosition = bytes;
  return side.StoredPosition;
}

std::uint32_t WaveDevices::wait(WaveDeviceSide& side, BufferLetter letter) {
  // The capture loops wait for the capture buffer, then for the playback
  // buffer of the same pass: that playback device monitors the capture.
  if (side.direction == WaveDirection::Output) {
    const bool monitor = std::exchange(inputWaited_, false);
    backend_.setMonitor(side.Handle, monitor);
    backend_.setMuted(side.Handle, monitor && c_.s.MuteEnabled == 1);
  }
  const std::uint32_t bytes = poll(side, letter);
  if (side.direction == WaveDirection::Input) inputWaited_ = true;
  showSoundLoss();
  return bytes;
}

void WaveDevices::showSoundLoss() {
  const SoundLoss loss = backend_.soundLoss();
  if (loss.overruns == shownLoss_.overruns && loss.underruns == shownLoss_.underruns) return;
  shownLoss_ = loss;
  c_.ui.StatusMemo2.setText("Sound lost: " + std::to_string(loss.overruns) + " overruns, " +
                            std::to_string(loss.underruns) + " underruns");
}

std::uint32_t WaveDevices::poll(WaveDeviceSide& side, BufferLetter letter) {
  const WaveBufferHeader& h = side.header(letter);
  std::uint64_t heard = backend_.activity(side.Handle);
  std::int64_t heardAt = c_.host.nowMs();
  backend_.update();
  while (!h.done()) {
    // Asleep until the device has the buffer, the user does something or a
    // timer (the watchdog's) runs out; a device that cannot say when the
    // buffer is done is looked at every PollMs.
    c_.host.waitForEvents(backend_.armWake(side.Handle) ? WakeMs : PollMs);
    // What the device delivered meanwhile comes first: a watchdog that fired
    // while a handler kept the program busy is no stall of the device.
    backend_.update();
    if (h.done()) break;
    if (const std::uint64_t now = backend_.activity(side.Handle); now != heard) {
      heard = now;
      heardAt = c_.host.nowMs();
    }
    // The watchdog says the buffer is overdue; a device still delivering,
    // only late (a busy machine), keeps its sound: restarting it would lose it.
    const bool dialogShown = soundCardDialog_ && soundCardDialog_->visible();
    if (c_.s.DeviceTimedOut == 1 && !dialogShown && c_.host.nowMs() - heardAt >= SilentMs) {
      // The device has stopped delivering: every queued buffer comes back,
      // and the device starts over.
      if (side.direction == WaveDirection::Input) {
        ResetInputDevice();
        StartInputDevice();
      } else {
        backend_.reset(side.Handle);
        backend_.start(side.Handle);
      }
      break;
    }
    if (c_.s.StopRequested) break;
  }
  return h.recorded();
}

void WaveDevices::reset(WaveDeviceSide& side) { check(backend_.reset(side.Handle), side.reports.reset); }

void WaveDevices::unprepare(WaveDeviceSide& side, BufferLetter letter) {
  const int i = static_cast<int>(letter);
  check(backend_.unprepare(side.Handle, side.header(letter)), side.reports.unprepare[i]);
}

void WaveDevices::close(WaveDeviceSide& side) { check(backend_.close(side.Handle), side.reports.close); }

bool WaveDevices::findDevice(WaveDirection direction, const std::string& name, std::int32_t& id) {
  const int count = backend_.deviceCount(direction);
  if (name.empty()) return id >= 0 && id < count;
  for (int i = 0; i < count; ++i) {
    if (backend_.productName(direction, i) != name) continue;
    id = i;
    return true;
  }
  return false;
}

bool WaveDevices::AwaitLostDevices(const std::function<void()>& reopen) {
  auto& s = c_.s;
  const std::string input = backend_.productName(WaveDirection::Input, s.InputDeviceId);
  const std::string output = backend_.productName(WaveDirection::Output, s.OutputDeviceId);
  ReleaseDevices();
  c_.ui.TimeoutTimer.setEnabled(false);
  const std::string activity = c_.ui.StatusMemo.text();
  c_.ui.StatusMemo.setText(WaitingText);
  do {
    for (int waited = 0; waited < RetryMs; waited += PollMs) {
      c_.host.sleepMs(PollMs);
      c_.host.processMessages();
      if (s.StopRequested) return false;
    }
    quiet_ = true;
    DeviceLost = backend_.reinitialise() != WaveNoError || !findDevice(WaveDirection::Input, input, s.InputDeviceId) ||
                 !findDevice(WaveDirection::Output, output, s.OutputDeviceId);
    if (!DeviceLost) reopen();
    quiet_ = false;
    if (DeviceLost) ReleaseDevices();
  } while (DeviceLost);
  if (c_.ui.StatusMemo.text() == WaitingText) c_.ui.StatusMemo.setText(activity);
  return true;
}

void WaveDevices::ReleaseDevices() {
  for (WaveDeviceSide* side : {&InputSide, &OutputSide}) {
    if (side->Handle == 0) continue;
    backend_.reset(side->Handle);
    backend_.close(side->Handle);
    side->Handle = 0;
  }
}

// --- capture ---

void WaveDevices::SetupInputHeaders() {
  setupHeaders(InputSide, c_.s.WaveFormat, c_.s.InputBufferA.get(), c_.s.InputBufferB.get(), c_.s.InputBufferBytes);
}

void WaveDevices::OpenInputDevice() {
  DeviceLost = false;  // a fresh opening finds out anew
  forgetHandle(InputSide);
  // A refused format is reported, and the open is tried all the same.
  check(backend_.queryFormat(WaveDirection::Input, c_.s.InputDeviceId, InputSide.DeviceFormat),
        {"Could not open the input wave device", 1});
  check(backend_.open(WaveDirection::Input, c_.s.InputDeviceId, InputSide.DeviceFormat, InputSide.Handle),
        {"Error Opening Input wave device", 2});
}

void WaveDevices::StartInputDevice() { check(backend_.start(InputSide.Handle), InputSide.reports.start); }

bool WaveDevices::QueryInputFormat(const WaveFormatEx& format) {
  c_.s.LastDeviceResult = backend_.queryFormat(WaveDirection::Input, c_.s.InputDeviceId, format);
  return c_.s.LastDeviceResult != WaveNoError;
}

// --- playback ---

void WaveDevices::SetupOutputHeaders() {
  setupHeaders(OutputSide, c_.s.OutputWaveFormat, c_.s.OutputBufferA.get(), c_.s.OutputBufferB.get(),
               c_.s.OutputBufferBytes);
}

void WaveDevices::OpenOutputDevice() {
  inputWaited_ = false;  // its role shows at its first wait
  forgetHandle(OutputSide);
  // Neither failure ends anything here: the first prepare or write on the
  // device that did not open fails with its own message and code.
  if (!check(backend_.queryFormat(WaveDirection::Output, c_.s.OutputDeviceId, OutputSide.DeviceFormat),
             {"Could not handle the output WAVE format", -1}))
    return;
  check(backend_.open(WaveDirection::Output, c_.s.OutputDeviceId, OutputSide.DeviceFormat, OutputSide.Handle),
        {"Error Opening Output wave device", -1});
}

bool WaveDevices::QueryOutputFormat(const WaveFormatEx& format) {
  c_.s.LastDeviceResult = backend_.queryFormat(WaveDirection::Output, c_.s.OutputDeviceId, format);
  return c_.s.LastDeviceResult != WaveNoError;
}

}  // namespace quorvane
