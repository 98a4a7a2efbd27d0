#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/LabelModel.h"
#include "platform/MemoModel.h"
#include "platform/WindowModel.h"
#include "state/FormContext.h"

namespace quorvane {

// The modeless dialog in which the band edges are typed. A value takes effect
// on Enter or when the field is left: it is checked against half the sample
// rate and the other edge, stored, and the filter is designed again.
class TFrequencySetForm {
 public:
  explicit TFrequencySetForm(FormContext c);
  TFrequencySetForm(const TFrequencySetForm&) = delete;
  TFrequencySetForm& operator=(const TFrequencySetForm&) = delete;

  WindowModel Window{"FrequencySetForm", "Bandpass Frequency ", 451, 160, clSilver};
  LabelModel Label1{"Label1", "Lower Frequency (Hz)", {30, 32, 190, 20}};
  LabelModel Label2{"Label2", "Upper Frequency (Hz)", {248, 32, 190, 20}};
  LabelModel Label3{"Label3", "Modify the frequency field(s) and press \"Enter\"", {64, 104, 340, 20}};
  MemoModel LoFreqMemo{"LoFreqMemo", "300", false, {24, 57, 161, 32}};
  MemoModel HiFreqMemo{"HiFreqMemo", "2400", false, {232, 57, 185, 32}};

  void FormShow();
  void FormClose() { Window.setVisible(false); }
  // Makes the dialog visible; showing an already visible dialog changes nothing.
  void Show();

  bool LoFreqMemoKeyPress(char key) { return keyFilter(LoFreqMemo, key); }
  bool HiFreqMemoKeyPress(char key) { return keyFilter(HiFreqMemo, key); }
  void LoFreqMemoKeyUp(int key);
  void HiFreqMemoKeyUp(int key);
  void LoFreqMemoExit() { apply(Edge::Low, "Frequency Set Error"); }
  void HiFreqMemoExit() { apply(Edge::High, "Frequency Set Error"); }

  // Designs the filter for the current band edges and sample rate.
  std::function<void()> redesign;

  // "300.0": fixed point with one decimal; "300": the shortest general form.
  static std::string fixedText(float hz);
  static std::string generalText(float hz);
  // The whole text as a number, or nothing when it is not one.
  static std::optional<double> parseNumber(const std::string& text);

 private:
  enum class Edge { Low, High };
  bool keyFilter(MemoModel& memo, char key);
  void apply(Edge edge, const char* caption);

  FormContext c_;
};

}  // namespace quorvane
