#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

struct FailingCall {
  const char* operation;
  WaveDirection direction;
  WaveCall call;
  std::function<void(WaveDevices&)> run;
  const char* text;
  int code;
};

const std::vector<FailingCall>& failingCalls() {
  using D = WaveDevices;
  constexpr auto In = WaveDirection::Input;
  constexpr auto Out = WaveDirection::Output;
  static const std::vector<FailingCall> calls{
      {"PrepareInputHeaderA", In, WaveCall::Prepare, &D::PrepareInputHeaderA, "Error preparing the header_a", 5},
      {"AddInputBufferA", In, WaveCall::Queue, &D::AddInputBufferA, "Error in sending a buffer_a", 6},
      {"PrepareInputHeaderB", In, WaveCall::Prepare, &D::PrepareInputHeaderB, "Error preparing the header_b", 7},
      {"AddInputBufferB", In, WaveCall::Queue, &D::AddInputBufferB, "Error in sending a buffer_b", 8},
      {"StartInputDevice", In, WaveCall::Start, &D::StartInputDevice, "Error starting the input wave device", 9},
      {"GetInputPosition", In, WaveCall::Position, &D::GetInputPosition, "Error getting the byte input position", 10},
      {"ResetInputDevice", In, WaveCall::Reset, &D::ResetInputDevice, "Error Resetting the input wave device", 15},
      {"UnprepareInputHeaderA", In, WaveCall::Unprepare, &D::UnprepareInputHeaderA, "Error unpreparing the Header a",
       16},
      {"UnprepareInputHeaderB", In, WaveCall::Unprepare, &D::UnprepareInputHeaderB, "Error unpreparing the Header b",
       17},
      {"CloseInputDevice", In, WaveCall::Close, &D::CloseInputDevice, "Error closing the input wave device", 0},
      {"PrepareOutputHeaderA", Out, WaveCall::Prepare, &D::PrepareOutputHeaderA, "Error preparing the header_a", 29},
      {"PrepareOutputHeaderB", Out, WaveCall::Prepare, &D::PrepareOutputHeaderB, "Error preparing the header_b", 29},
      {"WriteOutputBufferA", Out, WaveCall::Queue, &D::WriteOutputBufferA, "Error writing to the output device a", 30},
      {"WriteOutputBufferB", Out, WaveCall::Queue, &D::WriteOutputBufferB, "Error writing to the output device b", 30},
      {"ResetOutputDevice", Out, WaveCall::Reset, &D::ResetOutputDevice, "Error Resetting the output wave device", 35},
      {"UnprepareOutputHeaderA", Out, WaveCall::Unprepare, &D::UnprepareOutputHeaderA,
       "Error unpreparing the Header a", 36},
      {"UnprepareOutputHeaderB", Out, WaveCall::Unprepare, &D::UnprepareOutputHeaderB,
       "Error unpreparing the Header b", 36},
      {"CloseOutputDevice", Out, WaveCall::Close, &D::CloseOutputDevice, "Error closing the output wave device", 0},
  };
  return calls;
}

class DeviceFailure : public DeviceFixture {
 protected:
  DeviceFailure() {
    host.onMessageBox = [this](const SimHost::Message&) { resultAtMessage.push_back(form.LastDeviceResult); };
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages()) t.push_back(m.text);
    return t;
  }

  std::vector<std::uint32_t> resultAtMessage;
};

}  // namespace

TEST_F(DeviceFailure, EveryCallReportsItsTextAndCodeAndEndsTheProgramUnlessStopping) {
  for (const bool stopping : {false, true}) {
    for (const FailingCall& c : failingCalls()) {
      SCOPED_TRACE(std::string(c.operation) + (stopping ? " while stopping" : ""));
      SimHost h;
      SimWaveBackend a{h};
      TVOXForm f{h, a};
      std::vector<std::uint32_t> results;
      h.onMessageBox = [&](const SimHost::Message&) { results.push_back(f.LastDeviceResult); };
      f.StopRequested = stopping ? 1 : 0;
      f.devices.SetupInputHeaders();
      f.devices.OpenInputDevice();
      f.devices.SetupOutputHeaders();
      f.devices.OpenOutputDevice();
      const WaveHandle output = f.devices.OutputSide.Handle;

      a.failCall(c.direction, c.call, WaveNoMemory);
      c.run(f.devices);

      ASSERT_EQ(h.messages().size(), 1u);
      EXPECT_EQ(h.messages()[0].text, c.text);
      EXPECT_EQ(h.messages()[0].caption, "Wave Device Message");
      EXPECT_EQ(results, std::vector<std::uint32_t>{WaveNoMemory});
      EXPECT_EQ(f.devices.failureCodes(), std::vector<int>{c.code});
      // The playback failures close the playback device before anything else.
      EXPECT_EQ(a.isOpen(output), c.code < 28 || c.code > 37);
      EXPECT_EQ(h.terminateRequests(), stopping ? 0 : 1);
      EXPECT_EQ(f.StopRequested, 1);  // set by the close path when it was not set already
    }
  }
}

TEST_F(DeviceFailure, RefusedInputFormatIsReportedAndTheOpenIsStillTried) {
  audio.failCall(WaveDirection::Input, WaveCall::QueryFormat, WaveBadFormat);
  dev().SetupInputHeaders();
  dev().OpenInputDevice();
  EXPECT_EQ(texts(), std::vector<std::string>{"Could not open the input wave device"});
  EXPECT_EQ(dev().failureCodes(), std::vector<int>{1});
  EXPECT_EQ(host.terminateRequests(), 1);
  EXPECT_TRUE(audio.isOpen(dev().InputSide.Handle));
}

TEST_F(DeviceFailure, InputDeviceThatRejectsTheFormatFailsTwiceAndTerminatesOnce) {
  audio.refuseFormats(WaveDirection::Input);
  dev().SetupInputHeaders();
  dev().OpenInputDevice();
  EXPECT_EQ(texts(), (std::vector<std::string>{"Could not open the input wave device", "Error Opening Input wave device"}));
  EXPECT_EQ(resultAtMessage, (std::vector<std::uint32_t>{WaveBadFormat, WaveBadFormat}));
  EXPECT_EQ(dev().failureCodes(), (std::vector<int>{1, 2}));
  EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), 1);
  EXPECT_EQ(dev().InputSide.Handle, 0u);
  EXPECT_EQ(host.terminateRequests(), 1);
}

TEST_F(DeviceFailure, OutputDeviceThatRejectsTheFormatIsNotOpenedAndFailsAtItsFirstPrepare) {
  for (const bool stopping : {false, true}) {
    SCOPED_TRACE(stopping ? "while stopping" : "running");
    SimHost h;
    SimWaveBackend a{h};
    TVOXForm f{h, a};
    f.StopRequested = stopping ? 1 : 0;
    a.refuseFormats(WaveDirection::Output);
    f.devices.SetupOutputHeaders();
    f.devices.OpenOutputDevice();
    f.devices.RearmOutputHeaderA();
    f.devices.PrepareOutputHeaderA();

    std::vector<std::string> seen;
    for (const auto& m : h.messages()) seen.push_back(m.caption + ": " + m.text);
    EXPECT_EQ(seen, (std::vector<std::string>{"Wave Device Message: Could not handle the output WAVE format",
                                              "Wave Device Message: Error preparing the header_a",
                                              "Wave Device Message: Error closing the output wave device"}));
    EXPECT_EQ(a.calls(WaveDirection::Output, WaveCall::Open), 0);
    EXPECT_EQ(f.devices.failureCodes(), (std::vector<int>{29, 0}));
    EXPECT_EQ(h.terminateRequests(), stopping ? 0 : 1);
  }
}

TEST_F(DeviceFailure, OutputOpenAndPositionFailuresAreOnlyReported) {
  audio.failCall(WaveDirection::Output, WaveCall::Open, WaveError);
  dev().SetupOutputHeaders();
  dev().OpenOutputDevice();
  EXPECT_EQ(texts(), std::vector<std::string>{"Error Opening Output wave device"});

  // No device: a warning of its own, then the query's failure; the stored position stands.
  host.clearMessages();
  EXPECT_EQ(dev().GetOutputPosition(), 0u);
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].text, "Null Handle");
  EXPECT_EQ(host.messages()[0].caption, "Error Message");
  EXPECT_EQ(host.messages()[1].text, "Error getting the output byte position");
  EXPECT_EQ(host.messages()[1].caption, "Wave Device Message");
  EXPECT_TRUE(dev().failureCodes().empty());
  EXPECT_EQ(host.terminateRequests(), 0);
}

TEST_F(DeviceFailure, FailedPositionQueryReturnsTheLastGoodPosition) {
  startCapture();
  host.sleepMs(50);
  const std::uint32_t before = dev().GetInputPosition();
  EXPECT_EQ(before, 2 * frameAt(0, 50));
  host.sleepMs(30);
  audio.failCall(WaveDirection::Input, WaveCall::Position, WaveError);
  form.StopRequested = 1;
  EXPECT_EQ(dev().GetInputPosition(), before);
  EXPECT_EQ(texts(), std::vector<std::string>{"Error getting the byte input position"});
  EXPECT_GT(dev().GetInputPosition(), before);
}

namespace {

// Looks at the output WAV file at the moment termination is requested.
class FileSnoopingHost : public SimHost {
 public:
  std::string path;
  std::vector<std::uint8_t> fileAtTerminate;
  void requestTerminate() override {
    fileAtTerminate = readAll(path);
    SimHost::requestTerminate();
  }
};

}  // namespace

TEST(DeviceFailureWithRecording, CompletesTheOutputFileBeforeTheProgramEnds) {
  TempDir dir;
  FileSnoopingHost host;
  host.path = dir.file("traffic.wav");
  SimWaveBackend audio{host};
  TVOXForm form{host, audio};
  form.FormCreate();
  form.FormShow();

  auto file = host.openFile(host.path, FileMode::CreateBinary);
  ASSERT_TRUE(file);
  const auto header = WavHeader::build(form.WaveFormat);
  const std::vector<std::uint8_t> sound(3 * 2048, 0x5A);
  ASSERT_EQ(file->write(header.data(), header.size()), header.size());
  ASSERT_EQ(file->write(sound.data(), sound.size()), sound.size());
  form.OutputFile = std::move(file);
  form.OutputFileOpen = 1;
  form.OutputDataBytes = static_cast<std::uint32_t>(sound.size());
  form.StopRequested = 0;

  form.devices.SetupInputHeaders();
  form.devices.OpenInputDevice();
  audio.failCall(WaveDirection::Input, WaveCall::Start, WaveError);
  form.devices.StartInputDevice();

  ASSERT_EQ(host.terminateRequests(), 1);
  const auto& bytes = host.fileAtTerminate;
  ASSERT_EQ(bytes.size(), WavHeader::Size + sound.size());
  EXPECT_EQ(u32At(bytes, 4), sound.size() + 36);
  EXPECT_EQ(u32At(bytes, 40), sound.size());
  EXPECT_EQ(form.OutputFileOpen, 0);
}
