#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormFixture.h"
#include "audio/WaveResult.h"

using namespace quorvane;
using namespace quorvane::test;

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

// A fresh window for each case of a table.
template <class Host = SimHost>
struct Window {
  explicit Window(bool stopping) {
    form.StopRequested = stopping ? 1 : 0;
    host.onMessageBox = [this](const SimHost::Message& m) {
      seen.push_back(m.caption + ": " + m.text);
      results.push_back(form.LastDeviceResult);
    };
  }
  Host host;
  SimWaveBackend audio{host};
  TVOXForm form{host, audio};
  std::vector<std::string> seen;
  std::vector<std::uint32_t> results;  // LastDeviceResult as each box shows
};

struct FailingCall {
  void (*run)(WaveDevices&);
  WaveDirection direction;
  WaveCall call;
  const char* text;
  int code;
};

#define OP(name) [](WaveDevices& d) { d.name(); }
constexpr auto In = WaveDirection::Input;
constexpr auto Out = WaveDirection::Output;
const FailingCall Calls[] = {
    {OP(PrepareInputHeaderA), In, WaveCall::Prepare, "Error preparing the header_a", 5},
    {OP(AddInputBufferA), In, WaveCall::Queue, "Error in sending a buffer_a", 6},
    {OP(PrepareInputHeaderB), In, WaveCall::Prepare, "Error preparing the header_b", 7},
    {OP(AddInputBufferB), In, WaveCall::Queue, "Error in sending a buffer_b", 8},
    {OP(StartInputDevice), In, WaveCall::Start, "Error starting the input wave device", 9},
    {OP(GetInputPosition), In, WaveCall::Position, "Error getting the byte input position", 10},
    {OP(ResetInputDevice), In, WaveCall::Reset, "Error Resetting the input wave device", 15},
    {OP(UnprepareInputHeaderA), In, WaveCall::Unprepare, "Error unpreparing the Header a", 16},
    {OP(UnprepareInputHeaderB), In, WaveCall::Unprepare, "Error unpreparing the Header b", 17},
    {OP(CloseInputDevice), In, WaveCall::Close, "Error closing the input wave device", 0},
    {OP(PrepareOutputHeaderA), Out, WaveCall::Prepare, "Error preparing the header_a", 29},
    {OP(PrepareOutputHeaderB), Out, WaveCall::Prepare, "Error preparing the header_b", 29},
    {OP(WriteOutputBufferA), Out, WaveCall::Queue, "Error writing to the output device a", 30},
    {OP(WriteOutputBufferB), Out, WaveCall::Queue, "Error writing to the output device b", 30},
    {OP(ResetOutputDevice), Out, WaveCall::Reset, "Error Resetting the output wave device", 35},
    {OP(UnprepareOutputHeaderA), Out, WaveCall::Unprepare, "Error unpreparing the Header a", 36},
    {OP(UnprepareOutputHeaderB), Out, WaveCall::Unprepare, "Error unpreparing the Header b", 36},
    {OP(CloseOutputDevice), Out, WaveCall::Close, "Error closing the output wave device", 0},
};
#undef OP

}  // namespace

TEST(DeviceFailure, EveryCallReportsItsTextAndCodeAndEndsTheProgramUnlessStopping) {
  for (const bool stopping : {false, true}) {
    for (const FailingCall& c : Calls) {
      SCOPED_TRACE(std::string(c.text) + " (code " + std::to_string(c.code) + (stopping ? ", stopping)" : ")"));
      Window<> w(stopping);
      w.form.devices.SetupInputHeaders();
      w.form.devices.OpenInputDevice();
      w.form.devices.SetupOutputHeaders();
      w.form.devices.OpenOutputDevice();
      const WaveHandle output = w.form.devices.OutputSide.Handle;

      w.audio.failCall(c.direction, c.call, WaveNoMemory);
      c.run(w.form.devices);

      EXPECT_EQ(w.seen, std::vector<std::string>{std::string("Wave Device Message: ") + c.text});
      EXPECT_EQ(w.results, std::vector<std::uint32_t>{WaveNoMemory});
      EXPECT_EQ(w.form.devices.failureCodes(), std::vector<int>{c.code});
      // Playback failures close the playback device first.
      EXPECT_EQ(w.audio.isOpen(output), c.code < 28 || c.code > 37);
      EXPECT_EQ(w.host.terminateRequests(), stopping ? 0 : 1);
    }
  }
}

TEST(DeviceFailure, RejectedFormatsFailAsTheLoopsGoOn) {
  for (const bool stopping : {false, true}) {
    SCOPED_TRACE(stopping ? "stopping" : "running");
    // Capture: reported, the open is tried all the same and fails too.
    Window<> in(stopping);
    in.audio.refuseFormats(WaveDirection::Input);
    in.form.devices.SetupInputHeaders();
    in.form.devices.OpenInputDevice();
    EXPECT_EQ(in.seen, (std::vector<std::string>{"Wave Device Message: Could not open the input wave device",
                                                 "Wave Device Message: Error Opening Input wave device"}));
    EXPECT_EQ(in.results, (std::vector<std::uint32_t>{WaveBadFormat, WaveBadFormat}));
    EXPECT_EQ(in.audio.calls(WaveDirection::Input, WaveCall::Open), 1);
    EXPECT_EQ(in.form.devices.failureCodes(), (std::vector<int>{1, 2}));
    EXPECT_EQ(in.host.terminateRequests(), stopping ? 0 : 1);

    // Playback: reported, not opened; the first prepare fails and so does closing what never opened.
    Window<> out(stopping);
    out.audio.refuseFormats(WaveDirection::Output);
    out.form.devices.SetupOutputHeaders();
    out.form.devices.OpenOutputDevice();
    out.form.devices.RearmOutputHeaderA();
    out.form.devices.PrepareOutputHeaderA();
    EXPECT_EQ(out.seen, (std::vector<std::string>{"Wave Device Message: Could not handle the output WAVE format",
                                                  "Wave Device Message: Error preparing the header_a",
                                                  "Wave Device Message: Error closing the output wave device"}));
    EXPECT_EQ(out.audio.calls(WaveDirection::Output, WaveCall::Open), 0);
    EXPECT_EQ(out.form.devices.failureCodes(), (std::vector<int>{29, 0}));
    EXPECT_EQ(out.host.terminateRequests(), stopping ? 0 : 1);
  }
}

TEST(DeviceFailure, PlaybackOpenAndPositionFailuresAreOnlyReported) {
  Window<> w(false);
  w.audio.failCall(WaveDirection::Output, WaveCall::Open, WaveError);
  w.form.devices.SetupOutputHeaders();
  w.form.devices.OpenOutputDevice();
  EXPECT_EQ(w.form.devices.GetOutputPosition(), 0u);  // no device: a warning, then the query fails
  EXPECT_EQ(w.seen, (std::vector<std::string>{"Wave Device Message: Error Opening Output wave device",
                                              "Error Message: Null Handle",
                                              "Wave Device Message: Error getting the output byte position"}));
  EXPECT_TRUE(w.form.devices.failureCodes().empty());
  EXPECT_EQ(w.host.terminateRequests(), 0);
}

TEST(DeviceFailure, CompletesTheOutputFileBeforeTheProgramEnds) {
  TempDir dir;
  Window<FileSnoopingHost> w(false);
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
  w.audio.failCall(WaveDirection::Input, WaveCall::Start, WaveError);
  w.form.devices.StartInputDevice();

  ASSERT_EQ(w.host.terminateRequests(), 1);
  ASSERT_EQ(w.host.fileAtTerminate.size(), WavHeader::Size + sound.size());
  EXPECT_EQ(u32At(w.host.fileAtTerminate, 4), sound.size() + 36);
  EXPECT_EQ(u32At(w.host.fileAtTerminate, 40), sound.size());
  EXPECT_EQ(w.form.OutputFileOpen, 0);
}
