#include <gtest/gtest.h>

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
    const std::string prefix = std::filesystem::path(path).stem().string() + "-";
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind(prefix, 0) == 0 && e.path().extension() == extension)
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

  // A transmission's buffers, from `first` on each once and in order, to the
  // end of the hang (about 500 ms) after a burst that ended before `end`.
  static std::vector<int> expectCall(const std::string& file, int first, int end) {
    const auto ks = buffersIn(file);
    const int last = ks.empty() ? -1 : ks.back();
    EXPECT_EQ(ks, range(first, last + 1)) << file;
    EXPECT_TRUE(last >= end + 3 && last <= end + 6) << file << " ends at " << last;
    return ks;
  }

  std::string path = dir.file("dispatch.wav");
};

}  // namespace

// One file per transmission, pre-roll 2, 300 ms to a minute: each burst a
// file named by its start, exactly the pre-roll, the burst and the hang, and
// a log row to match, complete whenever a kill could come. A click of three
// buffers (279 ms) leaves no trace, a burst of four (372 ms) is kept; a squelch
// stuck open for two and a half minutes is cut at the limit, losing nothing.
TEST_F(TransmissionsTest, OneFilePerTransmissionWithPreRollLengthLimitsAndItsLog) {
  const std::pair<int, int> bursts[] = {{20, 30}, {60, 75}, {120, 124}};
  const int stuck = 140;
  std::vector<std::vector<std::string>> rowsAtKill;
  host.after(static_cast<std::int64_t>(100 * BufferMs), [&] { rowsAtKill = logRows(dir.file("dispatch.csv")); });
  record([&](int k) { return within(k, {bursts[0], bursts[1], {90, 93}, bursts[2]}) || k >= stuck; },
         stuck - 2 + static_cast<int>(150000 / BufferMs), LoggingSettings{2, true, 300, 1});

  EXPECT_FALSE(std::filesystem::exists(path)) << "the chosen name is only a pattern";
  const auto files = ownFiles();
  const auto rows = logRows(dir.file("dispatch.csv"));
  ASSERT_EQ(std::pair(files.size(), rows.size()), (std::pair<std::size_t, std::size_t>(6, 7)));
  EXPECT_EQ(rows[0], (std::vector<std::string>{"start", "end", "duration_s", "peak_dbfs", "file", "offset_s", "cut"}));
  EXPECT_EQ(rowsAtKill, std::vector<std::vector<std::string>>(rows.begin(), rows.begin() + 3));
  for (std::size_t i = 0; i < 3; ++i) {
    const int first = bursts[i].first - 2;
    const auto ks = expectCall(files[i], first, bursts[i].second);
    // Named and logged by the time of its first buffer (the pre-roll's), from 21:38:00 at the start.
    const double startS = first * BufferMs / 1000;
    const std::string name = "dispatch-2026-12-06_21-38-" + std::to_string(100 + int(startS)).substr(1) + ".wav";
    EXPECT_EQ(std::filesystem::path(files[i]).filename(), name);
    const auto& row = rows[i + 1];
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0].substr(0, 17) + row[0].substr(23), "2026-12-06T21:38:+00:00") << row[0];
    EXPECT_NEAR(std::stod(row[0].substr(17, 6)), startS, BufferMs / 1000 * 1.5) << row[0];
    EXPECT_NEAR(std::stod(row[2]), ks.size() * BufferMs / 1000, 0.002);
    EXPECT_NEAR(std::stod(row[1].substr(17, 6)) - std::stod(row[0].substr(17, 6)), std::stod(row[2]), 0.002) << row[1];
    EXPECT_NEAR(std::stod(row[3]), 20 * std::log10((3000.0 + bursts[i].second - 1) / 32767), 0.1);
    EXPECT_EQ(std::vector(row.begin() + 4, row.end()), (std::vector<std::string>{name, "0.000", "no"}));
  }
  int next = stuck - 2;
  for (std::size_t i = 3; i < 6; ++i) {
    const auto ks = buffersIn(files[i]);
    ASSERT_FALSE(ks.empty());
    EXPECT_EQ(ks, range(next, next + static_cast<int>(ks.size()))) << files[i];
    next = ks.back() + 1;
    EXPECT_NEAR(std::stod(rows[i + 1][2]), i < 5 ? 60 : 30, 1.0);
    EXPECT_EQ(rows[i + 1][6], i < 5 ? "yes" : "no");
  }
}

// One file, 300 ms at least: pre-roll 0 loses the quiet start of a burst, 2
// keeps it, also after a pause; nothing is written twice; a click leaves no
// row and no sound (the first row's offset is the file's start).
TEST_F(TransmissionsTest, PreRollAndMinimumLengthInOneFileAfterAHangAndAfterAPause) {
  for (const int preRoll : {0, 2}) {
    SCOPED_TRACE(preRoll);
    path = dir.file("take" + std::to_string(preRoll) + ".wav");
    const std::int64_t t0 = host.nowMs();
    host.at(t0 + static_cast<std::int64_t>(45.5 * BufferMs), [this] { form.PauseBtn.click(); });
    record([](int k) { return within(k, {{5, 8}, {20, 30}, {60, 70}}); }, 100000, {preRoll, false, 300, 0});
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    host.runUntil(t0 + static_cast<std::int64_t>(50 * BufferMs));
    host.after(static_cast<std::int64_t>(40 * BufferMs), [this] { form.StopBtn.click(); });
    form.RecordBtn.click();  // resume: the device's count goes on from where it was

    // After the pause the buffers no longer line up with the numbering: look
    // at samples, whose numbers only grow, for the quiet sound before each burst.
    expectMarkersInOrder(path);
    const auto samples = decode(path).samples;
    EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), 0);
    for (const int burst : {20, 60}) {  // the quiet samples of the three buffers before it
      const auto quiet = std::count_if(samples.begin(), samples.end(), [burst](int v) {
        return std::abs(v) < 3000 && markerOf(v) >= burst - 3 && markerOf(v) < burst;
      });
      EXPECT_TRUE(preRoll == 2 ? quiet >= 2 * Frames : quiet < Frames) << quiet;
    }
    const auto rows = logRows(dir.file("take" + std::to_string(preRoll) + ".csv"));
    ASSERT_EQ(rows.size(), 3u);
    // The second transmission starts where the first ends.
    EXPECT_EQ(std::pair(rows[1][5], rows[2][5]), std::pair(std::string("0.000"), rows[1][2]));
  }
}

TEST_F(TransmissionsTest, TwoInOneSecondGetDistinctNamesInWavOrFlacAndATransferSplitsIntoCalls) {
  // Buffers 1-2 and 10-11: the second starts under a second after the first.
  host.setWallClock(epochFromCivil(CivilTime{2026, 12, 6, 21, 38, 4}));
  record([](int k) { return k == 1 || k == 10; }, 30, LoggingSettings{0, true, 0, 0});
  const auto files = ownFiles();
  ASSERT_EQ(files, (std::vector{dir.file("dispatch-2026-12-06_21-38-04-2.wav"),
                                dir.file("dispatch-2026-12-06_21-38-04.wav")}));

  // Named as FLAC: each transmission's file is FLAC too, and holds the same sound.
  path = dir.file("dispatch.flac");
  record([](int k) { return k == 1 || k == 10; }, 30, LoggingSettings{0, true, 0, 0});
  EXPECT_FALSE(std::filesystem::exists(path));  // the chosen name only gave the names
  const auto flacs = ownFiles(".flac");
  ASSERT_EQ(flacs.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const Decoded wav = decode(files[i]);
    ASSERT_GT(wav.frames(), 0u) << files[i];
    EXPECT_EQ(decode(flacs[i]).samples, wav.samples) << flacs[i];
  }

  // A file transfer gates the same way, timed by its place in the input file,
  // and splits a long recording into a file for each call.
  path = dir.file("transfer.wav");
  form.FileTransferCheckBox.click();
  host.queueFileChoice(markedWav(dir.file("long.wav"), 80, [](int k) { return within(k, {{10, 20}, {50, 60}}); }));
  host.queueFileChoice(path);
  form.RecordBtn.click();  // runs to the end of the input
  const auto calls = ownFiles();
  ASSERT_EQ(calls.size(), 2u);
  expectCall(calls[0], 10, 20);
  expectCall(calls[1], 50, 60);
  EXPECT_EQ(logRows(dir.file("transfer.csv")).size(), 3u);
}

// Read back as written; a bad line, out of range by one or not a number, leaves the value before it standing.
TEST(LoggingSettingsFile, RoundTripAndEveryBadLineIgnored) {
  const LoggingSettings s{3, true, 1500, 90};
  EXPECT_EQ(LoggingSettings::parse(""), LoggingSettings{});
  EXPECT_EQ(LoggingSettings::parse(s.format() +
                                   "pre_roll_buffers = 6\none_file_per_transmission = maybe\nmin_length_ms = 2001\n"
                                   "min_length_ms = -1\nmax_length_minutes = 1441\nmax_length_minutes = 12x\n"
                                   "min_length_ms\n= 5\nunknown = 3\ngarbage\n"),
            s);
  EXPECT_EQ(LoggingSettings::parse("  pre_roll_buffers=5  \r\nmin_length_ms=2000\nmax_length_minutes = 1440"),
            (LoggingSettings{5, false, 2000, 1440}));
}
