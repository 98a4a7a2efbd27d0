#include <gtest/gtest.h>

#include "FormFixture.h"
#include "Said.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class FrequencyDialog : public FormFixture {
 protected:
  FrequencyDialog() {
    startUp();
    form.Setup1Click();
  }
  TFrequencySetForm& dlg() { return form.FrequencySetForm; }

  // The user types a whole new text into a field (each key through the filter).
  void type(MemoModel& memo, const std::string& text) {
    std::string accepted;
    for (char ch : text)
      if (memo.keyPress(ch)) accepted += ch;
    memo.userEdited(accepted);
  }
};

}  // namespace

TEST_F(FrequencyDialog, ShowsTheBandEdgesAndRedesignsOnEnter) {
  EXPECT_TRUE(dlg().Window.visible());
  EXPECT_EQ(dlg().Window.caption(), "Bandpass Frequency ");
  EXPECT_EQ(dlg().LoFreqMemo.text(), "300.0");
  EXPECT_EQ(dlg().HiFreqMemo.text(), "2400.0");
  type(dlg().LoFreqMemo, "450x");
  EXPECT_EQ(dlg().LoFreqMemo.text(), "450");  // letters are swallowed
  EXPECT_EQ(dlg().LoFreqMemo.fontColour(), clRed);
  EXPECT_EQ(form.LowFrequency, 300.0f);  // not applied until Enter
  dlg().LoFreqMemo.keyUp(13);
  EXPECT_EQ(form.LowFrequency, 450.0f);
  EXPECT_EQ(dlg().LoFreqMemo.text(), "450.0");
  EXPECT_EQ(dlg().LoFreqMemo.fontColour(), clBlack);
  EXPECT_FLOAT_EQ(form.filter.LowCutoff, 450.0f / 11025.0f);
  EXPECT_FLOAT_EQ(form.filter.HighCutoff, 2400.0f / 11025.0f);
}

// One step after another: whole-number parts are compared, each handler refuses
// with its own caption and puts the value in force back (general form), text that
// is not a number changes nothing and stays marked as not applied.
TEST_F(FrequencyDialog, ValuesAreComparedAsWholeNumbersAndRefusedWithTheirMessage) {
  const auto lo = &TFrequencySetForm::LoFreqMemo, hi = &TFrequencySetForm::HiFreqMemo;
  const std::string half = "Frequency Set Error: Frequency must be less than 1/2 the sample rate";
  const std::string lower = "Frequency must lower than the high frequency";
  const std::string higher = "Frequency Set Error: Frequency must higher than the low frequency";
  const std::tuple<MemoModel TFrequencySetForm::*, const char*, bool, std::string, const char*, float, float> steps[] = {
      {lo, "2400.5", true, "", "2400.5", 2400.5f, 2400.0f},  // against an upper edge of 2400.0
      {lo, "300", false, "", "300.0", 300.0f, 2400.0f},      // leaving the field applies it too
      {lo, "3000", true, "Frequency Set: " + lower, "300", 300.0f, 2400.0f},
      {lo, "3000", false, "Frequency Set Error: " + lower, "300", 300.0f, 2400.0f},
      {hi, "100", true, higher, "2400", 300.0f, 2400.0f},
      {hi, "100", false, higher, "2400", 300.0f, 2400.0f},
      {lo, "", true, "Frequency Set: '' is not a valid floating point value", "", 300.0f, 2400.0f},
      {lo, ".", true, "Frequency Set: '.' is not a valid floating point value", ".", 300.0f, 2400.0f},
      {hi, "1.2.3", true, "Frequency Set Error: '1.2.3' is not a valid floating point value", "1.2.3", 300.0f, 2400.0f},
      {hi, "300.9", true, "", "300.9", 300.0f, 300.9f},
      {hi, "5512", true, "", "5512.0", 300.0f, 5512.0f},  // half of 11025 in whole numbers
      {hi, "5513", true, half, "5512", 300.0f, 5512.0f},
      {hi, "99999999999999999999", true, half, "5512", 300.0f, 5512.0f},  // beyond 32 bits
  };
  for (const auto& [field, text, enter, message, shown, low, high] : steps) {
    SCOPED_TRACE(text);
    MemoModel& memo = dlg().*field;
    type(memo, text);
    enter ? memo.keyUp(13) : memo.exit();
    EXPECT_EQ(said(host), message.empty() ? Lines{} : Lines{message});
    EXPECT_EQ(memo.text(), shown);
    EXPECT_EQ(memo.fontColour(), *text && message.find("valid") != std::string::npos ? clRed : clBlack);
    EXPECT_EQ(form.LowFrequency, low);
    EXPECT_EQ(form.HighFrequency, high);
    EXPECT_FLOAT_EQ(form.filter.LowCutoff, low / 11025.0f);
    EXPECT_FLOAT_EQ(form.filter.HighCutoff, high / 11025.0f);
  }
}

// The logging dialog works as the band-pass dialog does: a value takes effect
// on Enter or on leaving its field, one out of range is refused with a
// message; the values are saved on closing and loaded at the next start.
TEST_F(FrequencyDialog, LoggingValuesAreAppliedRefusedAndSurviveARestart) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  form.ConfigFilePath = host.configFilePath();
  EXPECT_EQ(form.transmissions.settings, LoggingSettings{});  // no file yet: the defaults
  form.Logging1.click();
  LoggingForm& d = form.LoggingSettingsForm;
  ASSERT_TRUE(d.Window.visible());
  type(d.PreRollMemo, "3");
  EXPECT_EQ(d.PreRollMemo.fontColour(), clRed);
  d.PreRollMemo.keyUp(13);
  type(d.MinLengthMemo, "2500");
  d.MinLengthMemo.exit();
  EXPECT_EQ(said(host), Lines{"Logging Settings Error: The minimum length must be a whole number from 0 to 2000"});
  EXPECT_EQ(d.MinLengthMemo.text(), "0");  // the value in force again
  type(d.MaxLengthMemo, "30");
  d.MaxLengthMemo.exit();
  d.OneFileBox.click();
  EXPECT_EQ(form.transmissions.settings, (LoggingSettings{3, true, 0, 30}));
  form.FormClose();
  TVOXForm next{host, audio};
  next.FormCreate();
  next.FormShow();
  EXPECT_EQ(next.transmissions.settings, (LoggingSettings{3, true, 0, 30}));
}
