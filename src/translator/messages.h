// The host message layer: every line the translator sends, in one table of messages (messages.cpp)
// with each one's layout and destination; the single 80-column host message line; the lines of
// the error routes; the run summary; and the message file "rozedere.msg" (lines ending in CR LF,
// written from its start by the first line of a run).
#pragma once

#include <cstdint>
#include <span>

#include "host/host.h"
#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"
#include "translator/readers.h"

namespace vevadar::translator {

// Every message, by what it says. The values each one takes are listed after it.
enum class Message : std::uint8_t {
  // Information lines (MESSAG).
  kNodesProcessed,     // count: "    2000 NODES PROCESSED"
  kElementsProcessed,  // count
  kPartCount,          // count: the summary's count lines; all but this one are box lines too
  kNodeCount,          // count
  kElementCount,       // count
  kSpcCount,           // count
  kForceCount,         // count
  // Error lines (CPROMPTERROR).
  kCannotOpenUniversalFile,
  kCannotOpenFile,  // file name
  kTranslatorBusy,
  kInternalError,
  kDelimiterError,
  kDataTypeError,
  kReadDataError,          // line counter
  kReadInternalDataError,  // line counter; always followed by kRecordLine
  kRecordLine,             // line counter
  kMissingNode,            // node label
  kTooManyNodes,           // line counter, like every kTooMany line
  kTooManyElements,
  kTooManyParts,
  kTooManyRestraintSets,
  kTooManyLoadSets,
  kTooManyRigidNodes,
  kUncompletedDataset,
  kCannotWriteModelFile,
  // A warning line: CPROMPTERROR and the message file.
  kElementTypeWarning,  // element descriptor
  // Message file lines: the summary box around the count lines.
  kBoxBorder,
  kBoxTitle,
  kBoxRule,
  kBoxBlank,
};

// Forms `message`, an error line, in a line of its own and hands it to CPROMPTERROR: the lines
// sent where no run's Messages may be used (an input or run file that cannot be opened, a busy
// translator whose run in progress owns the host message line, an internal error at the entry).
void send_error_line(host::Host& host, Message message,
                     std::span<const textfields::OutputValue> values = {});

class Messages {
 public:
  Messages(host::Host& host, recordfiles::BinaryFile& message_file)
      : host_(host), message_file_(message_file) {}
  Messages(const Messages&) = delete;
  Messages& operator=(const Messages&) = delete;

  // Forms `message` with `values` in the host message line and sends it where the message goes.
  void send(Message message, std::span<const textfields::OutputValue> values = {});
  void send(Message message, textfields::OutputValue value) {
    const textfields::OutputValue values[] = {value};
    send(message, values);
  }
  // The error line(s) of a reader's route, with the line counter where the layout has one.
  void report(const ReaderOutcome& outcome, std::int32_t line_counter);
  // The five count lines to MESSAG, then the nine-line box to the message file.
  void summary(const modelfile::Model& model);

  [[nodiscard]] std::int32_t error_lines() const { return error_lines_; }
  [[nodiscard]] std::int32_t warning_lines() const { return warning_lines_; }

 private:
  // Forms `message` again and writes it to the message file without its trailing blanks.
  void write_message_file_line(Message message, std::span<const textfields::OutputValue> values);

  host::Host& host_;
  recordfiles::BinaryFile& message_file_;
  bool message_file_started_ = false;
  char line_[textfields::kLineWidth] = {};
  std::int32_t error_lines_ = 0;
  std::int32_t warning_lines_ = 0;
};

}  // namespace vevadar::translator
