#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <numeric>
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

namespace {

constexpr auto In = WaveDirection::Input;
constexpr auto Out = WaveDirection::Output;
// Every captured sample tells the frame it was captured at.
std::int16_t frameMark(std::uint64_t frame) { return static_cast<std::int16_t>(frame & 0x7FFF); }
// The frame a device opened at virtual time 0 is at when the clock shows ms.
std::uint64_t frameAt(std::int64_t ms) { return static_cast<std::uint64_t>(ms) * 11025 / 1000; }
struct WakeFd {
  int fd = ::eventfd(0, EFD_NONBLOCK);
  ~WakeFd() { ::close(fd); }
  // How many wake-ups came since the last look.
  std::uint64_t count() {
    std::uint64_t n = 0;
    return ::read(fd, &n, sizeof n) == sizeof n ? n : 0;
  }
};

// A main window on simulated sound devices, with the device operations as the capture loops call them.
class Device : public FormFixture {
 protected:
  Device() {
    form.StopRequested = 0;  // as a loop leaves it when it starts
    audio.setSource(0, SimSoundSource::generator([](std::uint64_t f, unsigned) { return frameMark(f); }));
  }
  WaveDevices& dev() { return form.devices; }

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
  // Waits for a buffer, the watchdog armed, and unprepares it; its samples go to `captured`.
  std::uint32_t waitInput(bool a) {
    armWatchdog();
    const std::uint32_t bytes = a ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
    a ? dev().UnprepareInputHeaderA() : dev().UnprepareInputHeaderB();
    const std::uint8_t* b = (a ? form.InputBufferA : form.InputBufferB).get();
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) captured.push_back(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)));
    return bytes;
  }
  // One pass of the loop: the other buffer queued, then this one waited for.
  std::uint32_t pass(bool a) {
    queueInput(!a);
    return waitInput(a);
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
using DeviceWake = Device;
// The waits, with A and B queued: buffer A fills in 92.9 ms.
struct DeviceWait : Device {
  DeviceWait() {
    startCapture();
    queueInput(false);
  }
};
using SoundCardSelect = DeviceWait;

enum LeftOpen { Both, CaptureOnly, PlaybackOnly };
using D = WaveDevices;
// A failing QueryFormat stands for a device that refuses the format.
struct FailingCall {
  std::vector<std::function<void(WaveDevices&)>> run;
  WaveDirection direction;
  WaveCall call;
  std::vector<std::string> texts;  // "caption: text" unless the caption is "Wave Device Message"
  std::vector<int> codes;          // none: the program goes on
  LeftOpen open;
};
const FailingCall Calls[] = {
    // A refused capture format is reported and the open is tried all the same;
    // a refused playback device is not opened, and its first prepare fails.
    {{&D::OpenInputDevice}, In, WaveCall::QueryFormat,
     {"Could not open the input wave device", "Error Opening Input wave device"}, {1, 2}, PlaybackOnly},
    {{&D::OpenOutputDevice, &D::PrepareOutputHeaderA}, Out, WaveCall::QueryFormat,
     {"Could not handle the output WAVE format", "Error preparing the header_a", "Error closing the output wave device"},
     {29, 0}, CaptureOnly},
    // A playback device that did not open, and asking its position, are only reported.
    {{&D::OpenOutputDevice, &D::GetOutputPosition}, Out, WaveCall::Open,
     {"Error Opening Output wave device", "Error Message: Null Handle", "Error getting the output byte position"},
     {}, CaptureOnly},
    {{&D::PrepareInputHeaderA}, In, WaveCall::Prepare, {"Error preparing the header_a"}, {5}, Both},
    {{&D::AddInputBufferA}, In, WaveCall::Queue, {"Error in sending a buffer_a"}, {6}, Both},
    {{&D::PrepareInputHeaderB}, In, WaveCall::Prepare, {"Error preparing the header_b"}, {7}, Both},
    {{&D::AddInputBufferB}, In, WaveCall::Queue, {"Error in sending a buffer_b"}, {8}, Both},
    {{&D::StartInputDevice}, In, WaveCall::Start, {"Error starting the input wave device"}, {9}, Both},
    {{&D::GetInputPosition}, In, WaveCall::Position, {"Error getting the byte input position"}, {10}, Both},
    {{&D::ResetInputDevice}, In, WaveCall::Reset, {"Error Resetting the input wave device"}, {15}, Both},
    {{&D::UnprepareInputHeaderA}, In, WaveCall::Unprepare, {"Error unpreparing the Header a"}, {16}, Both},
    {{&D::UnprepareInputHeaderB}, In, WaveCall::Unprepare, {"Error unpreparing the Header b"}, {17}, Both},
    {{&D::CloseInputDevice}, In, WaveCall::Close, {"Error closing the input wave device"}, {0}, Both},
    // Playback failures close the playback device first.
    {{&D::PrepareOutputHeaderA}, Out, WaveCall::Prepare, {"Error preparing the header_a"}, {29}, CaptureOnly},
    {{&D::PrepareOutputHeaderB}, Out, WaveCall::Prepare, {"Error preparing the header_b"}, {29}, CaptureOnly},
    {{&D::WriteOutputBufferA}, Out, WaveCall::Queue, {"Error writing to the output device a"}, {30}, CaptureOnly},
    {{&D::WriteOutputBufferB}, Out, WaveCall::Queue, {"Error writing to the output device b"}, {30}, CaptureOnly},
    {{&D::ResetOutputDevice}, Out, WaveCall::Reset, {"Error Resetting the output wave device"}, {35}, CaptureOnly},
    {{&D::UnprepareOutputHeaderA}, Out, WaveCall::Unprepare, {"Error unpreparing the Header a"}, {36}, CaptureOnly},
    {{&D::UnprepareOutputHeaderB}, Out, WaveCall::Unprepare, {"Error unpreparing the Header b"}, {36}, CaptureOnly},
    {{&D::CloseOutputDevice}, Out, WaveCall::Close, {"Error closing the output wave device"}, {0}, Both},
};
// Names each case in test lists by the first text it must show.
void PrintTo(const FailingCall& c, std::ostream* os) { *os << '"' << c.texts[0] << '"'; }
struct DeviceFailure : Device, ::testing::WithParamInterface<std::tuple<bool, FailingCall>> {};

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
    ASSERT_EQ(captured.size(), 58u * 1024);
    const std::size_t kept = busyMs < 4000 ? captured.size() : late + 4 * 11025;
    for (std::size_t i = 0; i < kept; ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
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

// A reset drops what waited in the ring: the restarted capture begins with the sound of the moment of the reset.
TEST_F(DoubleBuffer, AResetDropsTheSoundThatWaitedInTheRing) {
  startCapture();
  queueInput(false);
  host.sleepMs(1000);  // a second of sound: two buffers' worth reach A and B, the rest waits in the ring
  dev().ResetInputDevice();
  const std::int16_t atReset = frameMark(frameAt(host.nowMs()));
  waitInput(true);
  waitInput(false);
  captured.clear();
  queueInput(true);
  dev().StartInputDevice();
  waitInput(true);
  ASSERT_FALSE(captured.empty());
  EXPECT_EQ(captured[0], atReset);
}

// A wait ends within one poll of Stop, with what came in. A device is taken
// to have stopped once the watchdog has fired and it has delivered nothing for
// a second (a late one keeps its sound); it is then reset and restarted.
TEST_F(DeviceWait, EndsOnStopAndOutlastsAStalledDeviceByRestartingIt) {
  armWatchdog();
  host.at(55, [this] { form.StopRequested = 1; });
  EXPECT_EQ(dev().WaitInputBufferA(), 2 * frameAt(60));
  EXPECT_EQ(std::pair(host.nowMs(), dev().InputSide.HeaderA.done()), std::pair(std::int64_t{60}, false));

  form.StopRequested = 0;
  audio.stall(In);
  // Half a buffer had come in when the capture device stopped; the reset returns it.
  EXPECT_EQ(waitInput(true), 2 * frameAt(60));
  EXPECT_EQ(host.nowMs(), 60 + WaveDevices::SilentMs);
  EXPECT_EQ(std::pair(audio.calls(In, WaveCall::Reset), audio.calls(In, WaveCall::Start)), std::pair(1, 2));
  EXPECT_FALSE(form.TimeoutTimer.enabled());  // one shot per arming

  // The loop goes on: B came back empty, and the restarted device fills A again.
  EXPECT_EQ(pass(false), 0u);
  captured.clear();
  EXPECT_EQ(pass(true), 2048u);
  EXPECT_EQ(host.nowMs(), 160 + WaveDevices::SilentMs);
  for (std::size_t i = 1; i < captured.size(); ++i)  // sound, unbroken, not the reset's silence
    ASSERT_EQ(captured[i], frameMark(static_cast<std::uint16_t>(captured[0]) + i)) << i;

  // Playback: even a failed restart goes unreported and leaves no result.
  for (auto call : {&D::SetupOutputHeaders, &D::OpenOutputDevice, &D::PrepareOutputHeaderA, &D::PrepareOutputHeaderB,
                    &D::WriteOutputBufferA, &D::WriteOutputBufferB})
    (dev().*call)();
  audio.stall(Out);
  audio.failCall(Out, WaveCall::Start, WaveError);
  form.LastDeviceResult = 12345;
  armWatchdog();
  dev().WaitOutputBufferA();
  EXPECT_EQ(host.nowMs(), 160 + 2 * WaveDevices::SilentMs);
  EXPECT_EQ(std::pair(audio.calls(Out, WaveCall::Reset), audio.calls(Out, WaveCall::Start)), std::pair(1, 1));
  EXPECT_TRUE(dev().OutputSide.HeaderB.done());
  EXPECT_EQ(form.LastDeviceResult, 12345u);
  EXPECT_TRUE(host.messages().empty());
}

// The device's thread wakes the program once per request, when it has what was
// asked for, and when its stream ends on its own. The program asks for what the
// header it waits on still lacks, counted from what has left the ring whatever it
// took out between two requests; sound already there wakes it at once.
TEST_F(DeviceWake, OnceWhenTheWaitedBufferHasWhatItLacked) {
  WakeFd w;
  DeviceFeed feed(4000, 4);
  feed.wakeFd = w.fd;
  std::vector<std::uint8_t> chunk(800);
  feed.wakeAt = 1000;
  feed.capture(chunk.data(), 800);
  EXPECT_EQ(w.count(), 0u);         // 800 of 1000
  feed.capture(chunk.data(), 200);  // just there
  EXPECT_EQ(w.count(), 1u);
  EXPECT_EQ(feed.wakeAt.load(), 0u);
  feed.wakeAt = 300;  // playback: by the bytes played
  feed.play(chunk.data(), 200);
  EXPECT_EQ(w.count(), 0u);
  feed.play(chunk.data(), 100);
  EXPECT_EQ(w.count(), 1u);
  feed.finished();
  EXPECT_EQ(w.count(), 1u);

  audio.setWakeFd(w.fd);
  audio.setSource(0, SimSoundSource::silence());  // what is captured does not matter here
  startCapture();  // buffer A: 2048 bytes, at 22050 bytes a second
  host.sleepMs(40);
  audio.update();
  EXPECT_EQ(dev().InputSide.HeaderA.recorded(), 882u);
  ASSERT_TRUE(audio.armWake(dev().InputSide.Handle));  // for 1166 bytes more
  host.sleepMs(30);
  audio.update();  // as a handler run during the wait may
  EXPECT_EQ(w.count(), 0u);
  host.sleepMs(30);
  audio.update();
  EXPECT_EQ(w.count(), 1u);
  queueInput(true);
  host.sleepMs(100);  // a whole buffer already in the ring
  ASSERT_TRUE(audio.armWake(dev().InputSide.Handle));
  EXPECT_EQ(w.count(), 1u);
}

// A monitor muted during a recording starts again when Mute is unticked.
TEST_F(DeviceWake, UnmutingDuringARecordingBringsTheMonitorBack) {
  startUp();
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  host.queueFileChoice(dir.file("monitored.wav"));
  std::size_t atUnmute = 0;
  host.after(1000, [this] { form.MuteCheckBox.click(); });
  host.after(2000, [&] {
    atUnmute = audio.sink().samples().size();
    form.MuteCheckBox.click();
  });
  host.after(3000, [this] { form.StopBtn.click(); });
  form.RecordBtn.click();
  EXPECT_GT(audio.sink().samples().size(), atUnmute + 8000);
}

// The sound card dialog, over two capture and two playback devices, on each side
// while a recording runs: browsing stops at the last device and chooses nothing;
// a refused choice restores the starting device, a compatible one (even past the
// last) clears the message. The format is tested apart from the running device's
// headers, which stay as they are; a stalled device is waited out meanwhile.
TEST_F(SoundCardSelect, BrowsesItsSideAndARefusalRestoresTheStartingDeviceAndHoldsOffTheWatchdog) {
  audio.addDevice(In, "Line In");
  audio.addDevice(Out, "Headphones");
  TSoundCardSelect& dialog = form.SoundCardSelect;
  // The device shown (in blue until chosen), its place and the message, then the devices chosen.
  auto shown = [&] {
    return (dialog.Visible() ? "" : "hidden ") + dialog.Window.caption() + ": " + dialog.SoundCardManf.text() +
           (dialog.SoundCardManf.fontColour() == clBlue ? " (blue) at " : " at ") +
           std::to_string(dialog.WaveUpDown.position()) + " '" + dialog.MessageLabel.text() + "', chosen " +
           std::to_string(form.InputDeviceId) + "/" + std::to_string(form.OutputDeviceId);
  };
  const WaveFormatEx running = dev().InputSide.DeviceFormat;
  form.WaveFormat = WaveFormatEx{2, 44100, 176400, 4, 16};
  form.InputBufferBytes = 16384;
  for (const bool output : {false, true}) {
    SCOPED_TRACE(output ? "output" : "input");
    const std::string caption = output ? "Output Sound Device: " : "Input Sound Device: ";
    const std::string first = caption + (output ? "Simulated Output" : "Simulated Input");
    const std::string added = caption + (output ? "Headphones" : "Line In");
    const std::string was = output ? "1/0" : "0/0";
    (output ? form.SelectOutputSoundDevice1 : form.SelectInputSoundDevice1).click();
    EXPECT_EQ(shown(), first + " (blue) at 0 '', chosen " + was);
    if (!output) {
      audio.stall(In);
      host.at(1700, [this] { audio.resume(In); });  // longer than a device may stay silent
      EXPECT_EQ(waitInput(true), 2048u);
      EXPECT_EQ(host.nowMs(), 1800);      // 1700 ms + 92.9 ms, at the next poll
      EXPECT_EQ(form.DeviceTimedOut, 1);  // the watchdog fired and was not acted on
      EXPECT_EQ(audio.calls(In, WaveCall::Reset), 0);
    }
    for (int i = 0; i < 2; ++i) dialog.WaveUpDown.click(UpDownModel::Button::Up);
    EXPECT_EQ(shown(), added + " (blue) at 1 '', chosen " + was);

    audio.refuseFormats(output ? Out : In, 1);
    dialog.SelectBtn.click();
    EXPECT_EQ(shown(), first + " at 0 'Sound " + (output ? "output" : "input") + " device not compatible', chosen " + was);
    EXPECT_EQ(form.LastDeviceResult, WaveBadFormat);

    // The other side's menu item while the dialog is visible keeps editing this side.
    (output ? form.SelectInputSoundDevice1 : form.SelectOutputSoundDevice1).click();
    audio.setFormatCheck(output ? Out : In, 1, nullptr);
    dialog.WaveUpDown.setPosition(7);
    dialog.SelectBtn.click();
    EXPECT_EQ(shown(), added + " at 1 '', chosen 1/" + (output ? "1" : "0"));
    dialog.FormClose();
  }
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dev().InputSide.DeviceFormat, running);
  EXPECT_EQ(std::pair(dev().InputSide.HeaderB.bufferLength, dev().InputSide.HeaderB.inQueue()), std::pair(2048u, true));
}

// A failure ends the program through the window's close path, which completes
// the output file first: before the program ends, its header counts all the
// sound it holds.
TEST_P(DeviceFailure, EveryCallReportsItsTextAndCodeAndEndsTheProgramUnlessStopping) {
  const auto& [stopping, c] = GetParam();
  std::vector<std::string> seen;
  std::vector<std::uint32_t> results;  // LastDeviceResult as each box shows
  host.onMessageBox = [&](const SimHost::Message& m) {
    seen.push_back(m.caption == "Wave Device Message" ? m.text : m.caption + ": " + m.text);
    results.push_back(form.LastDeviceResult);
  };
  const std::string path = dir.file("traffic.wav");
  openOutput(path);
  appendBuffer(3 * 2048);
  std::vector<std::uint8_t> file;  // as the close path leaves it: the program ends once the handler returns
  form.devices.endApplication = [&, end = form.devices.endApplication] {
    end();
    file = readAll(path);
  };
  form.StopRequested = stopping ? 1 : 0;
  for (auto call : {&D::SetupInputHeaders, &D::OpenInputDevice, &D::SetupOutputHeaders, &D::OpenOutputDevice})
    (dev().*call)();
  const bool refused = c.call == WaveCall::QueryFormat;
  refused ? audio.refuseFormats(c.direction) : audio.failCall(c.direction, c.call, WaveNoMemory);
  for (const auto& call : c.run) call(dev());

  ASSERT_EQ(seen, c.texts);  // so a box came up, and its result was kept
  EXPECT_EQ(results.front(), refused ? WaveBadFormat : WaveNoMemory);
  EXPECT_EQ(dev().failureCodes(), c.codes);
  EXPECT_EQ(audio.isOpen(dev().InputSide.Handle), c.open != PlaybackOnly);
  EXPECT_EQ(audio.isOpen(dev().OutputSide.Handle), c.open != CaptureOnly);
  const bool ends = !stopping && !c.codes.empty();
  EXPECT_EQ(std::pair(host.terminateRequests(), int{form.OutputFileOpen}), std::pair(ends ? 1 : 0, ends ? 0 : 1));
  ASSERT_EQ(file.size(), ends ? WavHeader::Size + 3 * 2048 : 0);
  if (!ends) return;
  EXPECT_EQ(std::pair(u32At(file, 4), u32At(file, 40)), std::pair(3 * 2048 + 36u, 3 * 2048u));
}
INSTANTIATE_TEST_SUITE_P(RunningOrStopping, DeviceFailure,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Calls)));

// The device's side on its own thread, as under PortAudio: whatever the
// scheduling and however the chunks fall across the ring's end, the reader
// gets every byte once and in order.
TEST(SoundRing, WriterAndReaderThreadsPassEveryByteOnceAndInOrder) {
  SoundRing ring(1000);  // no multiple of the chunks
  std::vector<std::uint32_t> sent(200000), got(sent.size());
  std::iota(sent.begin(), sent.end(), 0u);
  const std::size_t bytes = sent.size() * 4;
  std::thread device([&] {
    const auto* from = reinterpret_cast<const std::uint8_t*>(sent.data());
    for (std::size_t at = 0, n = 0; at < bytes; at += n) {
      n = ring.write(from + at, std::min<std::size_t>(96, bytes - at));
      if (n == 0) std::this_thread::yield();
    }
  });
  auto* to = reinterpret_cast<std::uint8_t*>(got.data());
  for (std::size_t at = 0, n = 0; at < bytes; at += n) {
    n = ring.read(to + at, std::min<std::size_t>(60, bytes - at));
    if (n == 0) std::this_thread::yield();
  }
  device.join();
  EXPECT_EQ(got, sent);
  EXPECT_EQ(ring.readable(), 0u);
}

// A call stuck in the library (held here until released) is given up at its
// deadline and left to itself; until it returns every call is refused at once
// (none queues behind it); when it returns, what it did is undone on its own
// thread and calls go through again.
TEST(BoundedCaller, ACallThatMissesItsDeadlineIsLeftAloneAndRefusesOthersUntilItReturns) {
  BoundedCaller library;
  std::promise<void> release;
  std::atomic<bool> undone{false};
  EXPECT_EQ(library.run([held = release.get_future().share()] { held.wait(); }, 20ms, [&] { undone = true; }),
            BoundedCaller::Outcome::Late);
  EXPECT_EQ(library.run([] {}, 10s), BoundedCaller::Outcome::Busy);
  EXPECT_FALSE(undone);
  release.set_value();
  auto next = BoundedCaller::Outcome::Busy;
  while ((next = library.run([] {}, 10s)) == BoundedCaller::Outcome::Busy) std::this_thread::yield();
  EXPECT_EQ(next, BoundedCaller::Outcome::Done);
  EXPECT_TRUE(undone);
}
