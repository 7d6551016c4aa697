// Whole runs through run_translation: the files a run leaves, the summary, the empty model,
// and the scanner's framing and error lines as the host receives them.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

std::vector<std::string> summary_lines(int parts, int nodes, int elements, int spc, int loads) {
  auto line = [](std::string_view label, int count) {
    return "*    " + std::string(label) + column(count, 10) + "   *";
  };
  return {line("TOTAL NUMBER OF PART       : ", parts),
          line("TOTAL NUMBER OF NODE       : ", nodes),
          line("TOTAL NUMBER OF ELEMENT    : ", elements),
          line("TOTAL NUMBER OF SPC        : ", spc), line("TOTAL NUMBER OF NODAL FORCE: ", loads)};
}

TEST(Run, EmptyFileGivesTheEmptyModelSummaryAndBox) {
  ScratchDirectory dir;
  const Translation run = translate("");
  EXPECT_EQ(run.result.end, translator::RunEnd::kCompleted);
  EXPECT_EQ(hex_bytes(run.model_bytes), hex_bytes(empty_model()));
  EXPECT_EQ(run.host.information_lines(), summary_lines(0, 0, 0, 0, 0));
  EXPECT_TRUE(run.host.error_lines().empty());
  EXPECT_EQ(run.host.wrong_length, 0);
  // The count ends in column 44.
  EXPECT_EQ(run.host.lines[0].text.substr(43, 1), "0");
  EXPECT_EQ(run.host.lines[0].text.substr(42, 1), " ");

  const std::string box =
      "************************************************\r\n"
      "*          SUMMARY OF THE MODEL                *\r\n"
      "*       --------------------------             *\r\n"
      "*    TOTAL NUMBER OF NODE       :          0   *\r\n"
      "*    TOTAL NUMBER OF ELEMENT    :          0   *\r\n"
      "*    TOTAL NUMBER OF SPC        :          0   *\r\n"
      "*    TOTAL NUMBER OF NODAL FORCE:          0   *\r\n"
      "*                                              *\r\n"
      "************************************************\r\n";
  EXPECT_EQ(run.message_file, box);
  // A completed run leaves neither the node index file nor the scratch file.
  EXPECT_FALSE(file_exists("velm.inn"));
  EXPECT_FALSE(file_exists("temp.prt"));
}

TEST(Run, SecondRunLeavesOnlyItsOwnModelAndMessages) {
  ScratchDirectory dir;
  write_file("velm.bin", std::string(5000, 'x'));
  write_file("rozedere.msg", std::string(3000, 'y'));
  const Translation run = translate(dataset(164, "units\n"));
  EXPECT_EQ(hex_bytes(run.model_bytes), hex_bytes(empty_model()));
  EXPECT_EQ(run.message_file.find('y'), std::string::npos);
  EXPECT_EQ(run.message_file.size(), 9U * 50U);
}

TEST(Run, MissingInputIsReportedAndNothingIsCreated) {
  ScratchDirectory dir;
  const Translation run = translate_file("no-such-file.unv");
  EXPECT_EQ(run.result.end, translator::RunEnd::kModelNotWritten);
  EXPECT_EQ(run.host.error_lines(),
            std::vector<std::string>{"**ERROR : CANNOT OPEN UNIVERSAL FILE"});
  EXPECT_TRUE(run.host.information_lines().empty());
  for (const char* name :
       {"velm.bin", "velm.inn", "temp.prt", "rozedere.msg", "no-such-file.unv"}) {
    EXPECT_FALSE(file_exists(name)) << name;
  }
}

TEST(Run, DirectoryAsInputCannotBeOpened) {
  ScratchDirectory dir;
  std::filesystem::create_directory("input.unv");
  const Translation run = translate_file("input.unv");
  EXPECT_EQ(run.host.error_lines(),
            std::vector<std::string>{"**ERROR : CANNOT OPEN UNIVERSAL FILE"});
  EXPECT_FALSE(file_exists("velm.bin"));
}

TEST(Run, RunFileThatCannotBeCreatedEndsTheRunBeforeScanning) {
  for (const char* name : {"velm.bin", "velm.inn", "temp.prt", "rozedere.msg"}) {
    ScratchDirectory dir;
    std::filesystem::create_directory(name);
    const Translation run = translate(dataset(164, "x\n"));
    EXPECT_EQ(run.result.end, translator::RunEnd::kModelNotWritten) << name;
    EXPECT_EQ(run.host.error_lines(),
              std::vector<std::string>{std::string("**ERROR : CANNOT OPEN FILE ") + name});
    EXPECT_TRUE(run.host.information_lines().empty()) << name;
  }
}

TEST(Run, AnExistingModelFileIsKeptUntilTheRunWritesIt) {
  // A run that cannot open a later run file returns before writing the model.
  ScratchDirectory dir;
  write_file("velm.bin", "earlier model");
  std::filesystem::create_directory("rozedere.msg");
  (void)translate("");
  EXPECT_EQ(read_file("velm.bin"), "earlier model");
}

TEST(Run, FilesStayWhereTheRunStartedWhenTheHostChangesDirectory) {
  // A host may change the current directory from inside a callback (a file dialog, say).
  class WanderingHost final : public host::Host {
   public:
    void information(char* /*line*/) override {
      if (!moved_) std::filesystem::current_path("elsewhere");
      moved_ = true;
    }
    void error(char* /*line*/) override {}

   private:
    bool moved_ = false;
  };
  ScratchDirectory dir;
  std::filesystem::create_directory("elsewhere");
  write_file("velm.bin", "earlier model");
  write_file("input.unv", dataset(164, "x\n"));
  WanderingHost host;
  const auto result = translator::run_translation(host, dir.path() + "/input.unv");
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(result.end, translator::RunEnd::kCompleted);
  EXPECT_EQ(hex_bytes(read_file("velm.bin")), hex_bytes(empty_model()));
  EXPECT_EQ(read_file("rozedere.msg").size(), 9U * 50U);
  for (const char* name :
       {"velm.inn", "temp.prt", "elsewhere/velm.bin", "elsewhere/rozedere.msg"}) {
    EXPECT_FALSE(file_exists(name)) << name;
  }
}

TEST(Run, FilesGoToTheGivenDirectoryAndTheDatasetsAreCounted) {
  ScratchDirectory dir;
  std::filesystem::create_directory("out");
  write_file("input.unv", dataset(164, "x\n") + dataset(0, "y\n"));
  CapturingHost host;
  const auto result = translator::run_translation(host, "input.unv", {.directory = "out"});
  EXPECT_EQ(result.end, translator::RunEnd::kCompleted);
  EXPECT_EQ(result.datasets, 2);
  EXPECT_EQ(hex_bytes(read_file("out/velm.bin")), hex_bytes(empty_model()));
  EXPECT_EQ(read_file("out/rozedere.msg").size(), 9U * 50U);
  for (const char* name : {"velm.bin", "rozedere.msg", "out/velm.inn", "out/temp.prt"}) {
    EXPECT_FALSE(file_exists(name)) << name;
  }
  EXPECT_EQ(translate("").result.datasets, 0);
}

TEST(Run, AHostThatThrowsDoesNotLeaveTheTranslatorBusy) {
  class ThrowingHost final : public host::Host {
   public:
    void information(char* /*line*/) override { throw std::runtime_error("host failure"); }
    void error(char* /*line*/) override {}
  };
  ScratchDirectory dir;
  write_file("input.unv", "");
  ThrowingHost thrower;
  EXPECT_THROW((void)translator::run_translation(thrower, "input.unv"), std::runtime_error);
  const Translation next = translate("");
  EXPECT_EQ(next.result.end, translator::RunEnd::kCompleted);
  EXPECT_TRUE(next.host.error_lines().empty());
  EXPECT_EQ(hex_bytes(next.model_bytes), hex_bytes(empty_model()));
}

TEST(Run, ANameWithANulInsideNamesNoFile) {
  ScratchDirectory dir;
  write_file("input.unv", "");
  CapturingHost host;
  const auto result = translator::run_translation(host, std::string_view("input.unv\0zz", 12));
  EXPECT_EQ(result.end, translator::RunEnd::kModelNotWritten);
  EXPECT_EQ(host.error_lines(), std::vector<std::string>{"**ERROR : CANNOT OPEN UNIVERSAL FILE"});
  EXPECT_FALSE(file_exists("velm.bin"));
}

// --- Framing: which datasets are read, skipped, and what the host hears. --------------------

struct FramingCase {
  const char* name;
  std::string unv;
  std::vector<std::string> errors;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FramingCase& c, std::ostream* os) { *os << c.name; }

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, ErrorLinesAsExpected) {
  ScratchDirectory dir;
  const Translation run = translate(GetParam().unv);
  EXPECT_EQ(run.result.end, translator::RunEnd::kCompleted);
  EXPECT_EQ(run.host.error_lines(), GetParam().errors);
  EXPECT_EQ(run.host.information_lines().size(), 5U);
  EXPECT_TRUE(run.model_well_formed);
}

const std::string kTypeError = "**ERROR : READ DATA TYPE ERROR";

INSTANTIATE_TEST_SUITE_P(
    Scanner, Framing,
    ::testing::Values(
        FramingCase{
            "comments_then_skipped_dataset", "comment\nmore\n" + dataset(164, "a\nb\nc\n"), {}},
        FramingCase{
            "last_dataset_without_closing_delimiter", delimiter() + "   164\nline\nline\n", {}},
        FramingCase{"last_line_an_opening_delimiter", dataset(164, "a\n") + delimiter(), {}},
        FramingCase{"empty_file", "", {}},
        FramingCase{"number_zero", dataset(0, "a\n") + dataset(164, "b\n"), {kTypeError}},
        FramingCase{"blank_number_line",
                    delimiter() + "\nxx\n" + delimiter() + dataset(164, ""),
                    {kTypeError}},
        FramingCase{"number_too_large", dataset(100000, "a\n"), {kTypeError}},
        FramingCase{"number_32767_skipped_quietly", dataset(32767, "a\n"), {}},
        // Columns 5-6 of "    -5" hold "-5": a number line, and out of range.
        FramingCase{"negative_number", delimiter() + "    -5\n", {kTypeError}},
        FramingCase{"letter_in_number",
                    "c\n" + delimiter() + "  1A4\nx\n" + delimiter(),
                    {counter_line("**ERROR : READ DATA ERROR", 3)}},
        FramingCase{"several_delimiters_are_one_boundary",
                    delimiter() + delimiter() + delimiter() + "   164\nx\n" + delimiter(),
                    {}},
        FramingCase{"text_after_column_6_of_number_line",
                    delimiter() + "   164 units of the model\nx\n" + delimiter(),
                    {}},
        // After a skipped dataset the scan is in the header state: a text line right after the
        // closing delimiter is read as a dataset number line.
        FramingCase{"text_after_skipped_dataset",
                    dataset(164, "x\n") + "Workpiece\n",
                    {counter_line("**ERROR : READ DATA ERROR", 5)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Scanner, DelimiterRuleLooksAtColumns5And6Only) {
  struct Row {
    const char* line;
    bool delimiter;
  };
  const Row rows[] = {
      {"    -1", true},   {"abcd-1", true},   {"    -12345", true},
      {"   -1", false},   {"  -1", false},    {"-1", false},
      {"     -1", false}, {"    - 1", false}, {"\t\t\t\t-1", true},
  };
  for (const Row& row : rows) {
    ScratchDirectory dir;
    // A delimiter opens a dataset whose number line 0 is a type error; otherwise nothing is said.
    const Translation run = translate(std::string(row.line) + "\n     0\n");
    EXPECT_EQ(run.host.error_lines().size(), row.delimiter ? 1U : 0U) << '"' << row.line << '"';
  }
}

}  // namespace
}  // namespace vevadar::testing
