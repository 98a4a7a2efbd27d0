#include "state/FormComponents.h"

namespace quorvane {

FormComponents::FormComponents(HourCounterModel::Clock clock)
    : RecordPlayTimer("RecordPlayTimer", std::move(clock), {290, 402, 120, 24}) {
  MainMenu1.add(File1).add(Mode1).add(Settings1).add(Help1);
  File1.add(OpenInput1).add(OpenOutput1).add(N2).add(StayOnTop1).add(N3).add(Exit1);
  StayOnTop1.add(Off1).add(On1);
  Mode1.add(Stereo1);
  Stereo1.add(Mono2).add(Stereo2);
  Settings1.add(SoundCard1).add(SampleRate1).add(Filters1).add(DislplayType1).add(Logging1);
  SoundCard1.add(SelectInputSoundDevice1).add(SelectOutputSoundDevice1);
  for (const auto& rate : sampleRateItems()) SampleRate1.add(*rate.second);
  Filters1.add(Bandpass1).add(N1).add(Setup1);
  DislplayType1.add(Time1).add(Waterfall1);
  Help1.add(HelpFile1).add(About1);
  for (LabelModel* l : {&Start_Hr, &Start_Min, &Start_Sec, &Start_AM_PM, &Stop_Hr, &Stop_Min, &Stop_Sec, &Stop_AM_PM})
    l->setBoxed(true);
}

std::vector<Component*> FormComponents::topLevel() {
  return {&DisplayPanel,  &PlayScrollBar, &RecordBtn,       &PlayBtn,       &PauseBtn,        &StopBtn,
          &StatusMemo,    &StatusMemo2,   &RecordLED,       &PlayLED,       &SquelchLED,      &TimeRecordLED,
          &TimerCaption,  &LocalCaption,  &GmtCaption,      &TimerMemo,     &CurrentTimeMemo, &GmtMemo,
          &InputGroup,    &OutputGroup,   &PlayRecordGroup, &TimerGroup,    &ConfigLED,       &ByteB_LED,
          &RecordPlayTimer};
}

std::vector<Component*> FormComponents::childrenOf(const Component& c) {
  if (&c == &DisplayPanel) return {&SpectrumBox};
  if (&c == &InputGroup)
    return {&HangtimeLabel,  &InputGainMemo,      &InputUpDnGain, &ThresholdLabel,
            &ThresholdMemo, &InputThresholdUpDn, &VoxCheckBox,   &FilterCheckBox};
  if (&c == &OutputGroup)
    return {&ChannelGainLabel, &OutputGainMemo, &OutputUpDnGain, &VolumeBtn, &FileBypassBox, &MuteCheckBox};
  if (&c == &PlayRecordGroup) return {&FileTransferCheckBox};
  if (&c == &TimerGroup)
    return {&StartTimeLabel, &Start_Hr,  &Start_Min, &Start_Sec,  &Start_AM_PM,  &StartTimeUpDn, &EndTimeLabel,
            &Stop_Hr,        &Stop_Min,  &Stop_Sec,  &Stop_AM_PM, &StopTimeUpDn, &TimerCheckBox};
  return {};
}

std::vector<TimerModel*> FormComponents::timers() {
  return {&TimeoutTimer, &SquelchTimer, &SystemTimer, &SetRecordTimer, &PauseTimer};
}

}  // namespace quorvane
