#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Decoded.h"
#include "Marked.h"
#include "files/LoggingSettings.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class TransmissionsTest : public MarkedForm {
 protected:
  TransmissionsTest() {
    host.setWallClock(epochFromCivil(CivilTime{2026, 12, 6, 21, 38, 0}));
    voxAtZeroDb();  // 500 ms hang
  }

  void record(Loudness loud, int buffers, LoggingSettings settings) {
    form.transmissions.settings = settings;
    audio.setSource(0, markedSource(std::move(loud)));
    MarkedForm::record(path, static_cast<std::int64_t>(buffers * BufferMs));
    EXPECT_TRUE(host.messages().empty());
  }

  // The per-transmission files beside the chosen name, in name order.
  std::vector<std::string> ownFiles(const std::string& extension = ".wav") const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind("dispatch-", 0) == 0 && e.path().extension() == extension)
        files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  static std::vector<std::vector<std::string>> logRows(const std::string& csv) {
    std::ifstream in(csv);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
      std::stringstream ss(line);
      rows.emplace_back();
      for (std::string field; std::getline(ss, field, ',');) rows.back().push_back(field);
    }
    return rows;
  }

  std::string path = dir.file("dispatch.wav");
};

}  // namespace

// Three bursts with long silences, pre-roll 2, one file per transmission:
// three complete files named by their start times, each exactly the two
// buffers before its burst, the burst and the hang; a log row for each that
// matches its file; rows complete at any moment a kill could come.
TEST_F(TransmissionsTest, OneFilePerTransmissionWithPreRollAndItsLog) {
  const std::pair<int, int> bursts[] = {{20, 30}, {60, 75}, {120, 125}};
  const auto loud = [&](int k) { return within(k, {bursts[0], bursts[1], bursts[2]}); };
  std::vector<std::vector<std::string>> rowsAtKill;
  // Seconds past 21:38:00 at which the recording starts.
  const double t0 = (host.wallClockMs() - epochFromCivil(CivilTime{2026, 12, 6, 21, 38, 0}) * 1000) / 1000.0;
  host.after(static_cast<std::int64_t>(100 * BufferMs), [&] { rowsAtKill = logRows(dir.file("dispatch.csv")); });
  record(loud, 160, LoggingSettings{2, true, 0, 0});

  EXPECT_FALSE(std::filesystem::exists(path)) << "the chosen name is only a pattern";
  const auto files = ownFiles();
  ASSERT_EQ(files.size(), 3u);
  const auto rows = logRows(dir.file("dispatch.csv"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"start", "end", "duration_s", "peak_dbfs", "file", "offset_s", "cut"}));
  EXPECT_EQ(rowsAtKill, std::vector<std::vector<std::string>>(rows.begin(), rows.begin() + 3));
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(files[i]);
    const auto ks = buffersIn(files[i]);
    ASSERT_GE(ks.size(), 5u);
    const int first = bursts[i].first - 2, last = ks.back();
    EXPECT_EQ(ks, range(first, last + 1)) << "pre-roll, burst and hang, each buffer once and in order";
    EXPECT_TRUE(last >= bursts[i].second + 3 && last <= bursts[i].second + 6) << last;  // the hang: about 500 ms

    // Named and logged by the time of its first buffer (the pre-roll's).
    const double startS = t0 + first * BufferMs / 1000;
    const int sec = static_cast<int>(startS);
    const std::string name = "dispatch-2026-12-06_21-38-" + std::to_string(100 + sec).substr(1) + ".wav";
    EXPECT_EQ(std::filesystem::path(files[i]).filename(), name);
    const auto& row = rows[i + 1];
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0].substr(0, 17), "2026-12-06T21:38:");
    EXPECT_NEAR(std::stod(row[0].substr(17, 6)), startS, BufferMs / 1000 * 1.5) << row[0];
    EXPECT_EQ(row[0].substr(23), "+00:00");
    EXPECT_NEAR(std::stod(row[2]), ks.size() * BufferMs / 1000, 0.002);
    EXPECT_NEAR(std::stod(row[3]), 20 * std::log10((3000.0 + bursts[i].second - 1) / 32767), 0.1);
    EXPECT_EQ(row[4], std::filesystem::path(files[i]).filename().string());
    EXPECT_EQ(row[5], "0.000");
    EXPECT_EQ(row[6], "no");
  }
}

// One file: pre-roll 0 loses the quiet start of a burst, pre-roll 2 keeps
// it, also after a pause; nothing is written twice; the log's offsets point
// into the file.
TEST_F(TransmissionsTest, PreRollInOneFileAfterAHangAndAfterAPause) {
  for (const int preRoll : {0, 2}) {
    SCOPED_TRACE(preRoll);
    path = dir.file("take" + std::to_string(preRoll) + ".wav");
    const std::int64_t t0 = host.nowMs();
    host.at(t0 + static_cast<std::int64_t>(45.5 * BufferMs), [this] { form.PauseBtn.click(); });
    record([](int k) { return within(k, {{20, 30}, {60, 70}}); }, 100000, LoggingSettings{preRoll, false, 0, 0});
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    host.runUntil(t0 + static_cast<std::int64_t>(50 * BufferMs));
    host.after(static_cast<std::int64_t>(40 * BufferMs), [this] { form.StopBtn.click(); });
    form.RecordBtn.click();  // resume: the device's count goes on from where it was

    // After the pause the buffers no longer line up with the numbering: look
    // at samples. The numbers only grow (nothing twice), and the quiet sound
    // right before each burst is there with pre-roll and not without.
    expectMarkersInOrder(path);
    const auto bytes = readAll(path);
    int quietBefore[2] = {0, 0};  // samples of the three buffers before each burst
    for (std::size_t off = 44; off + 1 < bytes.size(); off += 2) {
      const int m = std::abs(s16At(bytes, off)), k = markerOf(m);
      ASSERT_NE(m, 0) << "at byte " << off;
      for (int b = 0; b < 2; ++b) quietBefore[b] += m < 3000 && k >= (b ? 57 : 17) && k < (b ? 60 : 20);
    }
    for (int q : quietBefore) EXPECT_TRUE(preRoll == 2 ? q >= 2 * Frames : q < Frames) << q;
    const auto rows = logRows(dir.file("take" + std::to_string(preRoll) + ".csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][5], "0.000");
    EXPECT_EQ(rows[2][5], rows[1][2]) << "the second transmission starts where the first ends";
    host.clearMessages();
  }
}

// Minimum length of 300 ms: a click of three buffers (279 ms) is dropped (no
// file, no bytes, no row), a burst of four (372 ms) is kept; in both modes.
TEST_F(TransmissionsTest, AClickShorterThanTheMinimumLeavesNoTrace) {
  for (const bool ownFile : {false, true}) {
    SCOPED_TRACE(ownFile);
    path = dir.file(ownFile ? "dispatch.wav" : "one.wav");
    record([](int k) { return within(k, {{20, 23}, {60, 64}}); }, 100, LoggingSettings{0, ownFile, 300, 0});
    const auto ks = ownFile ? (ownFiles().size() == 1 ? buffersIn(ownFiles()[0]) : std::vector<int>{})
                            : buffersIn(path);
    ASSERT_FALSE(ks.empty());
    EXPECT_EQ(ks.front(), 60) << "the click, or the quiet before the burst, was kept";
    EXPECT_EQ(logRows(dir.file(ownFile ? "dispatch.csv" : "one.csv")).size(), 2u);
  }
}

// Maximum length: a squelch stuck open for two and a half minutes is cut into
// files of the one-minute limit, the cut ones marked so in the log; nothing is lost.
TEST_F(TransmissionsTest, AStuckSquelchIsCutIntoFilesOfTheLimit) {
  record([](int) { return true; }, static_cast<int>(150000 / BufferMs), LoggingSettings{0, true, 0, 1});
  const auto files = ownFiles();
  ASSERT_EQ(files.size(), 3u);
  const auto rows = logRows(dir.file("dispatch.csv"));
  ASSERT_EQ(rows.size(), 4u);
  int next = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const auto ks = buffersIn(files[i]);
    ASSERT_FALSE(ks.empty());
    EXPECT_EQ(ks.front(), next) << files[i];
    EXPECT_EQ(ks.back() - ks.front() + 1, static_cast<int>(ks.size())) << files[i];
    next = ks.back() + 1;
    EXPECT_NEAR(std::stod(rows[i + 1][2]), i < 2 ? 60 : 30, 1.0);
    EXPECT_EQ(rows[i + 1][6], i < 2 ? "yes" : "no");
  }
}

// A file transfer gates the same way, timed by its place in the input file,
// and splits a long recording into a file for each call: its loud blocks and
// the hang, each once and in order.
TEST_F(TransmissionsTest, AFileTransferMakesAFileForEachCall) {
  markedWav(dir.file("long.wav"), 80, [](int k) { return within(k, {{10, 20}, {50, 60}}); });
  form.transmissions.settings = LoggingSettings{0, true, 0, 0};
  form.FileTransferCheckBox.click();
  host.queueFileChoice(dir.file("long.wav"));
  host.queueFileChoice(path);
  form.RecordBtn.click();  // runs to the end of the input
  const auto files = ownFiles();
  ASSERT_EQ(files.size(), 2u);
  for (const int i : {0, 1}) {
    const auto ks = buffersIn(files[std::size_t(i)]);
    ASSERT_FALSE(ks.empty());
    EXPECT_EQ(ks, range(10 + 40 * i, ks.back() + 1));
    EXPECT_TRUE(ks.back() >= 23 + 40 * i && ks.back() <= 26 + 40 * i) << ks.back();  // the hang: about 500 ms
  }
  EXPECT_EQ(logRows(dir.file("dispatch.csv")).size(), 3u);
}

TEST_F(TransmissionsTest, TwoTransmissionsInOneSecondGetDistinctNames) {
  // Buffers 1-2 and 10-11: the second starts under a second after the first.
  host.setWallClock(epochFromCivil(CivilTime{2026, 12, 6, 21, 38, 4}));
  record([](int k) { return k == 1 || k == 10; }, 30, LoggingSettings{0, true, 0, 0});
  const auto files = ownFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(std::filesystem::path(files[0]).filename(), "dispatch-2026-12-06_21-38-04-2.wav");
  EXPECT_EQ(std::filesystem::path(files[1]).filename(), "dispatch-2026-12-06_21-38-04.wav");

  // Named as FLAC: each transmission's file is FLAC too, and holds the same sound.
  path = dir.file("dispatch.flac");
  record([](int k) { return k == 1 || k == 10; }, 30, LoggingSettings{0, true, 0, 0});
  EXPECT_FALSE(std::filesystem::exists(path));  // the chosen name only gave the names
  const auto flacs = ownFiles(".flac");
  ASSERT_EQ(flacs.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& flac = flacs[i];
    const auto bytes = readAll(files[i]);
    const Decoded d = decode(flac);
    ASSERT_EQ(d.samples.size() * 2, bytes.size() - 44) << flac;
    EXPECT_EQ(std::memcmp(d.samples.data(), bytes.data() + 44, bytes.size() - 44), 0) << flac;
  }
}

// A bad line, out of range by one or not a number, leaves the value before it standing.
TEST(LoggingSettingsFile, RoundTripAndEveryBadLineIgnored) {
  const LoggingSettings s{3, true, 1500, 90};
  EXPECT_EQ(LoggingSettings::parse(s.format()), s);
  EXPECT_EQ(LoggingSettings::parse(""), LoggingSettings{});
  EXPECT_EQ(LoggingSettings::parse(s.format() +
                                   "pre_roll_buffers = 6\none_file_per_transmission = maybe\nmin_length_ms = 2001\n"
                                   "min_length_ms = -1\nmax_length_minutes = 1441\nmax_length_minutes = 12x\n"
                                   "min_length_ms\n= 5\nunknown = 3\ngarbage\n"),
            s);
  EXPECT_EQ(LoggingSettings::parse("  pre_roll_buffers=5  \r\nmin_length_ms=2000\nmax_length_minutes = 1440"),
            (LoggingSettings{5, false, 2000, 1440}));
}
