#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Pixels = std::vector<std::tuple<int, int, Colour>>;

class DisplayViews : public FormFixture {
 protected:
  DisplayViews() { startUp(); }

  // 1024 times one frame: a mono sample or a (left, right) pair.
  static std::vector<std::int32_t> frames(std::initializer_list<std::int32_t> frame) {
    std::vector<std::int32_t> s;
    for (int i = 0; i < 1024; ++i) s.insert(s.end(), frame);
    return s;
  }
  Colour shown(int x, int y) { return form.SpectrumBox.image().pixel(x, y); }
  int blackRowsIn(int x) {
    int n = 0;
    for (int y = 0; y < form.SpectrumBox.image().height(); ++y) n += shown(x, y) == clBlack;
    return n;
  }
  // Draws the samples in the current view and checks the pixels listed.
  void draw(const std::vector<std::int32_t>& s, int channels, const Pixels& expected = {}) {
    form.display.ClearDisplay();
    form.DisplayType == 0 ? form.display.DrawTimeView(s.data(), channels)
                          : form.display.DrawAmplitudeView(s.data(), channels);
    for (auto [x, y, colour] : expected) EXPECT_EQ(shown(x, y), colour) << x << "," << y;
  }
};

}  // namespace

// The time view: 400 units a pixel around the centre row (72) in mono, the
// quarter rows (36, 108) in stereo, truncated toward zero; one sample per
// column; a full-scale swing (81 pixels either way) is clipped at the edges.
// The amplitude view: |s| / 400 pixels either way of the same rows, at least
// the two rows about them (a silent sample still leaves a mark).
TEST_F(DisplayViews, TracesAndBarsAtTheirRowsAndScalesAndLevelLinesOnlyInMonoWhileGated) {
  std::vector<std::int32_t> step(1024, 0), swing(1024);  // step: 0 to 8000 between columns 99 and 100
  for (std::size_t i = 0; i < swing.size(); ++i) step[i] = i < 100 ? 0 : 8000, swing[i] = i % 2 ? 32767 : -32768;
  const std::tuple<int, std::vector<std::int32_t>, int, Pixels, int, int> views[] = {
      // type, samples, channels, pixels, a column and its black rows (0: not counted)
      {0, frames({4000}), 1, {{0, 62, clBlack}, {150, 62, clBlack}, {305, 62, clBlack}}, 305, 1},
      {0, frames({-399}), 1, {{10, 72, clBlack}}, 10, 1},
      {0, step, 1, {{98, 72, clBlack}, {99, 72, clBlack}, {100, 52, clBlack}, {100, 72, clWhite}}, 98, 1},
      {0, swing, 1, {{11, 0, clBlack}, {10, 144, clBlack}}, 0, 0},
      {0, frames({4000, -4000}), 2, {{20, 26, clBlack}, {20, 118, clBlack}}, 20, 2},
      {1, frames({0}), 1, {{5, 71, clBlack}, {5, 72, clBlack}}, 5, 2},
      {1, frames({-4000}), 1, {{5, 61, clBlack}, {5, 82, clBlack}, {5, 83, clWhite}}, 5, 22},
      {1, frames({0, 4000}), 2, {{7, 35, clBlack}, {7, 97, clBlack}}, 7, 2 + 22},
  };
  for (std::size_t i = 0; i < std::size(views); ++i) {
    const auto& [type, samples, channels, pixels, column, blackRows] = views[i];
    SCOPED_TRACE(i);
    type == 0 ? form.Time1Click() : form.Waterfall1Click();
    draw(samples, channels, pixels);
    EXPECT_TRUE(!blackRows || blackRowsIn(column) == blackRows) << blackRowsIn(column);
  }

  form.Time1Click();
  form.ThresholdLevel = 2000;  // 10 pixels up
  form.PeakLevel = 150;        // below 200: on the centre row
  const std::tuple<std::int32_t, std::int32_t, int, Pixels> cases[] = {
      {ActivityRecording, 1, 1, {{0, 62, clGreen}, {305, 62, clGreen}, {200, 72, clRed}, {200, 92, clBlack}}},
      {ActivityFileTransfer, 0, 1, {{0, 62, clWhite}, {200, 72, clWhite}, {200, 92, clBlack}}},
      {ActivityPlaying, 1, 1, {{0, 62, clWhite}, {200, 72, clWhite}, {200, 92, clBlack}}},
      {ActivityFileTransfer, 1, 2, {{0, 62, clWhite}, {200, 72, clWhite}, {200, 36, clBlack}}}};
  for (const auto& [state, vox, channels, pixels] : cases) {
    SCOPED_TRACE(::testing::Message() << "activity " << state << ", VOX " << vox);
    form.ActivityState = state;
    form.VoxEnabled = vox;
    draw(channels == 1 ? frames({-8000}) : frames({0, 0}), channels, pixels);
  }
}

TEST_F(DisplayViews, ElapsedTimeFollowsTheInputFileOrTheCounter) {
  form.InputDataBytes = (3600 + 5 * 60) * 11025 * 2;
  // Each step: channels, bytes still to play, input and output file open, counter; the text after it.
  const std::tuple<std::int32_t, std::int64_t, int, int, std::int64_t, const char*> steps[] = {
      {1, 0, 1, 0, 0, "01:05:00"},
      {2, 0, 1, 0, 0, "00:32:30"},      // four bytes a frame
      {2, -4096, 1, 0, 0, "00:32:30"},  // past the end: counted as the end
      {2, 0, 0, 1, (3 * 60 + 7) * 1000, "00:03:07"},
      {2, 0, 0, 0, 0, "00:03:07"}};  // nothing open: left as it was
  for (const auto& [channels, remaining, input, output, counter, text] : steps) {
    form.InputFileOpen = input;
    form.ChannelCount = channels;
    form.PlayBytesRemaining = remaining;
    form.OutputFileOpen = output;
    form.RecordPlayTimer.setElapsedMs(counter);
    form.display.ShowElapsedTime();
    EXPECT_EQ(form.TimerMemo.text(), text) << remaining << " " << output;
  }
}
