#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Configuration.h"
#include "app/ControlPanel.h"
#include "app/DesktopCommands.h"
#include "app/FormatCommands.h"
#include "app/LoggingForm.h"
#include "app/TFrequencySetForm.h"
#include "app/WaveFileCommands.h"
#include "audio/TSoundCardSelect.h"
#include "audio/WaveBackend.h"
#include "audio/WaveDevices.h"
#include "display/Display.h"
#include "dsp/BandpassFilter.h"
#include "engine/BufferSteps.h"
#include "engine/Engine.h"
#include "engine/FileTransferEngine.h"
#include "engine/Player.h"
#include "engine/Recorder.h"
#include "engine/Transmissions.h"
#include "platform/Host.h"
#include "schedule/Scheduler.h"
#include "schedule/TimeEditor.h"
#include "state/FormComponents.h"
#include "state/SharedState.h"

namespace quorvane {

// The main window: the shared state, the controls, and every handler under
// its own name. A handler either is the behaviour or hands it in one line to
// the subsystem that owns it. The platform raises, in order: construction,
// FormCreate, FormShow (once, when first shown), FormClose, FormDestroy.
class TVOXForm : public SharedState, public FormComponents {
 public:
  // Allocates the device buffers and the display bitmap and sets every
  // default. The sound devices are the backend's.
  TVOXForm(Host& host, WaveBackend& backend);
  ~TVOXForm();

  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  // The user's Stop also drops a Record or Play that waits for a loop to end.
  void StopBtnClick() {
    engine.cancelPendingStart();
    engine.StopBtnClick();
  }
  void RecordBtnClick() { recorder.RecordBtnClick(); }
  void PlayBtnClick() { player.PlayBtnClick(); }
  void PauseBtnClick() { player.PauseBtnClick(); }
  void PlayScrollBarScroll() { player.PlayScrollBarScroll(); }
  void PlayScrollBarEnter() { player.PlayScrollBarEnter(); }
  void PlayScrollBarMouseLeave() { player.PlayScrollBarMouseLeave(); }
  void PauseTimerTimer() { player.PauseTimerTimer(); }
  void TimeoutTimerTimer() { devices.TimeoutTimerTimer(); }
  void SelectInputSoundDevice1Click();
  void SelectOutputSoundDevice1Click();

  // File menu
  void OpenInput1Click() { waveFiles.OpenInput1Click(); }
  void OpenOutput1Click() { waveFiles.OpenOutput1Click(); }
  void Off1Click() { formats.Off1Click(); }
  void On1Click() { formats.On1Click(); }
  // Saves the settings, then closes the window as its close box does.
  void Exit1Click();
  // Modes and Settings menus
  void Mono2Click() { formats.Mono2Click(); }
  void Stereo2Click() { formats.Stereo2Click(); }
  void N11025Hz1Click() { formats.N11025Hz1Click(); }
  void N22050Hz1Click() { formats.N22050Hz1Click(); }
  void N44100Hz1Click() { formats.N44100Hz1Click(); }
  void N8000Hz1Click() { formats.N8000Hz1Click(); }
  void N16000Hz1Click() { formats.N16000Hz1Click(); }
  void N32000Hz1Click() { formats.N32000Hz1Click(); }
  void N48000Hz1Click() { formats.N48000Hz1Click(); }

  // Record loop pieces
  void SquelchTimerTimer() { steps.SquelchTimerTimer(); }

  // Display menu
  void Time1Click() { display.Time1Click(); }
  void Waterfall1Click() { display.Waterfall1Click(); }

  // Filters menu and the band-pass dialog
  void Bandpass1Click();
  void Setup1Click() { FrequencySetForm.Show(); }
  void Logging1Click() { LoggingSettingsForm.Show(); }
  // Designs the filter for the band edges in Hz at the current rate.
  void DesignFilterForCurrentBand();

  // Help menu and the Volume button
  void HelpFile1Click() { desktop.HelpFile1Click(); }
  void About1Click() { desktop.About1Click(); }
  void VolumeBtnClick() { desktop.VolumeBtnClick(); }

  // The settings file at ConfigFilePath
  void LoadConfiguration() { configuration.LoadConfiguration(ConfigFilePath); }
  // False, said on standard error, when the settings could not be saved.
  bool SaveConfiguration();

  // Start and end time of a timed recording; the clock and scheduler
  void Start_HrClick() { timeEditor.Start_HrClick(); }
  void Start_MinClick() { timeEditor.Start_MinClick(); }
  void Start_SecClick() { timeEditor.Start_SecClick(); }
  void Start_AM_PMClick() { timeEditor.Start_AM_PMClick(); }
  void Stop_HrClick() { timeEditor.Stop_HrClick(); }
  void Stop_MinClick() { timeEditor.Stop_MinClick(); }
  void Stop_SecClick() { timeEditor.Stop_SecClick(); }
  void Stop_AM_PMClick() { timeEditor.Stop_AM_PMClick(); }
  void StartTimeUpDnClick() { timeEditor.StartTimeUpDnClick(); }
  void StopTimeUpDnClick() { timeEditor.StopTimeUpDnClick(); }
  void SetRecordTimerTimer() { timeEditor.SetRecordTimerTimer(); }
  void SystemTimerTimer() { scheduler.SystemTimerTimer(); }

  // Control panel
  void FileTransferCheckBoxClick() { controlPanel.FileTransferCheckBoxClick(); }
  void VoxCheckBoxClick() { controlPanel.VoxCheckBoxClick(); }
  void FilterCheckBoxClick() { controlPanel.FilterCheckBoxClick(); }
  void FileBypassBoxClick() { controlPanel.FileBypassBoxClick(); }
  void MuteCheckBoxClick() { controlPanel.MuteCheckBoxClick(); }
  void TimerCheckBoxClick() { controlPanel.TimerCheckBoxClick(); }
  void InputUpDnGainClick() { controlPanel.InputUpDnGainClick(); }
  void InputThresholdUpDnClick() { controlPanel.InputThresholdUpDnClick(); }
  void OutputUpDnGainClick() { controlPanel.OutputUpDnGainClick(); }

  Host& host;
  FormContext context;
  BandpassFilter filter;
  TFrequencySetForm FrequencySetForm;
  Display display;
  BufferSteps steps;
  Engine engine;
  // Pre-roll, one file per transmission, the event log, the length limits,
  // and the dialog that sets them.
  Transmissions transmissions;
  LoggingForm LoggingSettingsForm;
  FormatCommands formats;
  WaveFileCommands waveFiles;
  ControlPanel controlPanel;
  TimeEditor timeEditor;
  Scheduler scheduler;
  Configuration configuration;
  DesktopCommands desktop;

  // Closes the main window the way its close box does. The window shell sets
  // it; without one, Exit runs FormClose itself.
  std::function<void()> closeWindow;

  WaveBackend& audio;
  WaveDevices devices;
  // The sound card dialog, created hidden with the window.
  TSoundCardSelect SoundCardSelect;
  Recorder recorder;
  Player player;
  FileTransferEngine fileTransfer;

 private:
  void wireHandlers();
};

}  // namespace quorvane
