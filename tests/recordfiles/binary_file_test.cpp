// BinaryFile: names that are not files. (Keeping, cutting and the sticky write error are covered
// through the record files built on it.)
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

}  // namespace
}  // namespace vevadar::recordfiles
