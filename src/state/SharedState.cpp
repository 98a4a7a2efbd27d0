#include "state/SharedState.h"

namespace quorvane {

SharedState::SharedState()
    // The buffers are allocated in this order and freed in the reverse one.
    : InputBufferA(new std::uint8_t[DeviceBufferSize]()),
      InputBufferB(new std::uint8_t[DeviceBufferSize]()),
      OutputBufferA(new std::uint8_t[DeviceBufferSize]()),
      OutputBufferB(new std::uint8_t[DeviceBufferSize]()),
      DisplayBitmap(std::make_unique<RasterCanvas>()),
      WorkSamples(WorkSampleCount),
      AbsSamples(WorkSampleCount) {}

SharedState::~SharedState() = default;

}  // namespace quorvane
