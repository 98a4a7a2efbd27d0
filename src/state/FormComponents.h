#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ButtonModel.h"
#include "platform/CheckBoxModel.h"
#include "platform/HourCounterModel.h"
#include "platform/LabelModel.h"
#include "platform/LedModel.h"
#include "platform/MemoModel.h"
#include "platform/MenuItemModel.h"
#include "platform/PaintBoxModel.h"
#include "platform/PanelModel.h"
#include "platform/ScrollBarModel.h"
#include "platform/TimerModel.h"
#include "platform/UpDownModel.h"
#include "platform/WindowModel.h"

namespace quorvane {

// The main window's controls with their names, captions and places on the
// 607 x 386 client area. Bounds of controls inside a panel or group box are
// relative to it. The window shell draws one widget per model; the program
// and the tests only ever touch the models.
struct FormComponents {
  explicit FormComponents(HourCounterModel::Clock clock);
  FormComponents(const FormComponents&) = delete;
  FormComponents& operator=(const FormComponents&) = delete;

  WindowModel MainWindow{"VOXForm", "Quorvane", 607, 386, clSilver};

  // --- engine buttons and status ---
  ButtonModel RecordBtn{"RecordBtn", "Record", {322, 6, 66, 30}};
  ButtonModel PlayBtn{"PlayBtn", "Play", {393, 6, 66, 30}};
  ButtonModel PauseBtn{"PauseBtn", "Pause", {464, 6, 66, 30}};
  ButtonModel StopBtn{"StopBtn", "Stop", {535, 6, 66, 30}};
  MemoModel StatusMemo{"StatusMemo", "", true, {322, 42, 279, 22}};
  MemoModel StatusMemo2{"StatusMemo2", "", true, {322, 66, 279, 22}};

  // --- indicators ---
  LedModel RecordLED{"RecordLED", "Recording", clRed, clMedGray, {322, 96, 130, 18}};
  LedModel PlayLED{"PlayLED", "Playing", clLime, clMedGray, {464, 96, 130, 18}};
  LedModel SquelchLED{"SquelchLED", "Squelched", clAqua, clMedGray, {322, 118, 130, 18}};
  LedModel TimeRecordLED{"TimeRecordLED", "Time Record ", clFuchsia, clMedGray, {464, 118, 130, 18}};
  // These three lie below the client area: the user never sees them.
  LedModel ConfigLED{"ConfigLED", "Config Loaded", clGreen, clMedGray, {8, 393, 130, 18}};
  LedModel ByteB_LED{"ByteB_LED", "Byte B", clRed, clMedGray, {150, 393, 130, 18}};
  HourCounterModel RecordPlayTimer;

  // --- elapsed time and clocks ---
  LabelModel TimerCaption{"TimerCaption", "Elapsed", {322, 142, 90, 14}};
  LabelModel LocalCaption{"LocalCaption", "Local time", {416, 142, 92, 14}};
  LabelModel GmtCaption{"GmtCaption", "UTC", {512, 142, 89, 14}};
  MemoModel TimerMemo{"TimerMemo", "  00h:00m:00s", true, {322, 156, 90, 20}};
  MemoModel CurrentTimeMemo{"CurrentTimeMemo", "00h:00m:00s", true, {416, 156, 92, 20}};
  MemoModel GmtMemo{"GmtMemo", "00h:00m:00s", true, {512, 156, 89, 20}};

  // --- display ---
  PanelModel DisplayPanel{"DisplayPanel", "", clWhite, {6, 2, 310, 149}};
  PaintBoxModel SpectrumBox{"SpectrumBox", {2, 2, 306, 145}};
  ScrollBarModel PlayScrollBar{"PlayScrollBar", 1000, 10, {6, 156, 310, 18}};

  // --- control panel ---
  PanelModel InputGroup{"InputGroup", "Input", clSilver, {8, 184, 150, 196}};
  LabelModel HangtimeLabel{"HangtimeLabel", "Hangtime", {10, 20, 100, 16}};
  MemoModel InputGainMemo{"InputGainMemo", "    1 sec", true, {10, 38, 100, 22}};
  UpDownModel InputUpDnGain{"InputUpDnGain", 0, 5, 1, {112, 38, 18, 22}};
  LabelModel ThresholdLabel{"ThresholdLabel", "Threshold", {10, 70, 100, 16}};
  MemoModel ThresholdMemo{"ThresholdMemo", "    0 dB", false, {10, 88, 100, 22}};
  UpDownModel InputThresholdUpDn{"InputThresholdUpDn", 0, 60, 0, {112, 88, 18, 22}};
  CheckBoxModel VoxCheckBox{"VoxCheckBox", "Voice Activate", {10, 128, 134, 20}};
  CheckBoxModel FilterCheckBox{"FilterCheckBox", "Filter", {10, 156, 134, 20}};

  PanelModel OutputGroup{"OutputGroup", "Output", clSilver, {164, 184, 150, 196}};
  LabelModel ChannelGainLabel{"ChannelGainLabel", "Channel Gain", {10, 20, 100, 16}};
  MemoModel OutputGainMemo{"OutputGainMemo", "    0 dB", true, {10, 38, 100, 22}};
  UpDownModel OutputUpDnGain{"OutputUpDnGain", 0, 40, 0, {112, 38, 18, 22}};
  ButtonModel VolumeBtn{"VolumeBtn", "Volume", {10, 80, 120, 28}};
  CheckBoxModel FileBypassBox{"FileBypassBox", "File Bypass", {10, 128, 134, 20}};
  CheckBoxModel MuteCheckBox{"MuteCheckBox", "Mute", {10, 156, 134, 20}};

  PanelModel PlayRecordGroup{"PlayRecordGroup", "Play/Record", clSilver, {320, 184, 279, 48}};
  CheckBoxModel FileTransferCheckBox{"FileTransferCheckBox", "File Transfer", {10, 20, 150, 20}};

  PanelModel TimerGroup{"TimerGroup", "Timer", clSilver, {320, 238, 279, 142}};
  LabelModel StartTimeLabel{"StartTimeLabel", "Start Time", {10, 26, 72, 16}};
  LabelModel Start_Hr{"Start_Hr", "00h", {86, 24, 30, 20}};
  LabelModel Start_Min{"Start_Min", "00m", {118, 24, 30, 20}};
  LabelModel Start_Sec{"Start_Sec", "00s", {150, 24, 30, 20}};
  LabelModel Start_AM_PM{"Start_AM_PM", "AM", {182, 24, 30, 20}};
  UpDownModel StartTimeUpDn{"StartTimeUpDn", 0, 100, 0, {216, 23, 18, 22}};
  LabelModel EndTimeLabel{"EndTimeLabel", "End Time", {10, 62, 72, 16}};
  LabelModel Stop_Hr{"Stop_Hr", "00h", {86, 60, 30, 20}};
  LabelModel Stop_Min{"Stop_Min", "00m", {118, 60, 30, 20}};
  LabelModel Stop_Sec{"Stop_Sec", "00s", {150, 60, 30, 20}};
  LabelModel Stop_AM_PM{"Stop_AM_PM", "AM", {182, 60, 30, 20}};
  UpDownModel StopTimeUpDn{"StopTimeUpDn", 0, 100, 0, {216, 59, 18, 22}};
  CheckBoxModel TimerCheckBox{"TimerCheckBox", "Enable", {10, 104, 100, 20}};

  // --- timers ---
  TimerModel TimeoutTimer{"TimeoutTimer", 200};
  TimerModel SquelchTimer{"SquelchTimer", 1000};
  TimerModel SystemTimer{"SystemTimer", 1000};
  TimerModel SetRecordTimer{"SetRecordTimer", 2000};
  TimerModel PauseTimer{"PauseTimer", 1000};

  // --- the menu bar ---
  MenuItemModel MainMenu1{"MainMenu1", ""};
  MenuItemModel File1{"File1", "File"};
  MenuItemModel OpenInput1{"OpenInput1", "Open Input File"};
  MenuItemModel OpenOutput1{"OpenOutput1", "Open Output File"};
  MenuItemModel N2{"N2", "-"};
  MenuItemModel StayOnTop1{"StayOnTop1", "Stay On Top"};
  MenuItemModel Off1{"Off1", "Off"};
  MenuItemModel On1{"On1", "On"};
  MenuItemModel N3{"N3", "-"};
  MenuItemModel Exit1{"Exit1", "Exit"};
  MenuItemModel Mode1{"Mode1", "Modes"};
  MenuItemModel Stereo1{"Stereo1", "Channels"};
  MenuItemModel Mono2{"Mono2", "Mono"};
  MenuItemModel Stereo2{"Stereo2", "Stereo"};
  MenuItemModel Settings1{"Settings1", "Settings"};
  MenuItemModel SoundCard1{"SoundCard1", "Sound Card"};
  MenuItemModel SelectInputSoundDevice1{"SelectInputSoundDevice1", "Select Input Sound Device"};
  MenuItemModel SelectOutputSoundDevice1{"SelectOutputSoundDevice1", "Select Output Sound Device"};
  MenuItemModel SampleRate1{"SampleRate1", "Sample Rate"};
  MenuItemModel N11025Hz1{"N11025Hz1", "11025 Hz"};
  MenuItemModel N22050Hz1{"N22050Hz1", "22050 Hz"};
  MenuItemModel N44100Hz1{"N44100Hz1", "44100 Hz"};
  MenuItemModel N8000Hz1{"N8000Hz1", "8000 Hz"};
  MenuItemModel N16000Hz1{"N16000Hz1", "16000 Hz"};
  MenuItemModel N32000Hz1{"N32000Hz1", "32000 Hz"};
  MenuItemModel N48000Hz1{"N48000Hz1", "48000 Hz"};
  MenuItemModel Filters1{"Filters1", "Filters"};
  MenuItemModel Bandpass1{"Bandpass1", "Bandpass"};
  MenuItemModel N1{"N1", "-"};
  MenuItemModel Setup1{"Setup1", "Setup"};
  MenuItemModel Logging1{"Logging1", "Logging..."};
  MenuItemModel DislplayType1{"DislplayType1", "Dislplay Type"};
  MenuItemModel Time1{"Time1", "Time"};
  MenuItemModel Waterfall1{"Waterfall1", "Amplitude"};
  MenuItemModel Help1{"Help1", "Help"};
  MenuItemModel HelpFile1{"HelpFile1", "Help File"};
  MenuItemModel About1{"About1", "About"};

  // Controls placed directly on the window, in creation order, and the
  // children of each container.
  std::vector<Component*> topLevel();
  std::vector<Component*> childrenOf(const Component& container);
  std::vector<TimerModel*> timers();
  // The sample-rate items in menu order, each with its rate.
  std::array<std::pair<std::uint32_t, MenuItemModel*>, 7> sampleRateItems() {
    return {{{11025, &N11025Hz1}, {22050, &N22050Hz1}, {44100, &N44100Hz1}, {8000, &N8000Hz1},
             {16000, &N16000Hz1}, {32000, &N32000Hz1}, {48000, &N48000Hz1}}};
  }
};

}  // namespace quorvane
