#include "translator/messages.h"

#include <array>

namespace vevadar::translator {
namespace {

using textfields::FieldSpec;
using textfields::integer_field;
using textfields::literal;
using textfields::OutputValue;
using textfields::skip;
using textfields::text_field;

// A text followed by the line counter in 20 columns.
constexpr FieldSpec kTextAndCounter[] = {text_field(), integer_field(20)};
constexpr FieldSpec kTextAlone[] = {text_field()};
constexpr FieldSpec kRecordLine[] = {literal(" RECORD="), integer_field(8)};
constexpr FieldSpec kMissingNode[] = {literal("** ERROR !  NODE # "), integer_field(6),
                                      literal(" DOES NOT EXIST")};
constexpr FieldSpec kProgress[] = {integer_field(8), text_field()};
constexpr FieldSpec kWarning[] = {literal("WARNING: ELEMENT TYPE "), integer_field(3, 1, 3),
                                  literal(" CANNOT BE CREATED IN VELM")};
constexpr FieldSpec kCountLine[] = {literal("*"),      skip(4), text_field(),
                                    integer_field(10), skip(3), literal("*")};

constexpr std::string_view kBoxBorder = "************************************************";
constexpr std::string_view kBoxTitle = "*          SUMMARY OF THE MODEL                *";
constexpr std::string_view kBoxRule = "*       --------------------------             *";
constexpr std::string_view kBoxBlank = "*                                              *";

constexpr std::string_view kPartLabel = "TOTAL NUMBER OF PART       : ";
constexpr std::string_view kNodeLabel = "TOTAL NUMBER OF NODE       : ";
constexpr std::string_view kElementLabel = "TOTAL NUMBER OF ELEMENT    : ";
constexpr std::string_view kSpcLabel = "TOTAL NUMBER OF SPC        : ";
constexpr std::string_view kForceLabel = "TOTAL NUMBER OF NODAL FORCE: ";

std::string_view capacity_text(Capacity what) {
  switch (what) {
    case Capacity::kNodes:
      return "**ERROR : TOO MANY NODES";
    case Capacity::kElements:
      return "**ERROR : TOO MANY ELEMENTS";
    case Capacity::kParts:
      return "**ERROR : TOO MANY PARTS";
    case Capacity::kRestraintSets:
      return "**ERROR : TOO MANY RESTRAINT SETS";
    case Capacity::kLoadSets:
      return "**ERROR : TOO MANY LOAD SETS";
    case Capacity::kRigidNodes:
      return "**ERROR : TOO MANY RIGID NODES";
  }
  return "**ERROR : TOO MANY";
}

}  // namespace

void Messages::information(std::span<const FieldSpec> layout, std::span<const OutputValue> values) {
  // Every layout in use fits the 80 columns; write_line keeps what fits if one ever did not.
  (void)textfields::write_line(line_, layout, values);
  host_.information(line_);
}

void Messages::error(std::span<const FieldSpec> layout, std::span<const OutputValue> values) {
  (void)textfields::write_line(line_, layout, values);
  ++error_lines_;
  host_.error(line_);
}

void Messages::progress(std::int32_t count, std::string_view text) {
  const OutputValue values[] = {count, text};
  information(kProgress, values);
}

void Messages::element_type_warning(std::int32_t descriptor) {
  const OutputValue values[] = {descriptor};
  (void)textfields::write_line(line_, kWarning, values);
  ++warning_lines_;
  host_.error(line_);
  // The host may have written into the line it was handed: form the text again for the file.
  (void)textfields::write_line(line_, kWarning, values);
  const std::string_view text(line_, textfields::kLineWidth);
  write_message_file_line(text.substr(0, textfields::trimmed_length(text)));
}

void Messages::error_text(std::string_view text) {
  const OutputValue values[] = {text};
  error(kTextAlone, values);
}

void Messages::read_data_error(std::int32_t line_counter) {
  const OutputValue values[] = {std::string_view("**ERROR : READ DATA ERROR"), line_counter};
  error(kTextAndCounter, values);
}

void Messages::report(const ReaderOutcome& outcome, std::int32_t line_counter) {
  switch (outcome.route) {
    case Route::kDatasetEnd:
    case Route::kLeaveDataset:
      return;
    case Route::kReadFailure:
      read_data_error(line_counter);
      return;
    case Route::kFieldConversion: {
      const OutputValue first[] = {std::string_view("**ERROR : READ INTERNAL DATA ERROR"),
                                   line_counter};
      error(kTextAndCounter, first);
      const OutputValue second[] = {line_counter};
      error(kRecordLine, second);
      return;
    }
    case Route::kMissingNode: {
      const OutputValue values[] = {outcome.label};
      error(kMissingNode, values);
      return;
    }
    case Route::kCapacity: {
      const OutputValue values[] = {capacity_text(outcome.capacity), line_counter};
      error(kTextAndCounter, values);
      return;
    }
    case Route::kPrematureEnd:
      error_text("**ERROR : ENCOUNTER UNCOMPLETED DATASET");
      return;
  }
}

void Messages::summary(const modelfile::Model& model) {
  const std::array<std::pair<std::string_view, std::int32_t>, 5> counts = {{
      {kPartLabel, model.part_count},
      {kNodeLabel, model.node_count},
      {kElementLabel, model.element_count},
      {kSpcLabel, model.restraint_set_count},
      {kForceLabel, model.load_set_count},
  }};
  for (const auto& [label, count] : counts) {
    const OutputValue values[] = {label, count};
    information(kCountLine, values);
  }

  write_message_file_line(kBoxBorder);
  write_message_file_line(kBoxTitle);
  write_message_file_line(kBoxRule);
  // The box has no part count line: the host receives five count lines and the file four.
  for (std::size_t i = 1; i < counts.size(); ++i) {
    char line[textfields::kLineWidth];
    const OutputValue values[] = {counts[i].first, counts[i].second};
    (void)textfields::write_line(line, kCountLine, values);
    const std::string_view text(line, textfields::kLineWidth);
    write_message_file_line(text.substr(0, textfields::trimmed_length(text)));
  }
  write_message_file_line(kBoxBlank);
  write_message_file_line(kBoxBorder);
}

void Messages::write_message_file_line(std::string_view text) {
  // The message file keeps an earlier run's content until this run writes its first line.
  if (!message_file_started_) {
    message_file_started_ = true;
    message_file_.cut();
  }
  message_file_.write(text.data(), text.size());
  message_file_.write("\r\n", 2);
}

}  // namespace vevadar::translator
