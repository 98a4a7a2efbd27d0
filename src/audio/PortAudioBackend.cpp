#include "audio/PortAudioBackend.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <cstdlib>

#include "audio/WaveResult.h"

namespace quorvane {

struct PortAudioBackend::StreamDevice : Device {
  PaStream* stream = nullptr;
};

namespace {

// ALSA reports every device it probes and cannot open on stderr; the user
// sees the devices that work in the sound card dialog instead.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

void silenceDiagnostics() {
  snd_lib_error_set_handler(quietAlsa);
  // PortAudio probes for a JACK server too; its client library then prints
  // its own complaints. It is only there if PortAudio brought it in, so it is
  // looked up rather than linked.
  using Handler = void (*)(void (*)(const char*));
  for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
    if (void* f = dlsym(RTLD_DEFAULT, name)) reinterpret_cast<Handler>(f)(quietJack);
  // Never start a JACK server just to list devices.
  setenv("JACK_NO_START_SERVER", "1", 0);
}

void streamFinished(void* context) { static_cast<DeviceFeed*>(context)->finished(); }

}  // namespace

PortAudioBackend::PortAudioBackend() {
  silenceDiagnostics();
  reinitialise();
}

PortAudioBackend::~PortAudioBackend() {
  closeAll();
  call([initialised = initialised_, orphans = orphans_]() mutable {
    if (*initialised) Pa_Terminate();
    *initialised = false;
    orphans.clear();  // their streams are closed now
  });
}

bool PortAudioBackend::call(std::function<void()> f, std::function<void()> onLate) {
  return library_.run(std::move(f), CallDeadline, std::move(onLate)) == BoundedCaller::Outcome::Done;
}

std::uint32_t PortAudioBackend::reinitialise() {
  if (openCount() > 0) return WaveStillPlaying;
  auto fresh = std::make_shared<Lists>();
  // Terminating closes the streams left behind; their feeds live until then.
  const bool done = call([initialised = initialised_, fresh, orphans = orphans_]() mutable {
    if (*initialised) Pa_Terminate();
    orphans.clear();  // their streams are closed now
    *initialised = fresh->initialised = Pa_Initialize() == paNoError;
    if (!fresh->initialised) return;
    const PaDeviceIndex defaultIn = Pa_GetDefaultInputDevice();
    const PaDeviceIndex defaultOut = Pa_GetDefaultOutputDevice();
    const PaDeviceIndex count = Pa_GetDeviceCount();
    // The default devices first, then the others in PortAudio's order.
    for (const bool defaults : {true, false}) {
      for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info) continue;
        const std::string name = info->name ? info->name : "";
        if (info->maxInputChannels > 0 && (i == defaultIn) == defaults)
          fresh->inputs.push_back({i, name, info->defaultHighInputLatency});
        if (info->maxOutputChannels > 0 && (i == defaultOut) == defaults)
          fresh->outputs.push_back({i, name, info->defaultHighOutputLatency});
      }
    }
  });
  if (!done) {
    available_ = false;
    lists_ = Lists{};
    return WaveNoDriver;
  }
  orphans_.clear();
  lists_ = *fresh;
  available_ = lists_.initialised;
  return available_ ? WaveNoError : WaveNoDriver;
}

int PortAudioBackend::deviceCount(WaveDirection direction) { return static_cast<int>(list(direction).size()); }

std::string PortAudioBackend::productName(WaveDirection direction, int device) {
  if (device < 0 || device >= deviceCount(direction)) return {};
  return list(direction)[static_cast<std::size_t>(device)].name;
}

PaStreamParameters PortAudioBackend::parameters(WaveDirection direction, int device, const WaveFormatEx& format) const {
  const Entry& e = list(direction)[static_cast<std::size_t>(device)];
  PaStreamParameters p{};
  p.device = e.index;
  p.channelCount = format.Channels;
  p.sampleFormat = paInt16;
  // The device's own. A capture that comes in lumps of more than about 50 ms
  // leaves the monitor that plays it, which holds only a buffer or two, short
  // between two lumps: it clicks.
  p.suggestedLatency = e.latency;
  p.hostApiSpecificStreamInfo = nullptr;
  return p;
}

std::uint32_t PortAudioBackend::checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) {
  if (!available_) return WaveNoDriver;
  const PaStreamParameters p = parameters(direction, device, format);
  const bool in = direction == WaveDirection::Input;
  auto e = std::make_shared<PaError>(paNoError);
  if (!call([e, p, in, rate = format.SampleRate] { *e = Pa_IsFormatSupported(in ? &p : nullptr, in ? nullptr : &p, rate); }))
    return WaveNoDriver;
  if (*e == paFormatIsSupported) return WaveNoError;
  // Testing a format opens the device: a server that is gone fails here too.
  const bool refused = *e == paInvalidSampleRate || *e == paSampleFormatNotSupported || *e == paInvalidChannelCount;
  return refused ? WaveBadFormat : WaveNoDriver;
}

std::unique_ptr<StreamWaveBackend::Device> PortAudioBackend::createDevice() { return std::make_unique<StreamDevice>(); }

std::uint32_t PortAudioBackend::openStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  const bool in = d.direction == WaveDirection::Input;
  const PaStreamParameters p = parameters(d.direction, d.index, d.format);
  struct Opened {
    PaError error = paNoError;
    PaStream* stream = nullptr;
  };
  auto opened = std::make_shared<Opened>();
  const bool done = call(
      [opened, feed = d.feed, p, in, rate = d.format.SampleRate] {
        // Capture in callbacks of 50 ms: each wakes the library's thread and
        // the sound server's client thread, so fewer, longer ones cost far
        // less; longer still would make the monitor click (see parameters()).
        // Playback in the library's own periods.
        opened->error = Pa_OpenStream(&opened->stream, in ? &p : nullptr, in ? nullptr : &p, rate,
                                      in ? rate / 20 : paFramesPerBufferUnspecified, paNoFlag,
                                      &PortAudioBackend::streamCallback,
                                      feed.get());
        if (opened->error == paNoError) Pa_SetStreamFinishedCallback(opened->stream, &streamFinished);
      },
      // Nobody took the stream that opened too late.
      [opened, feed = d.feed]() mutable {
        if (opened->error == paNoError) Pa_CloseStream(opened->stream);
        feed.reset();  // its callback has run for the last time
      });
  if (!done) return WaveNoDriver;
  if (opened->error == paInvalidDevice) return WaveBadDeviceId;
  if (opened->error != paNoError) return WaveNoDriver;
  d.stream = opened->stream;
  return WaveNoError;
}

std::uint32_t PortAudioBackend::startStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  if (!d.stream) return WaveNoDriver;
  auto e = std::make_shared<PaError>(paNoError);
  return call([e, s = d.stream] { *e = Pa_StartStream(s); }) && *e == paNoError ? WaveNoError : WaveNoDriver;
}

void PortAudioBackend::stopStream(Device& device) {
  // Aborting (not draining) is what a reset asks for; when it returns the
  // callback has finished for good. One that did not return may still run.
  auto& d = static_cast<StreamDevice&>(device);
  if (d.stream && !call([s = d.stream] { Pa_AbortStream(s); })) d.lost = true;
}

void PortAudioBackend::closeStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  const auto close = [s = d.stream, feed = d.feed]() mutable {
    Pa_CloseStream(s);
    feed.reset();  // its callback has run for the last time
  };
  if (d.stream && !call(close)) orphans_.push_back(d.feed);
  d.stream = nullptr;
}

int PortAudioBackend::streamCallback(const void* input, void* output, unsigned long frames,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags status, void* context) {
  auto* feed = static_cast<DeviceFeed*>(context);
  const std::size_t bytes = static_cast<std::size_t>(frames) * feed->frameBytes;
  if (!output)  // a capture stream; a missing input is silence
    feed->capture(static_cast<const std::uint8_t*>(input), bytes, (status & paInputOverflow) != 0);
  else
    feed->play(static_cast<std::uint8_t*>(output), bytes, (status & paOutputUnderflow) != 0);
  return paContinue;
}

}  // namespace quorvane
