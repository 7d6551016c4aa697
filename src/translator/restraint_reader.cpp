// Restraint datasets. 214 is a bare list of restrained nodes that always feeds restraint set 1;
// 755 and 791 name a restraint set and a record kind in a two-line header, then hold records of
// that kind. Only kind-1 records carry restraints; the other kinds are stepped over.
//
// Each record's fields are converted, its node looked up and (755/791) its second line read
// before anything is stored, so a failing record leaves the table as it was; records stored
// before it stay. Only the two trailing lines of a 791 record come after the store.
#include "translator/readers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace vevadar::translator {
namespace {

using textfields::integer_field;
using textfields::skip;

// 214: label (1-10), flags 1-6 (11-70); columns 71-80 are not read.
constexpr std::array kListLine = {integer_field(10, 7)};
// 755/791 kind 1: label (1-10), columns 11-20 unread, flags 1-6 (21-32).
constexpr std::array kRestraintRecord = {integer_field(10), skip(10), integer_field(2, 6)};

constexpr std::int32_t kNodalRestraint = 1;
constexpr std::int32_t kKindTwo = 2;

std::span<const std::int32_t, 6> flags_of(const std::array<std::int32_t, 7>& fields) {
  return std::span<const std::int32_t, 7>(fields).subspan<1, 6>();
}

ReaderOutcome read_restraint_list(RunState& state) {
  modelfile::Model& model = state.model;
  for (;;) {
    if (const auto failed = need_line(state)) return *failed;
    if (state.lines.is_delimiter()) return dataset_end();

    std::array<std::int32_t, 7> fields{};
    if (!read_columns(state, 1, 70, kListLine, fields).ok()) return conversion_failure();
    const auto node = lookup_node(state, fields[0]);
    if (!node) return missing_node(fields[0]);

    const auto flags = flags_of(fields);
    model.restraint[0][static_cast<std::size_t>(*node - 1)] = restraint_code(flags);
    state.counters.restraint_columns = std::max(state.counters.restraint_columns, 1);
    // Set, not incremented: a list line with a restraint makes the model one set, whatever
    // 755/791 datasets registered before (their column 1 is the one written here).
    if (std::any_of(flags.begin(), flags.end(), [](std::int32_t flag) { return flag > 0; })) {
      model.restraint_set_count = 1;
    }
  }
}

ReaderOutcome read_restraint_set(RunState& state, const RestraintForm& form) {
  modelfile::Model& model = state.model;
  textfields::LineReader& lines = state.lines;

  // The set counts whatever its records turn out to be, even with no record at all.
  SetHeader header;
  if (const auto stop = read_set_header(state, model.restraint_set_ids, model.restraint_set_count,
                                        Capacity::kRestraintSets, header)) {
    return *stop;
  }
  const std::int32_t kind = header.kind;
  auto& column = model.restraint[static_cast<std::size_t>(header.set - 1)];
  state.counters.restraint_columns = std::max(state.counters.restraint_columns, header.set);

  // The header's second line is not tested for the delimiter.
  if (const auto failed = need_line(state)) return *failed;

  for (;;) {
    if (const auto failed = need_line(state)) return *failed;
    if (lines.is_delimiter()) return dataset_end();

    if (kind == kKindTwo) {
      // Kind-2 lines are read as any needed line.
      for (std::int32_t i = 0; i < form.kind_two_further; ++i) {
        if (const auto failed = need_line(state)) return *failed;
      }
      continue;
    }
    if (kind != kNodalRestraint) continue;  // a one-line record of a kind without restraints

    std::array<std::int32_t, 7> fields{};
    if (!read_columns(state, 1, 32, kRestraintRecord, fields).ok()) return conversion_failure();
    const auto node = lookup_node(state, fields[0]);
    if (!node) return missing_node(fields[0]);
    // The record's second line comes before the store: a record cut off there stores nothing.
    if (const auto failed = need_line(state)) return *failed;
    column[static_cast<std::size_t>(*node - 1)] = restraint_code(flags_of(fields));

    // Trailing lines (791) carry nothing used here.
    for (std::int32_t i = 0; i < form.kind_one_trailing; ++i) {
      if (const auto failed = need_record_line(state)) return *failed;
    }
  }
}

}  // namespace

ReaderOutcome read_restraint_dataset(RunState& state, const Dataset& dataset) {
  if (dataset.restraint.list) return read_restraint_list(state);
  return read_restraint_set(state, dataset.restraint);
}

}  // namespace vevadar::translator
