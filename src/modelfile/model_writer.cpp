// write_model: the model tables as the record sequence the host reads. Every count comes from the
// model, so the records that are present depend only on the counts; the framing of each record is
// the record file's business. Each record is begun by its kind and, in a build with asserts,
// checked against the size kRecordSequence gives it.
#include "modelfile/modelfile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <span>
#include <string_view>

namespace vevadar::modelfile {
namespace {

std::size_t rows(std::int32_t count) { return count > 0 ? static_cast<std::size_t>(count) : 0; }

// The node and element tables are read front to back between the record writes, several
// megabytes of them: each row asks for the memory of a row further on, so that no load waits for
// it (the hardware does not read ahead across a page of its own accord). A hint only.
template <class Row, std::size_t kRows>
void prefetch_ahead([[maybe_unused]] const std::array<Row, kRows>& table,
                    [[maybe_unused]] std::size_t row) {
#if defined(__GNUC__)
  constexpr std::size_t kAhead = 1536 / sizeof(Row);
  if (row + kAhead < kRows) __builtin_prefetch(&table[row + kAhead]);
#endif
}

// The record file with each record begun by its kind, so that its end can check the size.
class RecordWriter {
 public:
  RecordWriter(recordfiles::SequentialRecordFile& file, const Counts& counts)
      : file_(file), counts_(counts) {}

  void begin_record(Record record) {
    record_ = record;
    file_.begin_record();
  }
  void end_record() {
    assert(static_cast<std::int64_t>(file_.record_size()) == payload_bytes(record_, counts_));
    file_.end_record();
  }
  // A whole record of a few scalars, encoded in place.
  template <std::size_t kBytes>
  void add_record(Record record, const std::array<std::uint8_t, kBytes>& payload) {
    static_assert(kBytes <= recordfiles::kSegmentPayload);
    record_ = record;
    file_.add_record(payload.data(), payload.size());
    assert(static_cast<std::int64_t>(file_.record_size()) == payload_bytes(record_, counts_));
  }
  void add_int32(std::int32_t value) { file_.add_int32(value); }
  void add_int32s(std::span<const std::int32_t> values) { file_.add_int32s(values); }
  void add_floats(std::span<const float> values) { file_.add_floats(values); }
  void add_float(float value) { file_.add_float(value); }
  void add_text(std::string_view text, std::size_t width) { file_.add_text(text, width); }

 private:
  recordfiles::SequentialRecordFile& file_;
  Counts counts_;
  Record record_ = Record::kHeader;
};

void write_header(RecordWriter& file) {
  constexpr std::string_view kTag = kVersionTag;
  file.begin_record(Record::kHeader);
  file.add_text(kTag, kTag.size());
  file.end_record();
}

void write_parts(const Model& model, RecordWriter& file) {
  const std::size_t parts = rows(model.part_count);
  file.begin_record(Record::kPartNames);
  for (std::size_t p = 0; p < parts; ++p) {
    const Part& part = model.parts[p];
    file.add_text(std::string_view(part.name.data(), part.name.size()), kPartNameWidth);
  }
  file.end_record();

  file.begin_record(Record::kPartIds);
  for (std::size_t p = 0; p < parts; ++p) file.add_int32(model.parts[p].id);
  file.end_record();
}

void write_nodes(const Model& model, RecordWriter& file) {
  for (std::size_t n = 0; n < rows(model.node_count); ++n) {
    const Node& node = model.nodes[n];
    prefetch_ahead(model.nodes, n);
    // The label, x, y, z and a 0.
    std::array<std::uint8_t, 5 * recordfiles::kScalarBytes> payload{};
    recordfiles::encode_int32(&payload[0], node.label);
    recordfiles::encode_float(&payload[4], node.x);
    recordfiles::encode_float(&payload[8], node.y);
    recordfiles::encode_float(&payload[12], node.z);
    file.add_record(Record::kNode, payload);
  }
}

std::int32_t write_elements(const Model& model, RecordWriter& file) {
  std::int32_t written = 0;
  for (std::size_t e = 0; e < rows(model.element_count); ++e) {
    const Element& element = model.elements[e];
    prefetch_ahead(model.elements, e);
    // A slot without a label holds no element (a row given back, or a blank label).
    if (element.label == 0) continue;
    // The label, type, part and node count, slots 1-8, then the trailing zeros.
    constexpr std::size_t kScalar = recordfiles::kScalarBytes;
    std::array<std::uint8_t, kElementIntegers * kScalar> payload{};
    recordfiles::encode_int32(&payload[0], element.label);
    recordfiles::encode_int32(&payload[kScalar], element.type);
    recordfiles::encode_int32(&payload[2 * kScalar], element.part);
    recordfiles::encode_int32(&payload[3 * kScalar], element.node_count);
    for (std::size_t i = 0; i < element.nodes.size(); ++i) {
      recordfiles::encode_int32(&payload[(4 + i) * kScalar], element.nodes[i]);
    }
    file.add_record(Record::kElement, payload);
    ++written;
  }
  // The element records carry no count: an all-zero element record ends them.
  file.begin_record(Record::kElementEnd);
  for (int i = 0; i < kElementIntegers; ++i) file.add_int32(0);
  file.end_record();
  return written;
}

void write_set_numbering(std::int32_t sets, RecordWriter& file) {
  file.begin_record(Record::kCombinedSetCount);
  file.add_int32(sets);
  file.end_record();
  if (sets <= 0) return;
  file.begin_record(Record::kSetNumbering);
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(k);
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(1);
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(k);
  file.add_int32(sets);
  file.end_record();
}

void write_restraints(const Model& model, RecordWriter& file) {
  file.begin_record(Record::kRestraintHeader);
  file.add_int32(model.restraint_set_count);
  file.add_int32(model.node_count);
  file.end_record();
  if (model.restraint_set_count <= 0) return;

  // The set ids are not written; the host numbers the sets itself.
  file.begin_record(Record::kRestraintMarker);
  file.add_int32(1);
  file.end_record();
  for (std::size_t k = 0; k < rows(model.restraint_set_count); ++k) {
    file.begin_record(Record::kRestraintColumn);
    file.add_int32s(std::span(model.restraint[k]).first(rows(model.node_count)));
    file.end_record();
  }
}

bool is_loaded(const Force& load) {
  // == compares -0.0 equal to 0.0: a negative zero is no load.
  for (const float value : load.force) {
    if (value != 0.0f) return true;
  }
  for (const float value : load.moment) {
    if (value != 0.0f) return true;
  }
  return false;
}

void write_loads(const Model& model, RecordWriter& file) {
  file.begin_record(Record::kLoadHeader);
  file.add_int32(model.load_set_count);
  file.end_record();
  if (model.load_set_count <= 0) return;

  file.begin_record(Record::kLoadSetIds);
  for (std::size_t i = 0; i < rows(model.load_set_count); ++i)
    file.add_int32(model.load_set_ids[i]);
  file.end_record();
  for (std::size_t i = 0; i < rows(model.load_set_count); ++i) {
    file.begin_record(Record::kLoadSet);
    file.add_int32(model.load_set_dataset_count[i]);
    file.add_int32(model.load_set_second_count[i]);
    file.end_record();
    // No count precedes a set's node load records: the next 8-byte set record ends them.
    for (std::size_t n = 0; n < rows(model.node_count); ++n) {
      const Force& load = model.loads[i][n];
      if (!is_loaded(load)) continue;
      file.begin_record(Record::kNodeLoad);
      file.add_int32(static_cast<std::int32_t>(n + 1));
      for (const float value : load.force) file.add_float(value);
      for (const float value : load.moment) file.add_float(value);
      file.end_record();
    }
  }
}

}  // namespace

std::int32_t write_model(const Model& model, recordfiles::SequentialRecordFile& records) {
  // The set numbering lists have room for kMaxSets entries; the readers never register more.
  assert(model.restraint_set_count <= kMaxSets && model.load_set_count <= kMaxSets);
  assert(model.node_count <= kMaxNodes && model.element_count <= kMaxElements &&
         model.part_count <= kMaxParts);

  RecordWriter file(records, model_counts(model));
  write_header(file);
  file.begin_record(Record::kModelCounts);
  file.add_int32(model.part_count);
  file.add_int32(model.node_count);
  file.end_record();
  write_parts(model, file);
  write_nodes(model, file);
  const std::int32_t element_records = write_elements(model, file);
  write_set_numbering(std::max(model.restraint_set_count, model.load_set_count), file);
  write_restraints(model, file);
  write_loads(model, file);
  return element_records;
}

}  // namespace vevadar::modelfile
