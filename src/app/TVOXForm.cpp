#include "app/TVOXForm.h"

#include <filesystem>


namespace quorvane {

namespace {

// A path is taken only if the file can be opened for reading; one retry
// covers a file that is briefly locked by another program.
std::string existingFile(Host& host, const std::string& path, std::size_t capacity, OpenFailure& why) {
  if (path.empty() || path.size() >= capacity) return {};
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (auto f = host.openFile(path, FileMode::ReadBinary, &why)) {
      f->close();
      return path;
    }
  }
  return {};
}

}  // namespace

TVOXForm::TVOXForm(Host& h, WaveBackend& backend)
    : SharedState(),
      FormComponents([&h] { return h.nowMs(); }),
      host(h),
      context{h, *this, *this},
      FrequencySetForm(context),
      display(context),
      steps(context),
      engine(context, display),
      transmissions(context, engine),
      LoggingSettingsForm(context, transmissions.settings),
      formats(context),
      waveFiles(context, engine, formats),
      controlPanel(context),
      timeEditor(context),
      scheduler(context),
      configuration(context, timeEditor),
      desktop(context),
      audio(backend),
      devices(context, audio),
      SoundCardSelect(*this, devices),
      recorder(context, engine, devices, steps, display, filter, transmissions),
      player(context, engine, devices, steps, display, filter),
      fileTransfer(context, engine, steps, display, recorder, player, transmissions) {
  for (TimerModel* t : timers()) host.attachTimer(*t);
  formats.designFilter = [this](float low, float high) {
    filter.LowCutoff = low;
    filter.HighCutoff = high;
    filter.DesignBandpassFilter();
  };
  FrequencySetForm.redesign = [this] { DesignFilterForCurrentBand(); };
  configuration.designFilter = [this] { DesignFilterForCurrentBand(); };
  configuration.deviceCount = [this](WaveDirection d) { return audio.deviceCount(d); };
  scheduler.stopRecording = [this] { StopBtnClick(); };
  wireHandlers();
}

TVOXForm::~TVOXForm() = default;

void TVOXForm::wireHandlers() {
  StopBtn.onClick = [this] { StopBtnClick(); };
  RecordBtn.onClick = [this] { RecordBtnClick(); };
  PlayBtn.onClick = [this] { PlayBtnClick(); };
  PauseBtn.onClick = [this] { PauseBtnClick(); };
  PlayScrollBar.onScroll = [this](int) { PlayScrollBarScroll(); };
  PlayScrollBar.onEnter = [this] { PlayScrollBarEnter(); };
  PlayScrollBar.onMouseLeave = [this] { PlayScrollBarMouseLeave(); };
  PauseTimer.onTimer = [this] { PauseTimerTimer(); };
  recorder.openOutputFile = [this] { OpenOutput1Click(); };
  recorder.openInputFile = [this] { OpenInput1Click(); };
  player.openInputFile = [this] { OpenInput1Click(); };
  recorder.fileTransferLoop = [this] { fileTransfer.FileTransferLoop(); };
  engine.releaseDevices = [this] { devices.ReleaseDevices(); };
  engine.endTransmissions = [this] { transmissions.stop(); };
  engine.adoptInputFormat = [this] { waveFiles.AdoptInputFormat(); };
  TimeoutTimer.onTimer = [this] { TimeoutTimerTimer(); };
  SelectInputSoundDevice1.onClick = [this] { SelectInputSoundDevice1Click(); };
  SelectOutputSoundDevice1.onClick = [this] { SelectOutputSoundDevice1Click(); };
  devices.setSoundCardDialog(&SoundCardSelect.Window);
  // A failed device ends the program the way closing the window does, so the
  // WAV file being written is completed and keeps the sound recorded so far.
  devices.endApplication = [this] { FormClose(); };

  OpenInput1.onClick = [this] { OpenInput1Click(); };
  OpenOutput1.onClick = [this] { OpenOutput1Click(); };
  Off1.onClick = [this] { Off1Click(); };
  On1.onClick = [this] { On1Click(); };
  Exit1.onClick = [this] { Exit1Click(); };
  Mono2.onClick = [this] { Mono2Click(); };
  Stereo2.onClick = [this] { Stereo2Click(); };
  N11025Hz1.onClick = [this] { N11025Hz1Click(); };
  N22050Hz1.onClick = [this] { N22050Hz1Click(); };
  N44100Hz1.onClick = [this] { N44100Hz1Click(); };
  N8000Hz1.onClick = [this] { N8000Hz1Click(); };
  N16000Hz1.onClick = [this] { N16000Hz1Click(); };
  N32000Hz1.onClick = [this] { N32000Hz1Click(); };
  N48000Hz1.onClick = [this] { N48000Hz1Click(); };
  Bandpass1.onClick = [this] { Bandpass1Click(); };
  Time1.onClick = [this] { Time1Click(); };
  Waterfall1.onClick = [this] { Waterfall1Click(); };
  SquelchTimer.onTimer = [this] { SquelchTimerTimer(); };
  Setup1.onClick = [this] { Setup1Click(); };
  Logging1.onClick = [this] { Logging1Click(); };
  HelpFile1.onClick = [this] { HelpFile1Click(); };
  About1.onClick = [this] { About1Click(); };
  VolumeBtn.onClick = [this] { VolumeBtnClick(); };

  Start_Hr.onClick = [this] { Start_HrClick(); };
  Start_Min.onClick = [this] { Start_MinClick(); };
  Start_Sec.onClick = [this] { Start_SecClick(); };
  Start_AM_PM.onClick = [this] { Start_AM_PMClick(); };
  Stop_Hr.onClick = [this] { Stop_HrClick(); };
  Stop_Min.onClick = [this] { Stop_MinClick(); };
  Stop_Sec.onClick = [this] { Stop_SecClick(); };
  Stop_AM_PM.onClick = [this] { Stop_AM_PMClick(); };
  StartTimeUpDn.onClick = [this] { StartTimeUpDnClick(); };
  StopTimeUpDn.onClick = [this] { StopTimeUpDnClick(); };
  SetRecordTimer.onTimer = [this] { SetRecordTimerTimer(); };
  SystemTimer.onTimer = [this] { SystemTimerTimer(); };

  FileTransferCheckBox.onClick = [this] { FileTransferCheckBoxClick(); };
  VoxCheckBox.onClick = [this] { VoxCheckBoxClick(); };
  FilterCheckBox.onClick = [this] { FilterCheckBoxClick(); };
  FileBypassBox.onClick = [this] { FileBypassBoxClick(); };
  MuteCheckBox.onClick = [this] { MuteCheckBoxClick(); };
  TimerCheckBox.onClick = [this] { TimerCheckBoxClick(); };
  InputUpDnGain.onClick = [this] { InputUpDnGainClick(); };
  InputThresholdUpDn.onClick = [this] { InputThresholdUpDnClick(); };
  OutputUpDnGain.onClick = [this] { OutputUpDnGainClick(); };
}

void TVOXForm::SelectInputSoundDevice1Click() {
  SelectingOutputDevice = 0;
  SoundCardSelect.Show();
}

void TVOXForm::SelectOutputSoundDevice1Click() {
  SelectingOutputDevice = 1;
  SoundCardSelect.Show();
}

void TVOXForm::FormCreate() {
  OpenFailure why = OpenFailure::None;
  HelpFilePath = existingFile(host, host.helpFilePath(), 256, why);
  why = OpenFailure::None;
  ConfigFilePath = existingFile(host, host.configFilePath(), 512, why);
  if (why == OpenFailure::NotRegular)
    host.printError(host.configFilePath() + " is not a regular file: the default settings are used");
  // The default band, as fractions of 11025 whatever the rate.
  filter.DesignDefaultBand();
  formats.WriteStatusLine();
}

void TVOXForm::Bandpass1Click() {
  Bandpass1.setChecked(true);
  BandpassSelected = 2;
}

void TVOXForm::DesignFilterForCurrentBand() {
  // A rate of 0 cannot come from the rate commands; guard the division anyway.
  const float rate = WaveFormat.SampleRate ? static_cast<float>(WaveFormat.SampleRate) : 11025.0f;
  filter.LowCutoff = LowFrequency / rate;
  filter.HighCutoff = HighFrequency / rate;
  filter.DesignBandpassFilter();
}

void TVOXForm::FormShow() {
  const Bounds& panel = DisplayPanel.bounds();
  DisplayBitmap->resize(panel.width, panel.top + panel.height);
  for (LabelModel* l : {&Start_Hr, &Start_Min, &Start_Sec, &Start_AM_PM}) l->setFontColour(clBlack);
  LoadConfiguration();
  transmissions.settings =
      Configuration::LoadLoggingSettings(host, Configuration::LoggingFilePath(host.configFilePath()));
  StopBtnClick();
  ConfigLED.SetChecked(true);
  SystemTimer.setEnabled(true);
}

void TVOXForm::FormClose() {
  engine.cancelPendingStart();
  PauseTimer.setEnabled(false);
  engine.CloseInputFile();
  transmissions.stop();
  engine.CompleteOutputFile();
  // The loop underneath (if any) ends at its next test of the flag.
  StopRequested = 1;
  host.sleepMs(250);
  SaveConfiguration();
  host.requestTerminate();
}

bool TVOXForm::SaveConfiguration() {
  bool saved = configuration.SaveConfiguration(ConfigFilePath);
  // Beside a settings file in use; while every logging setting is at its
  // default and there is no such file yet, none is made.
  const std::string logging = Configuration::LoggingFilePath(host.configFilePath());
  std::error_code ec;
  if (!ConfigFilePath.empty() && (transmissions.settings != LoggingSettings{} || std::filesystem::exists(logging, ec)))
    saved = Configuration::SaveLoggingSettings(host, logging, transmissions.settings) && saved;
  if (!saved) host.printError("Could not save the settings to " + host.configFilePath());
  return saved;
}

void TVOXForm::Exit1Click() {
  if (!SaveConfiguration())
    host.messageBox("Could not save the settings to " + host.configFilePath(), "File Error Message");
  if (closeWindow)
    closeWindow();
  else
    FormClose();
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
