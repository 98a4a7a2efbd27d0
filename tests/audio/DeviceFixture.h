#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FormFixture.h"
#include "audio/WaveResult.h"

namespace quorvane::test {

// A main window with simulated sound devices and the device operations in
// the order the capture and playback loops call them.
class DeviceFixture : public FormFixture {
 protected:
  DeviceFixture() {
    // A loop clears the flag when it starts; tests of a stop under way set it.
    form.StopRequested = 0;
  }

  WaveDevices& dev() { return form.devices; }

  // Capture: buffer A queued and the device started.
  void startCapture() {
    dev().SetupInputHeaders();
    dev().OpenInputDevice();
    dev().RearmInputHeaderA();
    dev().PrepareInputHeaderA();
    dev().AddInputBufferA();
    dev().StartInputDevice();
  }
  void queueInput(BufferLetter letter) {
    if (letter == BufferLetter::A) {
      dev().RearmInputHeaderA();
      dev().PrepareInputHeaderA();
      dev().AddInputBufferA();
    } else {
      dev().RearmInputHeaderB();
      dev().PrepareInputHeaderB();
      dev().AddInputBufferB();
    }
  }
  std::uint32_t waitInput(BufferLetter letter) {
    const std::uint32_t bytes = letter == BufferLetter::A ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
    if (letter == BufferLetter::A)
      dev().UnprepareInputHeaderA();
    else
      dev().UnprepareInputHeaderB();
    return bytes;
  }
  std::vector<std::int16_t> inputSamples(BufferLetter letter, std::uint32_t bytes) {
    const std::uint8_t* b = (letter == BufferLetter::A ? form.InputBufferA : form.InputBufferB).get();
    std::vector<std::int16_t> out(bytes / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<std::int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return out;
  }

  // Playback: the device opened, nothing written yet.
  void openPlayback() {
    dev().SetupOutputHeaders();
    dev().OpenOutputDevice();
  }
  void writeOutput(BufferLetter letter) {
    if (letter == BufferLetter::A) {
      dev().RearmOutputHeaderA();
      dev().PrepareOutputHeaderA();
      dev().WriteOutputBufferA();
    } else {
      dev().RearmOutputHeaderB();
      dev().PrepareOutputHeaderB();
      dev().WriteOutputBufferB();
    }
  }

  // The watchdog as the loops arm it before each wait (they disarm it after
  // every wait, so each arming counts the full 200 ms).
  void armWatchdog() {
    form.DeviceTimedOut = 0;
    form.TimeoutTimer.setEnabled(false);
    form.TimeoutTimer.setEnabled(true);
  }

  // The frame a device opened at openedMs plays or captures at atMs.
  static std::uint64_t frameAt(std::int64_t openedMs, std::int64_t atMs, std::uint32_t rate = 11025) {
    return static_cast<std::uint64_t>(atMs - openedMs) * rate / 1000;
  }
};

}  // namespace quorvane::test
