#pragma once

#include <cstdint>

#include "audio/WaveBackend.h"
#include "audio/WaveBufferHeader.h"
#include "files/WaveFormatEx.h"

namespace quorvane {

enum class BufferLetter { A = 0, B = 1 };

// How one failing call is reported: the text of its message box and the code
// handed to DeviceFailure (negative: the failure does not go there).
struct WaveFailure {
  const char* text;
  int code;
};

// The state of one side of the sound device layer, capture or playback: the
// format handed to the device, the two headers with the buffer addresses
// they were set up with, the open handle and the last byte position read.
class WaveDeviceSide {
 public:
  // The reports of the calls that differ between the sides; A first, then B.
  struct Reports {
    WaveFailure prepare[2];
    WaveFailure queue[2];
    WaveFailure start;
    WaveFailure position;
    WaveFailure reset;
    WaveFailure unprepare[2];
    WaveFailure close;
  };

  WaveDeviceSide(WaveDirection direction, const Reports& reports) : direction(direction), reports(reports) {}
  WaveDeviceSide(const WaveDeviceSide&) = delete;
  WaveDeviceSide& operator=(const WaveDeviceSide&) = delete;

  WaveBufferHeader& header(BufferLetter letter) { return letter == BufferLetter::A ? HeaderA : HeaderB; }

  // Points a header at its own buffer with the given length, flags and loops
  // cleared. A header the device still holds is left alone: the device may be
  // writing or reading it on its own thread at this moment.
  void arm(BufferLetter letter, std::uint32_t bytes);

  const WaveDirection direction;
  const Reports& reports;

  WaveFormatEx DeviceFormat;
  WaveBufferHeader HeaderA;
  WaveBufferHeader HeaderB;
  std::uint8_t* RecordedBuffer[2] = {nullptr, nullptr};
  WaveHandle Handle = 0;
  std::uint32_t StoredPosition = 0;
};

}  // namespace quorvane
