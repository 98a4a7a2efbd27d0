#include <gtest/gtest.h>

#include <fstream>

#include "FormFixture.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Resident memory in kB, from the kernel's view of this process.
long residentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string key; status >> key;)
    if (key == "VmRSS:" && status >> key) return std::stol(key);
  return -1;
}

using DayLongRecording = FormFixture;

}  // namespace

// Twenty-four hours of recording at 11025 Hz mono with VOX off, in virtual
// time: every captured sample reaches the file once and in order, the
// elapsed time does not drift, memory stays flat, and the file is complete.
TEST_F(DayLongRecording, NothingLostNothingDoubledNoDriftAndAValidFile) {
  startUp();
  // Frames come in pairs +c, -c with c counting up: a lost or doubled stretch
  // shows as a break in the count, and each buffer's mean is exactly zero,
  // so the DC step leaves the sound as it is.
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) {
    const auto c = static_cast<std::int16_t>(1 + (frame / 2) % 16000);
    return frame % 2 ? static_cast<std::int16_t>(-c) : c;
  }));
  const std::string path = dir.file("day.wav");
  host.queueFileChoice(path);
  long rssAfterAnHour = 0;
  host.after(3600 * 1000, [&] { rssAfterAnHour = residentKb(); });
  host.after(24 * 3600 * 1000, [&] {
    // The counter kept pace with the day (shown at the last buffer, so within a second).
    EXPECT_TRUE(form.TimerMemo.text() == "23:59:59" || form.TimerMemo.text() == "24:00:00") << form.TimerMemo.text();
    form.StopBtn.click();
  });
  form.RecordBtn.click();
  EXPECT_LT(residentKb() - rssAfterAnHour, 4096) << "kB resident after an hour: " << rssAfterAnHour;
  EXPECT_TRUE(host.messages().empty());

  const std::uint64_t size = std::filesystem::file_size(path);
  const WavHeaderInfo info = WavReader::parse(*openStdioFile(path, FileMode::ReadBinary));
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.declaredDataBytes, size - 44);
  EXPECT_NEAR(static_cast<double>(size - 44) / 2 / 11025 / 3600, 24.0, 0.01);  // hours
  std::ifstream in(path, std::ios::binary);
  in.seekg(44);
  std::vector<std::int16_t> chunk(1 << 20);
  int expected = 1;
  std::uint64_t breaks = 0;
  while (in.read(reinterpret_cast<char*>(chunk.data()), std::streamsize(chunk.size() * 2)) || in.gcount() > 0)
    for (std::size_t i = 0; i + 1 < std::size_t(in.gcount() / 2); i += 2, expected = expected % 16000 + 1)
      breaks += chunk[i + 1] != -chunk[i] || chunk[i] != expected;
  EXPECT_EQ(breaks, 0u);
}
