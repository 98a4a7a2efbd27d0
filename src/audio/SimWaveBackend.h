#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "audio/SimSoundSink.h"
#include "audio/SimSoundSource.h"
#include "audio/StreamWaveBackend.h"
#include "platform/Host.h"

namespace quorvane {

// Sound devices clocked by the host's time (virtual time under SimHost). A
// running device owes the frames between its start and the host's present;
// it produces them whenever the program looks (every call on it, and
// update(), which the device layer runs before it reads a header), so a
// header is done exactly when the real device would have filled it. Capture
// comes from a source, playback goes to a sink a test can read, and faults
// can be injected: formats refused, any call failing with a given code, a
// device that stops delivering, a device that goes away and comes back.
class SimWaveBackend : public StreamWaveBackend {
 public:
  // Starts with one input and one output device.
  explicit SimWaveBackend(const Host& host);
  ~SimWaveBackend() override;

  // --- devices ---
  // Adds a device and returns its index.
  int addDevice(WaveDirection direction, std::string name);
  // Removes every device of a direction (none left: a machine without a sound card).
  void removeDevices(WaveDirection direction);
  // Which formats a device takes; by default every 16-bit PCM format.
  void setFormatCheck(WaveDirection direction, int device, std::function<bool(const WaveFormatEx&)> accepts);
  void refuseFormats(WaveDirection direction, int device = 0);
  void setSource(int inputDevice, SimSoundSource source);
  SimSoundSink& sink(int outputDevice = 0);

  // --- faults ---
  // The next `times` calls of that kind in that direction fail with `code`;
  // times < 0: every call until clearFaults().
  void failCall(WaveDirection direction, WaveCall call, std::uint32_t code, int times = 1);
  void clearFaults();
  // The device stops delivering: time passes, nothing is captured or played,
  // no header completes. A reset brings it back unless it is stuck for good.
  void stall(WaveDirection direction, int device = 0, bool untilReset = true);
  void resume(WaveDirection direction, int device = 0);
  // The device goes away (its sound server dies, it is unplugged): its open
  // streams end on their own, and opening or starting it fails with
  // WaveNoDriver until it is restored. Streams opened before stay dead.
  // (A call that does not return within its deadline fails with WaveNoDriver
  // too: failCall(direction, call, WaveNoDriver).)
  void loseDevice(WaveDirection direction, int device = 0);
  void restoreDevice(WaveDirection direction, int device = 0);
  std::uint32_t reinitialise() override;
  int reinitialisations() const { return reinitialisations_; }

  // How often each call was made in a direction (failed ones included).
  int calls(WaveDirection direction, WaveCall call) const;

  int deviceCount(WaveDirection direction) override;
  std::string productName(WaveDirection direction, int device) override;

 protected:
  std::unique_ptr<Device> createDevice() override;
  std::uint32_t checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) override;
  std::uint32_t openStream(Device& device) override;
  std::uint32_t startStream(Device& device) override;
  void stopStream(Device& device) override;
  void closeStream(Device&) override {}
  void catchUp(Device& device) override;
  std::uint32_t beforeCall(WaveCall call, WaveDirection direction) override;

 private:
  enum class Stall { None, UntilReset, Forever };
  struct SimDevice {
    std::string name;
    std::function<bool(const WaveFormatEx&)> accepts;
    SimSoundSource source;
    SimSoundSink sink;
    Stall stall = Stall::None;
    bool lost = false;
  };
  struct Fault {
    WaveDirection direction;
    WaveCall call;
    std::uint32_t code;
    int remaining;
  };
  struct ClockedDevice;

  std::vector<SimDevice>& list(WaveDirection direction) {
    return direction == WaveDirection::Input ? inputs_ : outputs_;
  }
  std::uint64_t framesDue(const ClockedDevice& device) const;

  const Host& host_;
  std::vector<SimDevice> inputs_;
  std::vector<SimDevice> outputs_;
  std::vector<Fault> faults_;
  // Counted on every call: a plain table.
  std::array<std::array<int, 9>, 2> calls_{};
  std::vector<std::int16_t> scratch_;
  int reinitialisations_ = 0;
};

}  // namespace quorvane
