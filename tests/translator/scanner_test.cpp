// The scan over a byte source that can fail: read failures in the search and header states, and
// the line counter the error lines carry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "translator/messages.h"
#include "translator/scanner.h"
#include "translator/translator.h"

namespace vevadar::testing {
namespace {

struct ScanRun {
  std::vector<std::string> errors;
  translator::ScanEnd end;
};

ScanRun scan_script(std::vector<ScriptedSource::Step> steps,
                    translator::RunObserver* observer = nullptr) {
  ScratchDirectory dir;
  auto model = std::make_unique<modelfile::Model>();
  translator::RunCounters counters;
  recordfiles::FixedRecordFile node_index;
  EXPECT_TRUE(node_index.open("velm.inn", true));
  recordfiles::BinaryFile message_file;
  EXPECT_NE(message_file.open_or_create("rozedere.msg"), recordfiles::BinaryFile::Opened::kFailed);
  CapturingHost host;
  translator::Messages messages(host, message_file);
  ScriptedSource source(std::move(steps));
  textfields::LineReader lines(source);
  translator::RunState state{lines, *model, counters, node_index, messages, observer};
  ScanRun out;
  out.end = translator::scan(state);
  out.errors = host.error_lines();
  node_index.close_delete();
  message_file.close();
  return out;
}

const std::string kDelimiterError = "**ERROR : READ DATASET DELIMITER ERROR";

TEST(ScannerReadFailure, InSearchStateReportsAndStaysInSearch) {
  const ScanRun run = scan_script({{"comment\n"}, {"", true}, {"x\n" + dataset(0, "")}});
  EXPECT_EQ(run.end, translator::ScanEnd::kCompleted);
  EXPECT_EQ(run.errors,
            (std::vector<std::string>{kDelimiterError, "**ERROR : READ DATA TYPE ERROR"}));
}

TEST(ScannerReadFailure, InHeaderStateGoesBackToSearch) {
  // The failed read happens where the number line was due: the next line ("     0") is then
  // only searched over, so no type error follows.
  const ScanRun run = scan_script({{delimiter()}, {"", true}, {"     0\nx\n"}});
  EXPECT_EQ(run.errors, std::vector<std::string>{kDelimiterError});
}

TEST(ScannerReadFailure, ConsumesTheFailingLineAndKeepsTheCounter) {
  // Line 1 is read; the read of line 2 fails in the middle (its rest is consumed); then a
  // delimiter and a bad number line, which is line 3 for the counter (the failed line does not
  // count).
  const ScanRun run =
      scan_script({{"first\nsec"}, {"", true}, {"ond\n" + delimiter() + "  1A4\n"}});
  EXPECT_EQ(run.errors, (std::vector<std::string>{kDelimiterError,
                                                  "**ERROR : READ DATA ERROR" + column(3, 20)}));
}

TEST(ScannerReadFailure, AFailingSourceCannotHoldTheScanForever) {
  std::vector<ScriptedSource::Step> steps;
  for (int i = 0; i < 50; ++i) steps.push_back({"", true});
  const ScanRun run = scan_script(steps);
  EXPECT_EQ(run.end, translator::ScanEnd::kCompleted);
  EXPECT_LE(run.errors.size(), 2U);
  EXPECT_GE(run.errors.size(), 1U);
}

// The observer hears of every dataset number line, of the rest of a dataset passed over after an
// error (to its delimiter, or to the file's end), and of the tabs in the lines a reader read.
TEST(ScanObserver, DatasetsSkippedRestsAndTabs) {
  struct Recorder final : translator::RunObserver {
    void dataset(std::int32_t number, std::int32_t line) override {
      events.push_back("dataset " + std::to_string(number) + " at " + std::to_string(line));
    }
    void skipped(const translator::SkippedRest& rest) override {
      events.push_back("cause " + std::to_string(static_cast<int>(rest.cause)) + " in " +
                       std::to_string(rest.dataset) + " at " + std::to_string(rest.line) + ": " +
                       std::to_string(rest.first) + "-" + std::to_string(rest.last) +
                       (rest.closed ? "" : " open"));
    }
    void tab_lines(std::int32_t dataset, std::int32_t lines, std::int32_t first) override {
      events.push_back("tabs in " + std::to_string(dataset) + ": " + std::to_string(lines) +
                       " from " + std::to_string(first));
    }
    std::vector<std::string> events;
  } recorder;
  // Lines 1-7: a missing node on line 4; 8-10: a number out of range, nothing after it but the
  // delimiter; 11-14 a node with a tab; 15-18 a skipped dataset with one; 19-22 a conversion
  // failure on line 21, then the file's end.
  (void)scan_script(
      {{dataset(2412, mass(1, 99) + mass(2, 98)) + dataset(0, "") + dataset(15, "\t7\n") +
        dataset(164, "\t\n") + delimiter() + "  2412\n" + "x\nend\n"}},
      &recorder);
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{
                "dataset 2412 at 2", "cause 1 in 2412 at 4: 5-6", "dataset 0 at 9",
                "cause 1 in 0 at 9: 10-9", "dataset 15 at 12", "tabs in 15: 1 from 13",
                "dataset 164 at 16", "dataset 2412 at 20", "cause 0 in 2412 at 21: 22-22 open"}));
}

TEST(Dispatch, EveryReaderNumberAndNothingElse) {
  const int read[] = {15, 71, 214, 754, 755, 780, 781, 782, 790, 791, 2411, 2412};
  for (int number : read) EXPECT_NE(translator::reader_for(number), nullptr) << number;
  for (int number : {0, 1, 16, 55, 58, 151, 164, 2414, 2420, 32767}) {
    EXPECT_EQ(translator::reader_for(number), nullptr) << number;
  }
}

}  // namespace
}  // namespace vevadar::testing
