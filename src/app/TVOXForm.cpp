#include "app/TVOXForm.h"

#include "audio/SimWaveBackend.h"

namespace quorvane {

namespace {

// A path is taken only if the file can be opened for reading; one retry
// covers a file that is briefly locked by another program.
std::string existingFile(Host& host, const std::string& path, std::size_t capacity) {
  if (path.empty() || path.size() >= capacity) return {};
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (auto f = host.openFile(path, FileMode::ReadBinary)) {
      f->close();
      return path;
    }
  }
  return {};
}

}  // namespace

TVOXForm::TVOXForm(Host& h, WaveBackend& backend) : TVOXForm(h, &backend) {}

TVOXForm::TVOXForm(Host& h) : TVOXForm(h, nullptr) {}

TVOXForm::TVOXForm(Host& h, WaveBackend* backend)
    : SharedState(),
      FormComponents([&h] { return h.nowMs(); }),
      host(h),
      context{h, *this, *this},
      display(context),
      engine(context, display),
      ownedAudio_(backend ? nullptr : std::make_unique<SimWaveBackend>(h)),
      audio(backend ? *backend : *ownedAudio_),
      devices(context, audio),
      SoundCardSelect(*this, devices) {
  for (TimerModel* t : timers()) host.attachTimer(*t);
  wireHandlers();
}

TVOXForm::~TVOXForm() = default;

void TVOXForm::wireHandlers() {
  StopBtn.onClick = [this] { StopBtnClick(); };
  TimeoutTimer.onTimer = [this] { TimeoutTimerTimer(); };
  SelectInputSoundDevice1.onClick = [this] { SelectInputSoundDevice1Click(); };
  SelectOutputSoundDevice1.onClick = [this] { SelectOutputSoundDevice1Click(); };
  devices.setSoundCardDialog(&SoundCardSelect.Window);
  // A failed device ends the program the way closing the window does, so the
  // WAV file being written is completed and keeps the sound recorded so far.
  devices.endApplication = [this] { FormClose(); };
}

void TVOXForm::SelectInputSoundDevice1Click() {
  SelectingOutputDevice = 0;
  SoundCardSelect.Show();
}

void TVOXForm::SelectOutputSoundDevice1Click() {
  SelectingOutputDevice = 1;
  SoundCardSelect.Show();
}

std::string TVOXForm::ChannelRateText() const {
  const char* prefix =
      ChannelCount == 1 ? "Channel Mode = MONO      Sample Rate = " : "Channel Mode = STEREO    Sample Rate = ";
  return prefix + std::to_string(WaveFormat.SampleRate) + " Hz";
}

void TVOXForm::WriteStatusLine() { StatusMemo2.setText(ChannelRateText()); }

void TVOXForm::FormCreate() {
  HelpFilePath = existingFile(host, host.helpFilePath(), 256);
  ConfigFilePath = existingFile(host, host.configFilePath(), 512);
  WriteStatusLine();
}

void TVOXForm::FormShow() {
  const Bounds& panel = DisplayPanel.bounds();
  DisplayBitmap->resize(panel.width, panel.top + panel.height);
  for (LabelModel* l : {&Start_Hr, &Start_Min, &Start_Sec, &Start_AM_PM}) l->setFontColour(clBlack);
  StopBtnClick();
  ConfigLED.SetChecked(true);
  SystemTimer.setEnabled(true);
}

void TVOXForm::FormClose() {
  PauseTimer.setEnabled(false);
  engine.CloseInputFile();
  engine.CompleteOutputFile();
  // The loop underneath (if any) ends at its next test of the flag.
  StopRequested = 1;
  host.sleepMs(250);
  host.requestTerminate();
}

void TVOXForm::FormDestroy() {
  // A device still running would write into the buffers freed below.
  devices.ReleaseDevices();
  DisplayBitmap.reset();
  OutputBufferB.reset();
  OutputBufferA.reset();
  InputBufferB.reset();
  InputBufferA.reset();
}

}  // namespace quorvane
