#include <gtest/gtest.h>
#include <sys/stat.h>

#include "OtherInstance.h"
#include "TempDir.h"
#include "files/FileStream.h"

using namespace quorvane;
using namespace quorvane::test;

// A FIFO blocks an open for reading until a writer comes, and its writes once its
// buffer is full; a device or a folder is no sound file either. Each is refused at
// once, in both modes, and left as it was. Two instances recording into one file:
// the second may neither truncate nor write into the file the first holds, and
// gets it once the first lets go.
TEST(FileStream, RefusesWhatIsNotARegularFileAndAFileAnotherProcessWrites) {
  TempDir dir;
  const std::string fifo = dir.file("fifo"), held = dir.file("rec.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/full"), dir.path().string()}) {
    for (FileMode mode : {FileMode::ReadBinary, FileMode::CreateBinary}) {
      OpenFailure why = OpenFailure::None;
      EXPECT_FALSE(openStdioFile(path, mode, &why)) << path;
      EXPECT_EQ(why, OpenFailure::NotRegular) << path;
    }
  }
  struct stat st{};
  EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  {
    OtherInstance first(held, "first recording");
    ASSERT_TRUE(first.holding());
    OpenFailure why = OpenFailure::None;
    EXPECT_FALSE(openStdioFile(held, FileMode::CreateBinary, &why));
    EXPECT_EQ(why, OpenFailure::InUse);
    EXPECT_EQ(readAll(held).size(), 15u);
    EXPECT_TRUE(openStdioFile(held, FileMode::ReadBinary));  // reading is never refused
  }
  EXPECT_TRUE(openStdioFile(held, FileMode::CreateBinary));
  EXPECT_TRUE(readAll(held).empty());  // truncated once it is ours
}
