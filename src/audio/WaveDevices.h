#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/WaveBackend.h"
#include "audio/WaveDeviceSide.h"
#include "platform/Component.h"
#include "state/FormContext.h"

namespace quorvane {

// The sound device layer: one capture and one playback device, each with two
// fixed buffers A and B used alternately, worked by small argument-less
// operations that the record, play and file-transfer loops call in a fixed
// order. Completion is found by polling a header's done flag every 10 ms
// while the window's events are processed; a 200 ms watchdog restarts a
// device that stopped delivering. Every failing call is reported in a
// message box, and most then end the application unless a stop is already
// under way (DeviceFailure); but a device that goes away during a recording
// (its sound server died, it was unplugged) is waited for instead
// (DeviceLost, AwaitLostDevices). Each operation stores its call's result in
// LastDeviceResult. Sound the devices could not keep is shown as a warning in
// the second status line.
class WaveDevices {
 public:
  WaveDevices(FormContext c, WaveBackend& backend);
  ~WaveDevices();
  WaveDevices(const WaveDevices&) = delete;
  WaveDevices& operator=(const WaveDevices&) = delete;

  // While this dialog is visible the waits ignore the watchdog: the user may
  // be choosing a sound card while a recording runs.
  void setSoundCardDialog(const Component* dialog) { soundCardDialog_ = dialog; }
  // How DeviceFailure ends the application: the main window's close path,
  // which completes the open WAV files first. Without it only termination
  // is requested.
  std::function<void()> endApplication;

  // --- capture ---
  void SetupInputHeaders();
  void OpenInputDevice();
  void RearmInputHeaderA() { InputSide.arm(BufferLetter::A, c_.s.InputBufferBytes); }
  void RearmInputHeaderB() { InputSide.arm(BufferLetter::B, c_.s.InputBufferBytes); }
  void PrepareInputHeaderA() { prepare(InputSide, BufferLetter::A); }
  void PrepareInputHeaderB() { prepare(InputSide, BufferLetter::B); }
  void AddInputBufferA() { queue(InputSide, BufferLetter::A); }
  void AddInputBufferB() { queue(InputSide, BufferLetter::B); }
  void StartInputDevice();
  std::uint32_t GetInputPosition() { return position(InputSide); }
  std::uint32_t WaitInputBufferA() { return wait(InputSide, BufferLetter::A); }
  std::uint32_t WaitInputBufferB() { return wait(InputSide, BufferLetter::B); }
  void ResetInputDevice() { reset(InputSide); }
  void UnprepareInputHeaderA() { unprepare(InputSide, BufferLetter::A); }
  void UnprepareInputHeaderB() { unprepare(InputSide, BufferLetter::B); }
  void CloseInputDevice() { close(InputSide); }
  // True when the input device cannot take the format SetupInputHeaders built.
  bool QueryInputFormat() { return QueryInputFormat(InputSide.DeviceFormat); }
  // The same test for any format, leaving the headers alone.
  bool QueryInputFormat(const WaveFormatEx& format);

  // --- playback ---
  void SetupOutputHeaders();
  void OpenOutputDevice();
  void RearmOutputHeaderA() { OutputSide.arm(BufferLetter::A, c_.s.OutputBufferBytes); }
  void RearmOutputHeaderB() { OutputSide.arm(BufferLetter::B, c_.s.OutputBufferBytes); }
  void PrepareOutputHeaderA() { prepare(OutputSide, BufferLetter::A); }
  void PrepareOutputHeaderB() { prepare(OutputSide, BufferLetter::B); }
  void WriteOutputBufferA() { queue(OutputSide, BufferLetter::A); }
  void WriteOutputBufferB() { queue(OutputSide, BufferLetter::B); }
  std::uint32_t GetOutputPosition() { return position(OutputSide); }
  std::uint32_t WaitOutputBufferA() { return wait(OutputSide, BufferLetter::A); }
  std::uint32_t WaitOutputBufferB() { return wait(OutputSide, BufferLetter::B); }
  void ResetOutputDevice() { reset(OutputSide); }
  void UnprepareOutputHeaderA() { unprepare(OutputSide, BufferLetter::A); }
  void UnprepareOutputHeaderB() { unprepare(OutputSide, BufferLetter::B); }
  void CloseOutputDevice() { close(OutputSide); }
  // True when the output device cannot take the format SetupOutputHeaders built.
  bool QueryOutputFormat() { return QueryOutputFormat(OutputSide.DeviceFormat); }
  bool QueryOutputFormat(const WaveFormatEx& format);

  // The common reaction to a failed device call, after its message: codes
  // 28 to 37 (playback failures) close the playback device first; then the
  // application ends unless a stop is under way.
  void DeviceFailure(int code);
  // The watchdog's timer: fires once per arming and marks the device as stalled.
  void TimeoutTimerTimer();

  // Set when a call finds its device or the sound system gone (WaveNoDriver,
  // also a call that did not answer in time) during a sound-card recording:
  // not reported, and the record loop waits for the device to come back.
  bool DeviceLost = false;
  // Releases the devices and says "Waiting for the sound device..." in the
  // status line; every RetryMs starts the sound system afresh and, if the
  // same devices (by name) are there again, runs `reopen` without reports.
  // The window's events are processed throughout. True once the devices are
  // open again, false when a stop came first.
  bool AwaitLostDevices(const std::function<void()>& reopen);
  static constexpr int RetryMs = 2000;
  // A device that has delivered nothing for this long has stopped; the
  // watchdog's 200 ms only say that a buffer is overdue.
  static constexpr int SilentMs = 1000;
  // The longest sleep on a device that wakes the program itself.
  static constexpr int WakeMs = 250;

  // Stops and closes whatever is still open, without messages: the buffers
  // are about to be freed.
  void ReleaseDevices();

  WaveBackend& backend() { return backend_; }
  // The codes DeviceFailure was called with, oldest first (the last few only).
  const std::vector<int>& failureCodes() const { return failureCodes_; }

  WaveDeviceSide InputSide;
  WaveDeviceSide OutputSide;

 private:
  void setupHeaders(WaveDeviceSide& side, const WaveFormatEx& format, std::uint8_t* a, std::uint8_t* b,
                    std::uint32_t bytes);
  void prepare(WaveDeviceSide& side, BufferLetter letter);
  void queue(WaveDeviceSide& side, BufferLetter letter);
  std::uint32_t position(WaveDeviceSide& side);
  std::uint32_t wait(WaveDeviceSide& side, BufferLetter letter);
  void reset(WaveDeviceSide& side);
  void unprepare(WaveDeviceSide& side, BufferLetter letter);
  void close(WaveDeviceSide& side);
  std::uint32_t poll(WaveDeviceSide& side, BufferLetter letter);
  void forgetHandle(WaveDeviceSide& side);
  // The device of that name, or any device at `id` when the name is not known.
  bool findDevice(WaveDirection direction, const std::string& name, std::int32_t& id);
  void showSoundLoss();
  // Stores the result; on failure shows the report and passes its code on.
  bool check(std::uint32_t result, const WaveFailure& failure);

  FormContext c_;
  WaveBackend& backend_;
  const Component* soundCardDialog_ = nullptr;
  std::vector<int> failureCodes_;
  bool quiet_ = false;        // failures only mark the device lost
  bool inputWaited_ = false;  // the last wait was for capture: an output wait next is its monitor
  SoundLoss shownLoss_;
};

}  // namespace quorvane
