#include "audio/PortAudioBackend.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

#include "audio/WaveResult.h"

namespace quorvane {

struct PortAudioBackend::StreamDevice : Device {
  PaStream* stream = nullptr;
  CallbackContext context;
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

}  // namespace

PortAudioBackend::PortAudioBackend() {
  silenceDiagnostics();
  initialised_ = Pa_Initialize() == paNoError;
  if (!initialised_) return;
  const PaDeviceIndex defaultIn = Pa_GetDefaultInputDevice();
  const PaDeviceIndex defaultOut = Pa_GetDefaultOutputDevice();
  if (defaultIn != paNoDevice) inputs_.push_back(defaultIn);
  if (defaultOut != paNoDevice) outputs_.push_back(defaultOut);
  const PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex i = 0; i < count; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (!info) continue;
    if (info->maxInputChannels > 0 && i != defaultIn) inputs_.push_back(i);
    if (info->maxOutputChannels > 0 && i != defaultOut) outputs_.push_back(i);
  }
}

PortAudioBackend::~PortAudioBackend() {
  closeAll();
  if (initialised_) Pa_Terminate();
}

int PortAudioBackend::deviceCount(WaveDirection direction) { return static_cast<int>(list(direction).size()); }

std::string PortAudioBackend::productName(WaveDirection direction, int device) {
  if (device < 0 || device >= deviceCount(direction)) return {};
  const PaDeviceInfo* info = Pa_GetDeviceInfo(list(direction)[static_cast<std::size_t>(device)]);
  return info && info->name ? info->name : "";
}

PaStreamParameters PortAudioBackend::parameters(WaveDirection direction, int device, const WaveFormatEx& format) const {
  PaStreamParameters p{};
  p.device = list(direction)[static_cast<std::size_t>(device)];
  p.channelCount = format.Channels;
  p.sampleFormat = paInt16;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(p.device);
  // The program keeps two buffers of about 93 ms queued, so a generous device
  // latency costs nothing and avoids dropouts on a busy desktop.
  p.suggestedLatency =
      info ? (direction == WaveDirection::Input ? info->defaultHighInputLatency : info->defaultHighOutputLatency) : 0.1;
  p.hostApiSpecificStreamInfo = nullptr;
  return p;
}

std::uint32_t PortAudioBackend::checkFormat(WaveDirection direction, int device, const WaveFormatEx& format) {
  if (!initialised_) return WaveNoDriver;
  const PaStreamParameters p = parameters(direction, device, format);
  const bool in = direction == WaveDirection::Input;
  const PaError e = Pa_IsFormatSupported(in ? &p : nullptr, in ? nullptr : &p, format.SampleRate);
  return e == paFormatIsSupported ? WaveNoError : WaveBadFormat;
}

std::unique_ptr<StreamWaveBackend::Device> PortAudioBackend::createDevice() { return std::make_unique<StreamDevice>(); }

std::uint32_t PortAudioBackend::openStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  const bool in = d.direction == WaveDirection::Input;
  const PaStreamParameters p = parameters(d.direction, d.index, d.format);
  d.context = CallbackContext{&d.queue, in, d.format.BlockAlign};
  const PaError e = Pa_OpenStream(&d.stream, in ? &p : nullptr, in ? nullptr : &p, d.format.SampleRate,
                                  paFramesPerBufferUnspecified, paNoFlag, &PortAudioBackend::streamCallback, &d.context);
  if (e == paNoError) return WaveNoError;
  d.stream = nullptr;
  return e == paInvalidDevice || e == paDeviceUnavailable ? WaveBadDeviceId : WaveError;
}

std::uint32_t PortAudioBackend::startStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  return d.stream && Pa_StartStream(d.stream) == paNoError ? WaveNoError : WaveError;
}

void PortAudioBackend::stopStream(Device& device) {
  // Aborting (not draining) is what a reset asks for; when it returns the
  // callback has finished for good and the queue is ours again.
  auto& d = static_cast<StreamDevice&>(device);
  if (d.stream) Pa_AbortStream(d.stream);
}

void PortAudioBackend::closeStream(Device& device) {
  auto& d = static_cast<StreamDevice&>(device);
  if (d.stream) Pa_CloseStream(d.stream);
  d.stream = nullptr;
}

int PortAudioBackend::streamCallback(const void* input, void* output, unsigned long frames,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* context) {
  auto* c = static_cast<CallbackContext*>(context);
  const std::size_t bytes = static_cast<std::size_t>(frames) * c->bytesPerFrame;
  if (c->capture)
    c->queue->capture(static_cast<const std::uint8_t*>(input), bytes);
  else
    c->queue->play(static_cast<std::uint8_t*>(output), bytes);
  return paContinue;
}

}  // namespace quorvane
