// BinaryFile: names that are not files, and when a file is mapped. (Keeping, cutting and the sticky
// write error are covered through the record files built on it.)
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "recordfiles/recordfiles.h"
#include "support/test_support.h"

namespace vevadar::recordfiles {
namespace {

using namespace vevadar::testing;

TEST(BinaryFile, DirectoriesAndMissingFilesFail) {
  ScratchDirectory scratch;
  auto file = std::make_unique<BinaryFile>();
  std::filesystem::create_directory("velm.bin");
  EXPECT_EQ(file->open_or_create("velm.bin"), BinaryFile::Opened::kFailed);
  EXPECT_FALSE(file->open_for_reading("velm.bin"));
  EXPECT_FALSE(file->open_for_reading("missing.unv"));
  EXPECT_FALSE(file_exists("missing.unv"));  // a reading open never creates
}

// A mapping is the file's bytes, only for a regular, non-empty file opened for reading and not
// yet read from; otherwise it is refused and reading goes on as usual.
TEST(BinaryFile, MapsOnlyAnUnreadRegularFile) {
  ScratchDirectory scratch;
  write_file("model.unv", "    -1\n  2411\n");
  write_file("empty.unv", "");
  auto file = std::make_unique<BinaryFile>();
  ASSERT_TRUE(file->open_for_reading("model.unv"));
#if defined(_WIN32)
  EXPECT_TRUE(file->map_contents().empty());
#else
  EXPECT_EQ(file->map_contents(), "    -1\n  2411\n");
  EXPECT_TRUE(file->map_contents().empty());  // mapped once
  ASSERT_TRUE(file->open_for_reading("model.unv"));
  char byte = 0;
  bool error = false;
  ASSERT_EQ(file->read(&byte, 1, &error), 1U);
  EXPECT_TRUE(file->map_contents().empty());
  ASSERT_TRUE(file->open_for_reading("empty.unv"));
  EXPECT_TRUE(file->map_contents().empty());
  ASSERT_EQ(file->open_or_create("model.unv"), BinaryFile::Opened::kExisting);
  EXPECT_TRUE(file->map_contents().empty());
#endif
}

}  // namespace
}  // namespace vevadar::recordfiles
