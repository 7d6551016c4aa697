// write_model: the model tables as the record sequence the host reads. Every count comes from the
// model, so the records that are present depend only on the counts; the framing of each record is
// the record file's business.
#include "modelfile/modelfile.h"

#include <algorithm>
#include <cassert>
#include <string_view>

namespace vevadar::modelfile {
namespace {

using recordfiles::SequentialRecordFile;

// Size of the element end record and of the integers behind an element's node slots.
constexpr int kElementEndIntegers = 15;
constexpr int kElementTrailingZeros = 3;

std::size_t rows(std::int32_t count) { return count > 0 ? static_cast<std::size_t>(count) : 0; }

void write_header(SequentialRecordFile& file) {
  constexpr std::string_view kTag = kVersionTag;
  static_assert(kTag.size() == 10);
  file.begin_record();
  file.add_text(kTag, kTag.size());
  file.end_record();
}

void write_parts(const Model& model, SequentialRecordFile& file) {
  const std::size_t parts = rows(model.part_count);
  file.begin_record();
  for (std::size_t p = 0; p < parts; ++p) {
    const Part& part = model.parts[p];
    file.add_text(std::string_view(part.name.data(), part.name.size()), kPartNameWidth);
  }
  file.end_record();

  file.begin_record();
  for (std::size_t p = 0; p < parts; ++p) file.add_int32(model.parts[p].id);
  file.end_record();
}

void write_nodes(const Model& model, SequentialRecordFile& file) {
  for (std::size_t n = 0; n < rows(model.node_count); ++n) {
    const Node& node = model.nodes[n];
    file.begin_record();
    file.add_int32(node.label);
    file.add_float(node.x);
    file.add_float(node.y);
    file.add_float(node.z);
    file.add_int32(0);
    file.end_record();
  }
}

void write_elements(const Model& model, SequentialRecordFile& file) {
  for (std::size_t e = 0; e < rows(model.element_count); ++e) {
    const Element& element = model.elements[e];
    // A slot without a label holds no element (a row given back, or a blank label).
    if (element.label == 0) continue;
    file.begin_record();
    file.add_int32(element.label);
    file.add_int32(element.type);
    file.add_int32(element.part);
    file.add_int32(element.node_count);
    for (const std::int32_t node : element.nodes) file.add_int32(node);
    for (int i = 0; i < kElementTrailingZeros; ++i) file.add_int32(0);
    file.end_record();
  }
  // The element records carry no count: an all-zero element record ends them.
  file.begin_record();
  for (int i = 0; i < kElementEndIntegers; ++i) file.add_int32(0);
  file.end_record();
}

void write_set_numbering(std::int32_t sets, SequentialRecordFile& file) {
  file.begin_record();
  file.add_int32(sets);
  file.end_record();
  if (sets <= 0) return;
  file.begin_record();
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(k);
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(1);
  for (std::int32_t k = 1; k <= sets; ++k) file.add_int32(k);
  file.add_int32(sets);
  file.end_record();
}

void write_restraints(const Model& model, SequentialRecordFile& file) {
  file.begin_record();
  file.add_int32(model.restraint_set_count);
  file.add_int32(model.node_count);
  file.end_record();
  if (model.restraint_set_count <= 0) return;

  // The set ids are not written; the host numbers the sets itself.
  file.begin_record();
  file.add_int32(1);
  file.end_record();
  for (std::size_t k = 0; k < rows(model.restraint_set_count); ++k) {
    file.begin_record();
    for (std::size_t n = 0; n < rows(model.node_count); ++n) file.add_int32(model.restraint[k][n]);
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

void write_loads(const Model& model, SequentialRecordFile& file) {
  file.begin_record();
  file.add_int32(model.load_set_count);
  file.end_record();
  if (model.load_set_count <= 0) return;

  file.begin_record();
  for (std::size_t i = 0; i < rows(model.load_set_count); ++i)
    file.add_int32(model.load_set_ids[i]);
  file.end_record();
  for (std::size_t i = 0; i < rows(model.load_set_count); ++i) {
    file.begin_record();
    file.add_int32(model.load_set_dataset_count[i]);
    file.add_int32(model.load_set_second_count[i]);
    file.end_record();
    // No count precedes a set's node load records: the next 8-byte set record ends them.
    for (std::size_t n = 0; n < rows(model.node_count); ++n) {
      const Force& load = model.loads[i][n];
      if (!is_loaded(load)) continue;
      file.begin_record();
      file.add_int32(static_cast<std::int32_t>(n + 1));
      for (const float value : load.force) file.add_float(value);
      for (const float value : load.moment) file.add_float(value);
      file.end_record();
    }
  }
}

}  // namespace

void write_model(const Model& model, SequentialRecordFile& file) {
  // The set numbering lists have room for kMaxSets entries; the readers never register more.
  assert(model.restraint_set_count <= kMaxSets && model.load_set_count <= kMaxSets);
  assert(model.node_count <= kMaxNodes && model.element_count <= kMaxElements &&
         model.part_count <= kMaxParts);

  write_header(file);
  file.begin_record();
  file.add_int32(model.part_count);
  file.add_int32(model.node_count);
  file.end_record();
  write_parts(model, file);
  write_nodes(model, file);
  write_elements(model, file);
  write_set_numbering(std::max(model.restraint_set_count, model.load_set_count), file);
  write_restraints(model, file);
  write_loads(model, file);
}

}  // namespace vevadar::modelfile
