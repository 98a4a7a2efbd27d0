#include <gtest/gtest.h>

#include "FormFixture.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class InputBlocks : public FormFixture {
 protected:
  InputBlocks() {
    startUp();
    form.formats.designFilter = [](float, float) {};
  }
};

}  // namespace

TEST_F(InputBlocks, AreReadUpToTheEndOfTheDataAndNeverBeyondIt) {
  // 3000 bytes of sound followed by a metadata chunk that must never be played.
  WavBytes w;
  w.header(1, 11025).raw("data").u32(3000).fill(3000, 0x21).chunk("LIST", 64, 0x7F);
  const std::string path = dir.file("tail.wav");
  writeAll(path, w.bytes);
  host.queueFileChoice(path);
  form.OpenInput1Click();
  ASSERT_EQ(form.InputFileOpen, 1);

  std::vector<std::uint8_t> block(2048, 0xAA);
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 2048u);
  EXPECT_EQ(block[2047], 0x21);
  std::fill(block.begin(), block.end(), 0xAA);  // an older block must not survive
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 952u);
  EXPECT_EQ(block[951], 0x21);
  for (std::size_t i = 952; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 0u);
  for (std::uint8_t b : block) ASSERT_EQ(b, 0);

  form.StopBtnClick();  // no file: silence
  std::fill(block.begin(), block.end(), 0xAA);
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 0u);
  EXPECT_EQ(block[0], 0);
}
