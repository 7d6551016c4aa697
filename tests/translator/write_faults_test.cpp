// A write to the model file that the file system refuses: the run sends one error line and
// leaves velm.bin as the empty model 4B 82, never a cut model or the earlier file, and closes its
// files as usual (summary sent, message file written, no node index or scratch file left).
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCannotWrite = {"**ERROR : CANNOT WRITE MODEL FILE"};
const std::string kEmptyModel("\x4B\x82", 2);

// Size and first bytes in hex: enough to tell the empty model, a cut model and an old file apart.
std::string shown(std::string_view bytes) {
  return std::to_string(bytes.size()) + " bytes: " + hex_bytes(bytes.substr(0, 24)) +
         (bytes.size() > 24 ? "..." : "");
}

const char* const kCoordinates[] = {"   0.0000000000000000D+00", "   1.0000000000000000D+00",
                                    "  -2.5000000000000000D-01", "   3.3333333333333331D-01"};

// `nodes` nodes, a triangle for every node after the second, one restraint set and one load set:
// every kind of record of the model file.
std::string model_text(int nodes) {
  std::string node_lines;
  for (int label = 1; label <= nodes; ++label) {
    node_lines += column(label, 10) + "         1         1        11\n";
    node_lines += std::string(kCoordinates[label % 4]) + kCoordinates[(label / 4) % 4] +
                  kCoordinates[(label / 16) % 4] + "\n";
  }
  std::string element_lines;
  for (int label = 1; label + 2 <= nodes; ++label) {
    element_lines += column(label, 10) + "        91" + column(1 + label % 3, 10) +
                     "         1         7         3\n";
    element_lines += column(label, 10) + column(label + 1, 10) + column(label + 2, 10) + "\n";
  }
  const std::string zeros =
      "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n";
  const std::string restraint =
      "         1         1\nFIXED\n         1         0 1 1 1 0 0 0\n" + zeros + zeros + zeros;
  const std::string load =
      "         1         1\nPUSH\n         2         0\n"
      "   1.0000000000000000D+00   0.0000000000000000D+00  -5.0000000000000000D+02\n"
      "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
      "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n";
  return dataset(2411, node_lines) + dataset(2412, element_lines) + dataset(791, restraint) +
         dataset(790, load);
}

// What every run whose model file write was refused must show, against the run without a fault.
void expect_refused_write(const Translation& run, const Translation& reference) {
  EXPECT_EQ(run.result.end, translator::RunEnd::kModelNotWritten);
  EXPECT_EQ(run.host.error_lines(), kCannotWrite);
  EXPECT_EQ(shown(run.model_bytes), shown(kEmptyModel));
  // The summary comes before the model file is written, and the files are closed as usual.
  EXPECT_EQ(run.host.information_lines(), reference.host.information_lines());
  EXPECT_EQ(run.message_file, reference.message_file);
  EXPECT_FALSE(file_exists("velm.inn"));
  EXPECT_FALSE(file_exists("temp.prt"));
}

TEST(ModelWriteFault, EveryWriteRefusedInTurnLeavesTheEmptyModel) {
  ScratchDirectory dir;
  write_file("model.unv", model_text(40));
  const Translation reference = translate_file("model.unv");
  ASSERT_EQ(reference.result.end, translator::RunEnd::kCompleted);
  ASSERT_TRUE(reference.model_well_formed);
  ASSERT_TRUE(reference.host.error_lines().empty());
  ASSERT_EQ(summary_counts(reference.host), (std::vector<std::int32_t>{3, 40, 38, 1, 1}));

  int refused_runs = 0;
  for (int n = 1;; ++n) {
    ASSERT_LT(n, 100000) << "the run never got past the refused writes";
    // An earlier, longer model file is in place: neither it nor a part of the new model may stay.
    write_file("velm.bin", reference.model_bytes + "earlier");
    translator::RunOptions options;
    options.model_write_fault.fail_at = n;
    const Translation run = translate_file("model.unv", options);
    if (run.result.end == translator::RunEnd::kCompleted) {
      // Write n no longer exists: the whole model went through.
      EXPECT_TRUE(run.host.error_lines().empty());
      EXPECT_TRUE(run.model_bytes == reference.model_bytes) << shown(run.model_bytes);
      break;
    }
    SCOPED_TRACE("write " + std::to_string(n) + " refused");
    expect_refused_write(run, reference);
    ++refused_runs;
    if (HasFailure()) break;  // the first failing write tells it all
  }
  // The model spans many writes; a fault seam that fires only once would show as 1 here.
  EXPECT_GE(refused_runs, 3);
}

// A real full file system: a tmpfs of 32 KiB (needs root and permission to mount). The node
// index file (4 bytes per label) and the message file fit; the model file does not.
TEST(ModelWriteFault, FullFileSystemLeavesTheEmptyModel) {
#ifdef _WIN32
  GTEST_SKIP() << "mounting a small tmpfs (mount(2)) is Linux only";
#else
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  if (modelfile::kMaxNodes < 3000) GTEST_SKIP() << "needs 3,000 node rows";
  ScratchDirectory dir;
  write_file("model.unv", model_text(3000));
  const std::string input = dir.path() + "/model.unv";  // outside the small file system
  const Translation reference = translate_file(input);
  ASSERT_EQ(reference.result.end, translator::RunEnd::kCompleted);
  ASSERT_GT(reference.model_bytes.size(), 4u * 32768u);

  const std::string small = dir.path() + "/small";
  fs::create_directory(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=32k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  }
  struct Unmount {
    std::string path;
    std::string back;
    ~Unmount() {
      std::error_code error;
      fs::current_path(back, error);
      umount2(path.c_str(), MNT_DETACH);
    }
  } unmount{small, dir.path()};

  fs::current_path(small);
  const Translation run = translate_file(input);
  expect_refused_write(run, reference);
#endif
}

}  // namespace
}  // namespace vevadar::testing
