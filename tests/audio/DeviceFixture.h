#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FormFixture.h"
#include "audio/WaveResult.h"

namespace quorvane::test {

// A main window with simulated sound devices, and the device operations in
// the order the capture and playback loops call them.
class DeviceFixture : public FormFixture {
 protected:
  DeviceFixture() { form.StopRequested = 0; }  // as a loop leaves it when it starts

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
  // Waits for a buffer and unprepares it; its samples are then in `got`.
  std::uint32_t waitInput(bool a, std::vector<std::int16_t>* got = nullptr) {
    const std::uint32_t bytes = a ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
    a ? dev().UnprepareInputHeaderA() : dev().UnprepareInputHeaderB();
    const std::uint8_t* b = (a ? form.InputBufferA : form.InputBufferB).get();
    for (std::uint32_t i = 0; got && i + 1 < bytes; i += 2)
      got->push_back(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)));
    return bytes;
  }
  // Playback: fills the buffer with `fill` (if any) and writes it.
  void writeOutput(bool a, const std::vector<std::int16_t>* fill = nullptr) {
    std::uint8_t* b = (a ? form.OutputBufferA : form.OutputBufferB).get();
    for (std::size_t i = 0; fill && i < fill->size(); ++i) {
      b[2 * i] = static_cast<std::uint8_t>((*fill)[i] & 0xFF);
      b[2 * i + 1] = static_cast<std::uint8_t>(((*fill)[i] >> 8) & 0xFF);
    }
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
  // The frame a device opened at virtual time 0 is at when the clock shows ms.
  static std::uint64_t frameAt(std::int64_t ms) { return static_cast<std::uint64_t>(ms) * 11025 / 1000; }
};

}  // namespace quorvane::test
