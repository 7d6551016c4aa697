// The host message layer: the single 80-column host message line, the lines of the error routes,
// progress lines, the element type warning, the run summary, and the message file
// "rozedere.msg" (lines ending in CR LF, written from its start by the first line of a run).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "host/host.h"
#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"
#include "translator/readers.h"

namespace vevadar::translator {

class Messages {
 public:
  Messages(host::Host& host, recordfiles::BinaryFile& message_file)
      : host_(host), message_file_(message_file) {}
  Messages(const Messages&) = delete;
  Messages& operator=(const Messages&) = delete;

  // Forms `layout` in the host message line and hands it to MESSAG / CPROMPTERROR.
  void information(std::span<const textfields::FieldSpec> layout,
                   std::span<const textfields::OutputValue> values);
  void error(std::span<const textfields::FieldSpec> layout,
             std::span<const textfields::OutputValue> values);

  // "    2000 NODES PROCESSED": the count in 8 columns, then the text.
  void progress(std::int32_t count, std::string_view text);
  // "WARNING: ELEMENT TYPE 044 CANNOT BE CREATED IN VELM" to CPROMPTERROR and the message file.
  void element_type_warning(std::int32_t descriptor);
  // The error line(s) of a reader's route, with the line counter where the layout has one.
  void report(const ReaderOutcome& outcome, std::int32_t line_counter);
  // A text alone ("**ERROR : READ DATASET DELIMITER ERROR", ...).
  void error_text(std::string_view text);
  // "**ERROR : READ DATA ERROR" with the counter in 20 columns.
  void read_data_error(std::int32_t line_counter);
  // The five count lines to MESSAG, then the nine-line box to the message file.
  void summary(const modelfile::Model& model);

  [[nodiscard]] std::int32_t error_lines() const { return error_lines_; }
  [[nodiscard]] std::int32_t warning_lines() const { return warning_lines_; }

 private:
  void write_message_file_line(std::string_view text);

  host::Host& host_;
  recordfiles::BinaryFile& message_file_;
  bool message_file_started_ = false;
  char line_[textfields::kLineWidth] = {};
  std::int32_t error_lines_ = 0;
  std::int32_t warning_lines_ = 0;
};

}  // namespace vevadar::translator
