#include <gtest/gtest.h>

#include "FormFixture.h"

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
  EXPECT_NEAR(form.filter.Kernel()[512], 0.381f, 0.001f);  // the default design at creation

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
  dlg().LoFreqMemo.exit();  // leaving the field applies it again, with the same result
  EXPECT_EQ(form.LowFrequency, 450.0f);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(FrequencyDialog, ComparesWholeNumberParts) {
  type(dlg().LoFreqMemo, "2400.5");  // against an upper edge of 2400.0
  dlg().LoFreqMemo.keyUp(13);
  EXPECT_EQ(form.LowFrequency, 2400.5f);
  EXPECT_TRUE(host.messages().empty());

  type(dlg().HiFreqMemo, "5512");  // half of 11025 in whole numbers
  dlg().HiFreqMemo.keyUp(13);
  EXPECT_EQ(form.HighFrequency, 5512.0f);
  type(dlg().HiFreqMemo, "5513");
  dlg().HiFreqMemo.keyUp(13);
  EXPECT_EQ(form.HighFrequency, 5512.0f);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Frequency must be less than 1/2 the sample rate");
  EXPECT_EQ(dlg().HiFreqMemo.text(), "5512");  // the old value, general form
  EXPECT_EQ(dlg().HiFreqMemo.fontColour(), clBlack);
}

TEST_F(FrequencyDialog, EachHandlerRefusesWithItsOwnCaption) {
  struct Case {
    MemoModel TFrequencySetForm::*memo;
    const char* text;
    bool enter;
    const char* message;
    const char* caption;
  };
  const Case cases[] = {
      {&TFrequencySetForm::LoFreqMemo, "3000", true, "Frequency must lower than the high frequency", "Frequency Set"},
      {&TFrequencySetForm::LoFreqMemo, "3000", false, "Frequency must lower than the high frequency",
       "Frequency Set Error"},
      {&TFrequencySetForm::HiFreqMemo, "100", true, "Frequency must higher than the low frequency",
       "Frequency Set Error"},
      {&TFrequencySetForm::HiFreqMemo, "100", false, "Frequency must higher than the low frequency",
       "Frequency Set Error"},
  };
  for (const Case& c : cases) {
    host.clearMessages();
    MemoModel& memo = dlg().*c.memo;
    type(memo, c.text);
    c.enter ? memo.keyUp(13) : memo.exit();
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, c.message);
    EXPECT_EQ(host.messages()[0].caption, c.caption);
    EXPECT_EQ(memo.text(), &memo == &dlg().LoFreqMemo ? "300" : "2400");
  }
  EXPECT_EQ(form.LowFrequency, 300.0f);
  EXPECT_EQ(form.HighFrequency, 2400.0f);
}

TEST_F(FrequencyDialog, TextThatIsNotANumberChangesNothing) {
  for (const char* text : {"", ".", "1.2.3"}) {
    host.clearMessages();
    type(dlg().LoFreqMemo, text);
    const float cutoff = form.filter.LowCutoff;
    const Colour colour = dlg().LoFreqMemo.fontColour();
    dlg().LoFreqMemo.keyUp(13);
    ASSERT_EQ(host.messages().size(), 1u) << text;
    EXPECT_EQ(host.messages()[0].text, std::string("'") + text + "' is not a valid floating point value");
    EXPECT_EQ(form.LowFrequency, 300.0f);
    EXPECT_EQ(form.filter.LowCutoff, cutoff);
    EXPECT_EQ(dlg().LoFreqMemo.fontColour(), colour);  // a typed value stays marked as not applied
  }
  // A number too large for 32 bits is simply above half the rate.
  type(dlg().HiFreqMemo, "99999999999999999999");
  dlg().HiFreqMemo.keyUp(13);
  EXPECT_EQ(form.HighFrequency, 2400.0f);
}

TEST_F(FrequencyDialog, BandpassTicksItsItemOnly) {
  form.BandpassSelected = 0;
  form.Bandpass1.click();
  EXPECT_TRUE(form.Bandpass1.checked());
  EXPECT_EQ(form.BandpassSelected, 2);
  EXPECT_EQ(form.FilterEnabled, 0);
}

TEST(FrequencyFormats, FixedAndGeneralTexts) {
  EXPECT_EQ(TFrequencySetForm::fixedText(300.0f), "300.0");
  EXPECT_EQ(TFrequencySetForm::fixedText(2400.5f), "2400.5");
  EXPECT_EQ(TFrequencySetForm::generalText(300.0f), "300");
  EXPECT_EQ(TFrequencySetForm::generalText(2400.5f), "2400.5");
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
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "The minimum length must be a whole number from 0 to 2000");
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
