#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "FormFixture.h"
#include "audio/BoundedCaller.h"
#include "audio/DeviceFeed.h"
#include "audio/SoundRing.h"
#include "audio/WaveResult.h"

using namespace quorvane;
using namespace quorvane::test;
using namespace std::chrono_literals;
using Outcome = BoundedCaller::Outcome;

namespace {

constexpr auto In = WaveDirection::Input;
constexpr auto Out = WaveDirection::Output;
// Every captured sample tells the frame it was captured at.
std::int16_t frameMark(std::uint64_t frame) { return static_cast<std::int16_t>(frame & 0x7FFF); }
// The frame a device opened at virtual time 0 is at when the clock shows ms.
std::uint64_t frameAt(std::int64_t ms) { return static_cast<std::uint64_t>(ms) * 11025 / 1000; }
// The eventfd's count, read and cleared: how many wake-ups came.
std::uint64_t wakes(int fd) {
  std::uint64_t n = 0;
  return ::read(fd, &n, sizeof n) == sizeof n ? n : 0;
}
struct WakeFd {
  int fd = ::eventfd(0, EFD_NONBLOCK);
  ~WakeFd() { ::close(fd); }
};

// A main window with simulated sound devices, and the device operations in
// the order the capture and playback loops call them.
class Device : public FormFixture {
 protected:
  Device() {
    form.StopRequested = 0;  // as a loop leaves it when it starts
    audio.setSource(0, SimSoundSource::generator([](std::uint64_t f, unsigned) { return frameMark(f); }));
  }
  WaveDevices& dev() { return form.devices; }

  // Capture: buffer A queued and the device started.
  void startCapture() {
    dev().SetupInputHeaders();
    dev().OpenInputDevice();
    queueInput(true);
    dev().StartInputDevice();
  }
  void queueInput(bool a) {
    a ? dev().RearmInputHeaderA() : dev().RearmInputHeaderB();
    a ? dev().PrepareInputHeaderA() : dev().PrepareInputHeaderB();
    a ? dev().AddInputBufferA() : dev().AddInputBufferB();
  }
  // Waits for a buffer and unprepares it; its samples go to `captured`.
  std::uint32_t waitInput(bool a) {
    const std::uint32_t bytes = a ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
    a ? dev().UnprepareInputHeaderA() : dev().UnprepareInputHeaderB();
    const std::uint8_t* b = (a ? form.InputBufferA : form.InputBufferB).get();
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) captured.push_back(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)));
    return bytes;
  }
  // One pass of a capture loop: queue the other buffer, wait for this one.
  void pass(bool a) {
    queueInput(!a);
    armWatchdog();
    waitInput(a);
    form.TimeoutTimer.setEnabled(false);
  }
  void expectCapturedInOrder(std::size_t count) {
    ASSERT_GE(captured.size(), count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
  }
  // Playback: the buffer as it is, queued.
  void writeOutput(bool a) {
    a ? dev().RearmOutputHeaderA() : dev().RearmOutputHeaderB();
    a ? dev().PrepareOutputHeaderA() : dev().PrepareOutputHeaderB();
    a ? dev().WriteOutputBufferA() : dev().WriteOutputBufferB();
  }
  // The watchdog as the loops arm it: disarmed after every wait, so each
  // arming counts the full 200 ms.
  void armWatchdog() {
    form.DeviceTimedOut = 0;
    form.TimeoutTimer.setEnabled(false);
    form.TimeoutTimer.setEnabled(true);
  }

  std::vector<std::int16_t> captured;
};

using DoubleBuffer = Device;
using DeviceFailure = Device;
using DeviceWake = FormFixture;
using SoundCardSelect = Device;
// The waits, with A and B queued: buffer A fills in 92.9 ms.
struct DeviceWait : Device {
  DeviceWait() {
    startCapture();
    queueInput(false);
  }
};

}  // namespace

// On time, or late by 250 ms, every sample comes once and in order (what no
// buffer took waits in the ring); 4.5 s late, the ring's 4 s fill too, and
// only what came after them is lost. Each run opens the device again without
// closing it (a run stopped while paused): the old one is released, and the
// new one alone fills the buffers, counting its frames from its own opening.
TEST_F(DoubleBuffer, CapturesEverySampleOnceInOrderAndALateProgramLosesOnlyWhatOverflowsTheRing) {
  for (const int busyMs : {0, 250, 4500}) {
    SCOPED_TRACE(busyMs);
    captured.clear();
    const std::int64_t opened = host.nowMs();
    startCapture();
    EXPECT_EQ(audio.openCount(), 1u);
    pass(true);
    pass(false);
    const std::size_t late = frameAt(host.nowMs() - opened);
    host.sleepMs(busyMs);
    for (int i = 0; i < 56; ++i) pass(i % 2 == 0);
    EXPECT_EQ(captured.size(), 58u * 1024);
    const std::size_t kept = busyMs < 4000 ? captured.size() : late + 4 * 11025;
    expectCapturedInOrder(kept);
    if (kept < captured.size()) {
      EXPECT_NE(captured[kept], frameMark(kept));
    } else {
      EXPECT_EQ(dev().GetInputPosition(), 2 * frameAt(host.nowMs() - opened));
    }
    EXPECT_EQ(audio.soundLoss().overruns > 0, busyMs > 4000);
    queueInput(false);
  }
  EXPECT_TRUE(host.messages().empty());
  form.FormDestroy();  // before the buffers go, so do the devices
  EXPECT_EQ(audio.openCount(), 0u);
}

TEST_F(DeviceWait, StalledCaptureIsResetAndRestartedByTheWatchdogAndGoesOn) {
  host.sleepMs(50);
  audio.stall(In);
  armWatchdog();

  // Half a buffer had come in when the device stopped; the reset returns it.
  // The watchdog fired at 250 ms, but a device is only taken to have stopped
  // after a second without delivering anything (a late one keeps its sound).
  EXPECT_EQ(waitInput(true), 2 * frameAt(50));
  EXPECT_EQ(host.nowMs(), 50 + WaveDevices::SilentMs);
  EXPECT_EQ(audio.calls(In, WaveCall::Reset), 1);
  EXPECT_EQ(audio.calls(In, WaveCall::Start), 2);
  EXPECT_FALSE(form.TimeoutTimer.enabled());  // one shot per arming

  // The loop goes on: B came back empty, and the restarted device fills A again.
  queueInput(true);
  armWatchdog();
  EXPECT_EQ(waitInput(false), 0u);
  queueInput(false);
  captured.clear();
  EXPECT_EQ(waitInput(true), 2048u);
  EXPECT_EQ(host.nowMs(), 150 + WaveDevices::SilentMs);
  for (std::size_t i = 1; i < captured.size(); ++i)  // sound, unbroken, not the reset's silence
    ASSERT_EQ(captured[i], frameMark(static_cast<std::uint16_t>(captured[0]) + i)) << i;
  EXPECT_EQ(audio.calls(In, WaveCall::Reset), 1);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DeviceWait, StallIsWaitedOutWhileTheSoundCardDialogIsOpen) {
  audio.stall(In);
  form.SelectInputSoundDevice1Click();
  armWatchdog();
  host.at(1700, [this] { audio.resume(In); });  // longer than a device may stay silent

  EXPECT_EQ(waitInput(true), 2048u);
  EXPECT_EQ(host.nowMs(), 1800);      // 1700 ms + 92.9 ms, at the next poll
  EXPECT_EQ(form.DeviceTimedOut, 1);  // the watchdog fired and was not acted on
  EXPECT_EQ(audio.calls(In, WaveCall::Reset), 0);
}

TEST_F(DeviceWait, StopWhilePollingReturnsWithinOnePollWithWhatCameIn) {
  armWatchdog();
  host.at(55, [this] { form.StopRequested = 1; });
  EXPECT_EQ(dev().WaitInputBufferA(), 2 * frameAt(60));
  EXPECT_EQ(host.nowMs(), 60);
  EXPECT_FALSE(dev().InputSide.HeaderA.done());
}

TEST_F(DeviceWait, StalledPlaybackIsRestartedWithoutReportOrResult) {
  dev().SetupOutputHeaders();
  dev().OpenOutputDevice();
  writeOutput(true);
  writeOutput(false);
  audio.stall(Out);
  audio.failCall(Out, WaveCall::Start, WaveError);  // even a failed restart goes unreported
  form.LastDeviceResult = 12345;
  armWatchdog();

  dev().WaitOutputBufferA();
  EXPECT_EQ(host.nowMs(), WaveDevices::SilentMs);
  EXPECT_EQ(audio.calls(Out, WaveCall::Reset), 1);
  EXPECT_EQ(audio.calls(Out, WaveCall::Start), 1);
  EXPECT_TRUE(dev().OutputSide.HeaderB.done());
  EXPECT_EQ(form.LastDeviceResult, 12345u);
  EXPECT_TRUE(host.messages().empty());
}

// The device's thread wakes the program once per request, when it has what
// the program asked for, and when its stream ends on its own.
TEST(DeviceFeed, WakesOnceWhenTheAskedForSoundHasCome) {
  WakeFd w;
  DeviceFeed feed(4000, 4);
  feed.wakeFd = w.fd;
  std::vector<std::uint8_t> chunk(400);
  feed.capture(chunk.data(), chunk.size());
  feed.wakeAt = 1000;
  feed.capture(chunk.data(), chunk.size());
  EXPECT_EQ(wakes(w.fd), 0u);  // 800 of 1000
  feed.capture(chunk.data(), 200);  // just there
  EXPECT_EQ(wakes(w.fd), 1u);
  EXPECT_EQ(feed.wakeAt.load(), 0u);

  feed.wakeAt = 300;  // playback: by the bytes played
  feed.play(chunk.data(), 200);
  EXPECT_EQ(wakes(w.fd), 0u);
  feed.play(chunk.data(), 100);
  EXPECT_EQ(wakes(w.fd), 1u);
  feed.finished();
  EXPECT_EQ(wakes(w.fd), 1u);
}

// The program asks for what the header it waits on still lacks, counted from
// what has left the ring already, whatever it took out of the ring between two
// requests; sound already there wakes it at once.
TEST_F(DeviceWake, TheRequestCountsWhatTheWaitedBufferStillLacks) {
  WakeFd w;
  audio.setWakeFd(w.fd);
  WaveFormatEx format;  // 11025 Hz mono: 22050 bytes a second
  WaveHandle h = 0;
  ASSERT_EQ(audio.open(WaveDirection::Input, 0, format, h), 0u);
  std::vector<std::uint8_t> data(2000);
  WaveBufferHeader header{};
  header.data = data.data();
  header.bufferLength = 2000;
  ASSERT_EQ(audio.prepare(h, header), 0u);
  ASSERT_EQ(audio.queue(h, header), 0u);
  ASSERT_EQ(audio.start(h), 0u);
  host.sleepMs(40);
  audio.update();
  EXPECT_EQ(header.recorded(), 882u);
  ASSERT_TRUE(audio.armWake(h));  // for 1118 bytes more
  host.sleepMs(30);
  audio.update();  // as a handler run during the wait may
  EXPECT_EQ(wakes(w.fd), 0u);
  host.sleepMs(30);
  audio.update();
  EXPECT_EQ(wakes(w.fd), 1u);
  EXPECT_TRUE(header.done());
  ASSERT_EQ(audio.queue(h, header), 0u);
  host.sleepMs(100);  // a whole buffer already in the ring
  ASSERT_TRUE(audio.armWake(h));
  EXPECT_EQ(wakes(w.fd), 1u);
  audio.reset(h);
  audio.close(h);
}

// A muted monitor's stream stops, and starts again when Mute is unticked.
TEST_F(DeviceWake, UnmutingDuringARecordingBringsTheMonitorBack) {
  startUp();
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  host.queueFileChoice(dir.file("monitored.wav"));
  std::size_t atMute = 0, atUnmute = 0;
  host.after(1000, [&] {
    form.MuteCheckBox.click();
    atMute = audio.sink().samples().size();
  });
  host.after(2000, [&] {
    atUnmute = audio.sink().samples().size();
    form.MuteCheckBox.click();
  });
  host.after(3000, [this] { form.StopBtn.click(); });
  form.RecordBtn.click();
  EXPECT_LE(atUnmute, atMute + 2 * 1024);  // what was on its way at the click
  EXPECT_GT(audio.sink().samples().size(), atUnmute + 8000);
}

// The sound card dialog, over two capture and two playback devices. On each
// side, while a recording runs: browsing stops at the last device and
// chooses nothing; a refused choice restores the starting device, a compatible
// one (even past the last) clears the message. Testing a format builds it apart
// from the running device's headers, which stay as they are.
TEST_F(SoundCardSelect, BrowsesItsSideAndARefusalRestoresTheStartingDevice) {
  audio.addDevice(In, "Line In");
  audio.addDevice(Out, "Headphones");
  TSoundCardSelect& dialog = form.SoundCardSelect;
  startCapture();
  queueInput(false);
  const WaveFormatEx running = dev().InputSide.DeviceFormat;
  form.WaveFormat = WaveFormatEx{2, 44100, 176400, 4, 16};
  form.InputBufferBytes = 16384;
  EXPECT_FALSE(dialog.Visible());
  for (const bool output : {false, true}) {
    SCOPED_TRACE(output ? "output" : "input");
    const WaveDirection side = output ? Out : In;
    const std::int32_t& chosen = output ? form.OutputDeviceId : form.InputDeviceId;
    (output ? form.SelectOutputSoundDevice1 : form.SelectInputSoundDevice1).click();
    EXPECT_TRUE(dialog.Visible());
    const std::string caption = output ? "Output Sound Device" : "Input Sound Device";
    EXPECT_EQ(dialog.Window.caption(), caption);
    EXPECT_EQ(dialog.SoundCardManf.text(), output ? "Simulated Output" : "Simulated Input");
    EXPECT_EQ(dialog.SoundCardManf.fontColour(), clBlue);
    for (int i = 0; i < 2; ++i) dialog.WaveUpDown.click(UpDownModel::Button::Up);
    EXPECT_EQ(dialog.WaveUpDown.position(), 1);
    EXPECT_EQ(dialog.SoundCardManf.text(), output ? "Headphones" : "Line In");
    EXPECT_EQ(chosen, 0);

    audio.refuseFormats(side, 1);
    dialog.SelectBtn.click();
    EXPECT_EQ(dialog.MessageLabel.text(),
              output ? "Sound output device not compatible" : "Sound input device not compatible");
    EXPECT_EQ(form.LastDeviceResult, WaveBadFormat);
    EXPECT_EQ(dialog.WaveUpDown.position(), 0);
    EXPECT_EQ(chosen, 0);
    EXPECT_EQ(dialog.SoundCardManf.text(), output ? "Simulated Output" : "Simulated Input");

    // The other side's menu item while the dialog is visible keeps editing this side.
    (output ? form.SelectInputSoundDevice1 : form.SelectOutputSoundDevice1).click();
    EXPECT_EQ(dialog.Window.caption(), caption);
    audio.setFormatCheck(side, 1, nullptr);
    dialog.WaveUpDown.setPosition(7);
    dialog.SelectBtn.click();
    EXPECT_EQ(dialog.MessageLabel.text(), "");
    EXPECT_EQ(dialog.WaveUpDown.position(), 1);
    EXPECT_EQ(dialog.SoundCardManf.text(), output ? "Headphones" : "Line In");
    EXPECT_EQ(dialog.SoundCardManf.fontColour(), clWindowText);
    EXPECT_EQ(std::pair(form.InputDeviceId, form.OutputDeviceId), std::pair(1, output ? 1 : 0));
    dialog.FormClose();
  }
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dev().InputSide.DeviceFormat, running);
  EXPECT_EQ(dev().InputSide.HeaderB.bufferLength, 2048u);
  EXPECT_TRUE(dev().InputSide.HeaderB.inQueue());
}

namespace {

// Reads the output WAV file at the moment termination is requested.
class FileSnoopingHost : public SimHost {
 public:
  std::string path;
  std::vector<std::uint8_t> fileAtTerminate;
  void requestTerminate() override {
    fileAtTerminate = readAll(path);
    SimHost::requestTerminate();
  }
};

// A fresh window for each case of a table, with both devices open.
template <class Host = SimHost>
struct Window {
  explicit Window(bool stopping, bool open = true) {
    form.StopRequested = stopping ? 1 : 0;
    host.onMessageBox = [this](const SimHost::Message& m) {
      seen.push_back(m.caption + ": " + m.text);
      results.push_back(form.LastDeviceResult);
    };
    if (!open) return;
    form.devices.SetupInputHeaders();
    form.devices.OpenInputDevice();
    form.devices.SetupOutputHeaders();
    form.devices.OpenOutputDevice();
  }
  Host host;
  SimWaveBackend audio{host};
  TVOXForm form{host, audio};
  std::vector<std::string> seen;
  std::vector<std::uint32_t> results;  // LastDeviceResult as each box shows
};

// Which devices a failure leaves open.
enum LeftOpen { Both, CaptureOnly, PlaybackOnly };
void OpenOutputThenPrepare(WaveDevices& d) {
  d.OpenOutputDevice();
  d.PrepareOutputHeaderA();
}
#define OP(name) [](WaveDevices& d) { d.name(); }
// A failing QueryFormat stands for a device that refuses the format.
const struct FailingCall {
  void (*run)(WaveDevices&);
  WaveDirection direction;
  WaveCall call;
  std::vector<std::string> texts;  // each under "Wave Device Message"
  std::vector<int> codes;
  LeftOpen open;
} Calls[] = {
    // A refused capture format is reported and the open is tried all the same;
    // a refused playback device is not opened, and its first prepare fails.
    {OP(OpenInputDevice),
     In,
     WaveCall::QueryFormat,
     {"Could not open the input wave device", "Error Opening Input wave device"},
     {1, 2},
     PlaybackOnly},
    {OpenOutputThenPrepare,
     Out,
     WaveCall::QueryFormat,
     {"Could not handle the output WAVE format", "Error preparing the header_a",
      "Error closing the output wave device"},
     {29, 0},
     CaptureOnly},
    {OP(PrepareInputHeaderA), In, WaveCall::Prepare, {"Error preparing the header_a"}, {5}, Both},
    {OP(AddInputBufferA), In, WaveCall::Queue, {"Error in sending a buffer_a"}, {6}, Both},
    {OP(PrepareInputHeaderB), In, WaveCall::Prepare, {"Error preparing the header_b"}, {7}, Both},
    {OP(AddInputBufferB), In, WaveCall::Queue, {"Error in sending a buffer_b"}, {8}, Both},
    {OP(StartInputDevice), In, WaveCall::Start, {"Error starting the input wave device"}, {9}, Both},
    {OP(GetInputPosition), In, WaveCall::Position, {"Error getting the byte input position"}, {10}, Both},
    {OP(ResetInputDevice), In, WaveCall::Reset, {"Error Resetting the input wave device"}, {15}, Both},
    {OP(UnprepareInputHeaderA), In, WaveCall::Unprepare, {"Error unpreparing the Header a"}, {16}, Both},
    {OP(UnprepareInputHeaderB), In, WaveCall::Unprepare, {"Error unpreparing the Header b"}, {17}, Both},
    {OP(CloseInputDevice), In, WaveCall::Close, {"Error closing the input wave device"}, {0}, Both},
    // Playback failures close the playback device first.
    {OP(PrepareOutputHeaderA), Out, WaveCall::Prepare, {"Error preparing the header_a"}, {29}, CaptureOnly},
    {OP(PrepareOutputHeaderB), Out, WaveCall::Prepare, {"Error preparing the header_b"}, {29}, CaptureOnly},
    {OP(WriteOutputBufferA), Out, WaveCall::Queue, {"Error writing to the output device a"}, {30}, CaptureOnly},
    {OP(WriteOutputBufferB), Out, WaveCall::Queue, {"Error writing to the output device b"}, {30}, CaptureOnly},
    {OP(ResetOutputDevice), Out, WaveCall::Reset, {"Error Resetting the output wave device"}, {35}, CaptureOnly},
    {OP(UnprepareOutputHeaderA), Out, WaveCall::Unprepare, {"Error unpreparing the Header a"}, {36}, CaptureOnly},
    {OP(UnprepareOutputHeaderB), Out, WaveCall::Unprepare, {"Error unpreparing the Header b"}, {36}, CaptureOnly},
    {OP(CloseOutputDevice), Out, WaveCall::Close, {"Error closing the output wave device"}, {0}, Both},
};
#undef OP

}  // namespace

TEST_F(DeviceFailure, EveryCallReportsItsTextAndCodeAndEndsTheProgramUnlessStopping) {
  for (const bool stopping : {false, true}) {
    for (const FailingCall& c : Calls) {
      SCOPED_TRACE(c.texts[0] + (stopping ? " (stopping)" : ""));
      Window<> w(stopping);
      const bool refused = c.call == WaveCall::QueryFormat;
      refused ? w.audio.refuseFormats(c.direction) : w.audio.failCall(c.direction, c.call, WaveNoMemory);
      c.run(w.form.devices);

      std::vector<std::string> shown;
      for (const std::string& t : c.texts) shown.push_back("Wave Device Message: " + t);
      EXPECT_EQ(w.seen, shown);
      EXPECT_EQ(w.results.front(), refused ? WaveBadFormat : WaveNoMemory);
      EXPECT_EQ(w.form.devices.failureCodes(), c.codes);
      EXPECT_EQ(w.audio.isOpen(w.form.devices.InputSide.Handle), c.open != PlaybackOnly);
      EXPECT_EQ(w.audio.isOpen(w.form.devices.OutputSide.Handle), c.open != CaptureOnly);
      EXPECT_EQ(w.host.terminateRequests(), stopping ? 0 : 1);
    }
  }
}

TEST_F(DeviceFailure, PlaybackOpenAndPositionFailuresAreOnlyReported) {
  Window<> w(false, false);
  w.audio.failCall(Out, WaveCall::Open, WaveError);
  w.form.devices.SetupOutputHeaders();
  w.form.devices.OpenOutputDevice();
  EXPECT_EQ(w.form.devices.GetOutputPosition(), 0u);  // no device: a warning, then the query fails
  EXPECT_EQ(w.seen, (std::vector<std::string>{"Wave Device Message: Error Opening Output wave device",
                                              "Error Message: Null Handle",
                                              "Wave Device Message: Error getting the output byte position"}));
  EXPECT_TRUE(w.form.devices.failureCodes().empty());
  EXPECT_EQ(w.host.terminateRequests(), 0);
}

// The failure ends the program through the window's close path, which
// completes the file first: when termination is asked for, its header
// counts all the sound it holds.
TEST_F(DeviceFailure, CompletesTheOutputFileBeforeTheProgramEnds) {
  Window<FileSnoopingHost> w(false, false);
  w.host.path = dir.file("traffic.wav");
  auto file = w.host.openFile(w.host.path, FileMode::CreateBinary);
  ASSERT_TRUE(file);
  const auto header = WavHeader::build(w.form.WaveFormat);
  const std::vector<std::uint8_t> sound(3 * 2048, 0x5A);
  ASSERT_EQ(file->write(header.data(), header.size()), header.size());
  ASSERT_EQ(file->write(sound.data(), sound.size()), sound.size());
  w.form.OutputFile = std::move(file);
  w.form.OutputFileOpen = 1;
  w.form.OutputDataBytes = static_cast<std::uint32_t>(sound.size());

  w.form.devices.SetupInputHeaders();
  w.form.devices.OpenInputDevice();
  w.audio.failCall(In, WaveCall::Start, WaveError);
  w.form.devices.StartInputDevice();

  ASSERT_EQ(w.host.terminateRequests(), 1);
  ASSERT_EQ(w.host.fileAtTerminate.size(), WavHeader::Size + sound.size());
  EXPECT_EQ(u32At(w.host.fileAtTerminate, 4), sound.size() + 36);
  EXPECT_EQ(u32At(w.host.fileAtTerminate, 40), sound.size());
  EXPECT_EQ(w.form.OutputFileOpen, 0);
}

// The device's side on its own thread, as under PortAudio: whatever the
// scheduling and however the chunks fall across the ring's end, the reader
// gets every byte once and in order.
TEST(SoundRing, WriterAndReaderThreadsPassEveryByteOnceAndInOrder) {
  SoundRing ring(1000);  // no multiple of the chunks
  constexpr std::uint32_t Count = 200000;
  std::thread device([&] {
    std::uint32_t next = 0, chunk[24];
    while (next < Count) {
      std::size_t n = 0;
      for (; n < 24 && next + n < Count; ++n) chunk[n] = next + static_cast<std::uint32_t>(n);
      const std::size_t fitted = ring.write(reinterpret_cast<const std::uint8_t*>(chunk), n * 4);
      next += static_cast<std::uint32_t>(fitted / 4);
      if (fitted < n * 4) std::this_thread::yield();
    }
  });
  std::vector<std::uint8_t> got;
  std::uint8_t buf[60];
  while (got.size() < Count * 4) {
    const std::size_t n = ring.read(buf, std::min<std::size_t>(sizeof buf, Count * 4 - got.size()));
    got.insert(got.end(), buf, buf + n);
    if (n == 0) std::this_thread::yield();
  }
  device.join();
  for (std::uint32_t i = 0; i < Count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, got.data() + 4 * i, 4);
    ASSERT_EQ(v, i);
  }
  EXPECT_EQ(ring.readable(), 0u);
}

// A call stuck in the library (held here until released) is given up at its
// deadline and left to itself; until it returns every call is refused at once
// (none queues behind it); when it returns, what it did is undone on its own
// thread and calls go through again.
TEST(BoundedCaller, ACallThatMissesItsDeadlineIsLeftAloneAndRefusesOthersUntilItReturns) {
  BoundedCaller library;
  std::promise<void> release;
  std::atomic<bool> undone{false}, ranAfter{false};
  EXPECT_EQ(library.run([held = release.get_future().share()] { held.wait(); }, 20ms, [&] { undone = true; }),
            Outcome::Late);
  EXPECT_EQ(library.run([&] { ranAfter = true; }, 10s), Outcome::Busy);
  EXPECT_FALSE(undone);
  release.set_value();
  Outcome next = Outcome::Busy;
  while (next == Outcome::Busy) {
    std::this_thread::yield();
    next = library.run([&] { ranAfter = true; }, 10s);
  }
  EXPECT_EQ(next, Outcome::Done);
  EXPECT_TRUE(undone);
  EXPECT_TRUE(ranAfter);
}
