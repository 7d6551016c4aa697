#include "translator/messages.h"

#include <array>
#include <cstddef>

namespace vevadar::translator {
namespace {

using textfields::FieldSpec;
using textfields::integer_field;
using textfields::literal;
using textfields::OutputValue;
using textfields::skip;
using textfields::text_field;

enum class Destination : std::uint8_t {
  kProgress,     // MESSAG, as a progress line
  kInformation,  // MESSAG
  kError,        // CPROMPTERROR, counted as an error line
  kWarning,      // CPROMPTERROR and the message file, counted as a warning line
  kMessageFile,  // the message file only
};

constexpr std::size_t kMaxFields = 6;

struct MessageFacts {
  Message message;
  Destination destination;
  std::array<FieldSpec, kMaxFields> fields;
  std::size_t field_count;
  [[nodiscard]] constexpr std::span<const FieldSpec> layout() const {
    return std::span(fields).first(field_count);
  }
};

template <class... Fields>
constexpr MessageFacts message(Message message, Destination destination, Fields... fields) {
  static_assert(sizeof...(Fields) <= kMaxFields);
  return {message, destination, {fields...}, sizeof...(Fields)};
}

// A text followed by the line counter in 20 columns.
constexpr MessageFacts with_counter(Message id, std::string_view text) {
  return message(id, Destination::kError, literal(text), integer_field(20));
}
constexpr MessageFacts error_text(Message id, std::string_view text) {
  return message(id, Destination::kError, literal(text));
}
// "*    TOTAL NUMBER OF ...: " with the count in 10 columns, three blanks and "*".
constexpr MessageFacts count_line(Message id, std::string_view label) {
  return message(id, Destination::kInformation, literal("*"), skip(4), literal(label),
                 integer_field(10), skip(3), literal("*"));
}
constexpr MessageFacts box_line(Message id, std::string_view text) {
  return message(id, Destination::kMessageFile, literal(text));
}

// In the order of Message.
constexpr std::array kMessages = {
    message(Message::kNodesProcessed, Destination::kProgress, integer_field(8),
            literal(" NODES PROCESSED")),
    message(Message::kElementsProcessed, Destination::kProgress, integer_field(8),
            literal(" ELEMENTS PROCESSED")),
    count_line(Message::kPartCount, "TOTAL NUMBER OF PART       : "),
    count_line(Message::kNodeCount, "TOTAL NUMBER OF NODE       : "),
    count_line(Message::kElementCount, "TOTAL NUMBER OF ELEMENT    : "),
    count_line(Message::kSpcCount, "TOTAL NUMBER OF SPC        : "),
    count_line(Message::kForceCount, "TOTAL NUMBER OF NODAL FORCE: "),
    error_text(Message::kCannotOpenUniversalFile, "**ERROR : CANNOT OPEN UNIVERSAL FILE"),
    message(Message::kCannotOpenFile, Destination::kError, literal("**ERROR : CANNOT OPEN FILE "),
            text_field()),
    error_text(Message::kTranslatorBusy, "**ERROR : TRANSLATOR IS BUSY"),
    error_text(Message::kInternalError, "**ERROR : TRANSLATOR INTERNAL ERROR"),
    error_text(Message::kDelimiterError, "**ERROR : READ DATASET DELIMITER ERROR"),
    error_text(Message::kDataTypeError, "**ERROR : READ DATA TYPE ERROR "),
    with_counter(Message::kReadDataError, "**ERROR : READ DATA ERROR"),
    with_counter(Message::kReadInternalDataError, "**ERROR : READ INTERNAL DATA ERROR"),
    message(Message::kRecordLine, Destination::kError, literal(" RECORD="), integer_field(8)),
    message(Message::kMissingNode, Destination::kError, literal("** ERROR !  NODE # "),
            integer_field(6), literal(" DOES NOT EXIST")),
    with_counter(Message::kTooManyNodes, "**ERROR : TOO MANY NODES"),
    with_counter(Message::kTooManyElements, "**ERROR : TOO MANY ELEMENTS"),
    with_counter(Message::kTooManyParts, "**ERROR : TOO MANY PARTS"),
    with_counter(Message::kTooManyRestraintSets, "**ERROR : TOO MANY RESTRAINT SETS"),
    with_counter(Message::kTooManyLoadSets, "**ERROR : TOO MANY LOAD SETS"),
    with_counter(Message::kTooManyRigidNodes, "**ERROR : TOO MANY RIGID NODES"),
    error_text(Message::kUncompletedDataset, "**ERROR : ENCOUNTER UNCOMPLETED DATASET"),
    error_text(Message::kCannotWriteModelFile, "**ERROR : CANNOT WRITE MODEL FILE"),
    message(Message::kElementTypeWarning, Destination::kWarning, literal("WARNING: ELEMENT TYPE "),
            integer_field(3, 1, 3), literal(" CANNOT BE CREATED IN VELM")),
    box_line(Message::kBoxBorder, "************************************************"),
    box_line(Message::kBoxTitle, "*          SUMMARY OF THE MODEL                *"),
    box_line(Message::kBoxRule, "*       --------------------------             *"),
    box_line(Message::kBoxBlank, "*                                              *"),
};

constexpr bool in_message_order() {
  for (std::size_t i = 0; i < kMessages.size(); ++i) {
    if (static_cast<std::size_t>(kMessages[i].message) != i) return false;
  }
  return kMessages.size() == static_cast<std::size_t>(Message::kBoxBlank) + 1;
}
static_assert(in_message_order(), "kMessages lists every Message once, in the order of Message");

constexpr const MessageFacts& facts_of(Message message) {
  return kMessages[static_cast<std::size_t>(message)];
}

void form(std::span<char, textfields::kLineWidth> line, Message message,
          std::span<const OutputValue> values) {
  // Every layout in the table fits the 80 columns; write_line keeps what fits if one ever did not.
  (void)textfields::write_line(line, facts_of(message).layout(), values);
}

Message capacity_message(Capacity what) {
  switch (what) {
    case Capacity::kNodes:
      return Message::kTooManyNodes;
    case Capacity::kElements:
      return Message::kTooManyElements;
    case Capacity::kParts:
      return Message::kTooManyParts;
    case Capacity::kRestraintSets:
      return Message::kTooManyRestraintSets;
    case Capacity::kLoadSets:
      return Message::kTooManyLoadSets;
    case Capacity::kRigidNodes:
      return Message::kTooManyRigidNodes;
  }
  return Message::kTooManyNodes;
}

}  // namespace

void send_error_line(host::Host& host, Message message, std::span<const OutputValue> values) {
  char line[textfields::kLineWidth];
  form(line, message, values);
  host.error(line);
}

void Messages::send(Message message, std::span<const OutputValue> values) {
  form(line_, message, values);
  switch (facts_of(message).destination) {
    case Destination::kProgress:
      host_.progress(line_);
      return;
    case Destination::kInformation:
      host_.information(line_);
      return;
    case Destination::kError:
      ++error_lines_;
      host_.error(line_);
      return;
    case Destination::kWarning:
      ++warning_lines_;
      host_.error(line_);
      // The host may have written into the line it was handed: the file's line is formed again.
      write_message_file_line(message, values);
      return;
    case Destination::kMessageFile:
      write_message_file_line(message, values);
      return;
  }
}

void Messages::report(const ReaderOutcome& outcome, std::int32_t line_counter) {
  switch (outcome.route) {
    case Route::kDatasetEnd:
    case Route::kLeaveDataset:
      return;
    case Route::kReadFailure:
      send(Message::kReadDataError, line_counter);
      return;
    case Route::kFieldConversion:
      send(Message::kReadInternalDataError, line_counter);
      send(Message::kRecordLine, line_counter);
      return;
    case Route::kMissingNode:
      send(Message::kMissingNode, outcome.label);
      return;
    case Route::kCapacity:
      send(capacity_message(outcome.capacity), line_counter);
      return;
    case Route::kPrematureEnd:
      send(Message::kUncompletedDataset);
      return;
  }
}

void Messages::summary(const modelfile::Model& model) {
  const std::array<std::pair<Message, std::int32_t>, 5> counts = {{
      {Message::kPartCount, model.part_count},
      {Message::kNodeCount, model.node_count},
      {Message::kElementCount, model.element_count},
      {Message::kSpcCount, model.restraint_set_count},
      {Message::kForceCount, model.load_set_count},
  }};
  for (const auto& [message, count] : counts) send(message, count);

  send(Message::kBoxBorder);
  send(Message::kBoxTitle);
  send(Message::kBoxRule);
  // The box has no part count line: the host receives five count lines and the file four.
  for (std::size_t i = 1; i < counts.size(); ++i) {
    const OutputValue values[] = {counts[i].second};
    write_message_file_line(counts[i].first, values);
  }
  send(Message::kBoxBlank);
  send(Message::kBoxBorder);
}

void Messages::write_message_file_line(Message message, std::span<const OutputValue> values) {
  char line[textfields::kLineWidth];
  form(line, message, values);
  const std::string_view text(line, textfields::kLineWidth);
  // The message file keeps an earlier run's content until this run writes its first line.
  if (!message_file_started_) {
    message_file_started_ = true;
    message_file_.cut();
  }
  message_file_.write(text.data(), textfields::trimmed_length(text));
  message_file_.write("\r\n", 2);
}

}  // namespace vevadar::translator
