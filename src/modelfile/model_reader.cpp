// read_model: the record sequence of write_model read back. Each step names the record it needs
// (its name and size come from kRecordSequence) before reading it, so a file that breaks
// anywhere gets one message with the offset, the record number and what belonged there.
#include "modelfile/modelfile.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "recordfiles/coding.h"
#include "textfields/textfields.h"

namespace vevadar::modelfile {
namespace {

using recordfiles::kScalarBytes;
using recordfiles::RecordCursor;

std::int32_t int_at(std::span<const std::uint8_t> payload, std::size_t index) {
  return recordfiles::decode_int32(payload.data() + index * kScalarBytes);
}

float float_at(std::span<const std::uint8_t> payload, std::size_t index) {
  return recordfiles::decode_float(payload.data() + index * kScalarBytes);
}

std::string bytes_of(std::size_t size) { return std::to_string(size) + " bytes"; }
std::string text_of(std::int64_t value) { return std::to_string(value); }

// Words after a record's name: a text ("of 6 parts", "or the element end record"), or
// "n of count" when count is above 0.
struct Which {
  std::string_view text = {};
  std::int64_t n = 0;
  std::int64_t count = 0;
};

// "node record 3 of 14 (20 bytes)", made only when it is needed.
class RecordExpected final : public RecordCursor::Expected {
 public:
  RecordExpected(Record record, Which which, std::size_t size)
      : record_(record), which_(which), size_(size) {}
  [[nodiscard]] std::string text() const override {
    const std::string words = which_.count > 0 ? text_of(which_.n) + " of " + text_of(which_.count)
                                               : std::string(which_.text);
    return std::string(record_kind(record_).name) + " record" + (words.empty() ? "" : " ") + words +
           " (" + bytes_of(size_) + ")";
  }

 private:
  Record record_;
  Which which_;
  std::size_t size_;
};

// One pass over the records; the first problem ends it.
class SequenceReader {
 public:
  SequenceReader(std::string_view bytes, ModelVisitor& visitor)
      : cursor_(bytes), visitor_(visitor) {}

  ModelReadResult run() {
    if (!header() || !counts() || !parts() || !nodes() || !elements() || !set_numbering() ||
        !restraints() || !loads()) {
      return {false, problem_};
    }
    return {true, {}};
  }

 private:
  RecordPlace place() const {
    return {cursor_.records(), cursor_.record_offset(), cursor_.payload().size()};
  }
  std::span<const std::uint8_t> payload() const { return cursor_.payload(); }
  std::int32_t integer(std::size_t index) const { return int_at(payload(), index); }

  // The size of `record` in this file, as far as the counts read so far tell.
  std::size_t size_of(Record record) const {
    return static_cast<std::size_t>(payload_bytes(record, counts_));
  }

  // The problem at the current record start; `record` is the number it has or would have.
  bool fail(const std::string& what, std::int64_t record) {
    char where[64];
    std::snprintf(where, sizeof where, "offset %zu, record %" PRId64 ": ", cursor_.record_offset(),
                  record);
    problem_ = where + what;
    return false;
  }
  bool fail_here(const std::string& what) { return fail(what, cursor_.records()); }

  // Steps to the next record or the end marker; false (the problem kept) if the bytes break.
  // `expected`: a RecordCursor::Expected or a text.
  template <class Expected>
  bool step(const Expected& expected, RecordCursor::Step& outcome) {
    outcome = cursor_.next(expected);
    if (outcome != RecordCursor::Step::kBroken) return true;
    problem_ = cursor_.problem();
    return false;
  }

  // Reads the next record, which must be `record`; `which` tells more ("3 of 14", "of 6 parts").
  bool expect(Record record, Which which = {}) {
    const std::size_t size = size_of(record);
    return cursor_.next_of_size(size) || expect_read(record, which, size);
  }

  // expect() for a record that is not one segment of the expected size: read in full, and the
  // problem put into words where the bytes break.
  bool expect_read(Record record, Which which, std::size_t size) {
    const RecordExpected expected(record, which, size);
    RecordCursor::Step outcome{};
    if (!step(expected, outcome)) return false;
    if (outcome == RecordCursor::Step::kEnd) {
      // 4B 82: what a run leaves when it ends before writing the model.
      const char* empty = cursor_.records() == 0 ? " (a model file without records)" : "";
      return fail(expected.text() + " expected, found the end marker 0x82" + empty,
                  cursor_.records() + 1);
    }
    if (payload().size() != size) {
      return fail_here(expected.text() + " expected, found a record of " +
                       bytes_of(payload().size()));
    }
    return true;
  }

  bool in_range(const char* what, std::int32_t value, std::int32_t low, std::int32_t high) {
    if (value >= low && value <= high) return true;
    return fail_here(std::string(what) + " " + text_of(low) + " to " + text_of(high) +
                     " expected, found " + text_of(value));
  }

  bool header() {
    if (!expect(Record::kHeader)) return false;
    const std::string_view text(reinterpret_cast<const char*>(payload().data()), payload().size());
    if (text != kVersionTag) {
      return fail_here("header text \"" + std::string(kVersionTag) + "\" expected, found \"" +
                       textfields::printable(text) + "\"");
    }
    visitor_.header(place(), text);
    return true;
  }

  bool counts() {
    if (!expect(Record::kModelCounts)) return false;
    counts_.parts = integer(0);
    counts_.nodes = integer(1);
    if (!in_range("a part count", counts_.parts, 0, kMaxParts)) return false;
    if (!in_range("a node count", counts_.nodes, 0, kMaxNodes)) return false;
    visitor_.counts(place(), counts_.parts, counts_.nodes);
    return true;
  }

  bool parts() {
    const auto count = static_cast<std::size_t>(counts_.parts);
    const std::string which = "of " + text_of(counts_.parts) + " parts";
    if (!expect(Record::kPartNames, {.text = which})) return false;
    for (std::size_t p = 0; p < count; ++p) {
      std::memcpy(parts_table_[p].name.data(), payload().data() + p * kPartNameWidth,
                  kPartNameWidth);
      parts_table_[p].id = 0;
    }
    const std::span<const Part> table(parts_table_.data(), count);
    visitor_.part_names(place(), table);
    if (!expect(Record::kPartIds, {.text = which})) return false;
    for (std::size_t p = 0; p < count; ++p) parts_table_[p].id = integer(p);
    visitor_.part_ids(place(), table);
    return true;
  }

  bool nodes() {
    for (std::int32_t n = 1; n <= counts_.nodes; ++n) {
      if (!expect(Record::kNode, {.n = n, .count = counts_.nodes})) return false;
      const Node node{integer(0), float_at(payload(), 1), float_at(payload(), 2),
                      float_at(payload(), 3)};
      if (!std::isfinite(node.x) || !std::isfinite(node.y) || !std::isfinite(node.z)) {
        return fail_here("finite coordinates of node " + text_of(n) + " expected");
      }
      if (integer(4) != 0) return fail_here("0 after the node's coordinates expected");
      visitor_.node(place(), n, node);
    }
    return true;
  }

  bool elements() {
    static_assert(payload_bytes(Record::kElement, {}) == payload_bytes(Record::kElementEnd, {}));
    for (std::int32_t e = 1;; ++e) {
      if (!expect(Record::kElement, {.text = "or the element end record"})) return false;
      std::int32_t values[kElementIntegers];
      for (std::size_t i = 0; i < kElementIntegers; ++i) values[i] = integer(i);
      const auto nonzero = [](std::int32_t v) { return v != 0; };
      // The end record is the one element record with label 0.
      if (values[0] == 0) {
        if (std::any_of(values, values + kElementIntegers, nonzero)) {
          return fail_here("the element end record (15 zeros) expected after a label of 0");
        }
        visitor_.element_end(place());
        return true;
      }
      if (e > kMaxElements) {
        return fail_here("the element end record after " + text_of(kMaxElements) +
                         " elements expected");
      }
      ElementRecord element{values[0], values[1], values[2], values[3], {}};
      std::copy(values + 4, values + 4 + kNodeSlots, element.nodes.begin());
      if (std::any_of(values + 4 + kNodeSlots, values + kElementIntegers, nonzero)) {
        return fail_here("0 in the element record's last three integers expected");
      }
      if (!in_range("a part index", element.part, 1, counts_.parts)) return false;
      const std::int32_t used = std::min(element.node_count, kNodeSlots);
      for (std::int32_t j = 0; j < used; ++j) {
        const std::int32_t index = element.nodes[static_cast<std::size_t>(j)];
        if (index < 1 || index > counts_.nodes) {
          return fail_here("node index 1 to " + text_of(counts_.nodes) + " in node slot " +
                           text_of(j + 1) + " of element " + text_of(element.label) +
                           " expected, found " + text_of(index));
        }
      }
      visitor_.element(place(), element);
    }
  }

  bool set_numbering() {
    if (!expect(Record::kCombinedSetCount)) return false;
    const std::int32_t sets = counts_.combined_sets = integer(0);
    if (!in_range("a combined set count", sets, 0, kMaxSets)) return false;
    visitor_.set_count(place(), sets);
    if (sets == 0) return true;
    if (!expect(Record::kSetNumbering, {.text = "of " + text_of(sets) + " sets"})) return false;
    // 1 to M, M times 1, 1 to M, then M.
    const auto m = static_cast<std::size_t>(sets);
    std::int32_t values[3 * kMaxSets + 1];
    for (std::size_t i = 0; i < 3 * m + 1; ++i) {
      const auto k = static_cast<std::int32_t>(i % m + 1);
      const std::int32_t want = i == 3 * m ? sets : (i / m == 1 ? 1 : k);
      values[i] = integer(i);
      if (values[i] != want) {
        const std::string list = text_of(sets);
        return fail_here("set numbering 1.." + list + ", " + list + " x 1, 1.." + list + ", " +
                         list + " expected, integer " + text_of(static_cast<std::int64_t>(i) + 1) +
                         " is " + text_of(values[i]));
      }
    }
    visitor_.set_numbering(place(), std::span<const std::int32_t>(values, 3 * m + 1));
    return true;
  }

  bool restraints() {
    if (!expect(Record::kRestraintHeader)) return false;
    counts_.restraint_sets = integer(0);
    if (!in_range("a restraint set count", counts_.restraint_sets, 0, kMaxSets)) return false;
    if (integer(1) != counts_.nodes) {
      return fail_here("the node count " + text_of(counts_.nodes) +
                       " in the restraint header expected, found " + text_of(integer(1)));
    }
    visitor_.restraint_header(place(), counts_.restraint_sets, counts_.nodes);
    if (counts_.restraint_sets == 0) return true;
    if (!expect(Record::kRestraintMarker)) return false;
    if (integer(0) != 1) return fail_here("restraint marker 1 expected");
    visitor_.restraint_marker(place());
    const auto n = static_cast<std::size_t>(counts_.nodes);
    for (std::int32_t k = 1; k <= counts_.restraint_sets; ++k) {
      if (!expect(Record::kRestraintColumn, {.n = k, .count = counts_.restraint_sets})) {
        return false;
      }
      for (std::size_t i = 0; i < n; ++i) codes_[i] = integer(i);
      visitor_.restraint_column(place(), k, std::span<const std::int32_t>(codes_.data(), n));
    }
    return true;
  }

  bool loads() {
    if (!expect(Record::kLoadHeader)) return false;
    const std::int32_t load_sets = counts_.load_sets = integer(0);
    if (!in_range("a load set count", load_sets, 0, kMaxSets)) return false;
    if (std::max(counts_.restraint_sets, load_sets) != counts_.combined_sets) {
      return fail_here("the combined set count " + text_of(counts_.combined_sets) +
                       " is not the larger of the restraint set count " +
                       text_of(counts_.restraint_sets) + " and the load set count " +
                       text_of(load_sets));
    }
    visitor_.load_header(place(), load_sets);
    RecordCursor::Step outcome{};
    if (load_sets == 0) {
      if (!step("end marker 0x82", outcome)) return false;
      if (outcome == RecordCursor::Step::kRecord) {
        return fail_here("end marker 0x82 expected, found a record of " +
                         bytes_of(payload().size()));
      }
      visitor_.end(cursor_.record_offset(), cursor_.records());
      return true;
    }
    if (!expect(Record::kLoadSetIds, {.text = "of " + text_of(load_sets) + " sets"})) return false;
    std::int32_t ids[kMaxSets];
    for (std::size_t i = 0; i < static_cast<std::size_t>(load_sets); ++i) ids[i] = integer(i);
    visitor_.load_set_ids(place(),
                          std::span<const std::int32_t>(ids, static_cast<std::size_t>(load_sets)));
    if (!expect(Record::kLoadSet, {.n = 1, .count = load_sets})) return false;
    // A set's node load records end where the next set's record begins (8 bytes against 28),
    // or, after the last set, at the end marker.
    for (std::int32_t set = 1; set <= load_sets; ++set) {
      visitor_.load_set(place(), set, integer(0), integer(1));
      const bool last = set == load_sets;
      const std::string expected =
          "a node load record of set " + text_of(set) +
          (last ? " or the end marker 0x82" : " or load set record " + text_of(set + 1));
      std::int32_t previous = 0;
      while (true) {
        if (!step(expected, outcome)) return false;
        if (outcome == RecordCursor::Step::kEnd) {
          if (!last) {
            return fail(expected + " expected, found the end marker 0x82", cursor_.records() + 1);
          }
          visitor_.end(cursor_.record_offset(), cursor_.records());
          return true;
        }
        if (!last && payload().size() == size_of(Record::kLoadSet)) break;
        if (payload().size() != size_of(Record::kNodeLoad)) {
          return fail_here(expected + " expected, found a record of " + bytes_of(payload().size()));
        }
        if (!node_load(set, previous)) return false;
      }
    }
    return true;  // not reached: the last set ends at the end marker
  }

  bool node_load(std::int32_t set, std::int32_t& previous) {
    const std::int32_t node = integer(0);
    if (node <= previous || node > counts_.nodes) {
      return fail_here("a node index " + text_of(previous + 1) + " to " + text_of(counts_.nodes) +
                       " in the node load record expected, found " + text_of(node));
    }
    previous = node;
    Force load{};
    bool loaded = false;
    for (std::size_t i = 0; i < 3; ++i) {
      load.force[i] = float_at(payload(), 1 + i);
      load.moment[i] = float_at(payload(), 4 + i);
      if (!std::isfinite(load.force[i]) || !std::isfinite(load.moment[i])) {
        return fail_here("a finite force and moment in the node load record expected");
      }
      // == takes -0.0 for 0.0: the writer leaves out such a node.
      loaded = loaded || load.force[i] != 0.0f || load.moment[i] != 0.0f;
    }
    if (!loaded) return fail_here("a non-zero force or moment in the node load record expected");
    visitor_.node_load(place(), set, node, load);
    return true;
  }

  RecordCursor cursor_;
  ModelVisitor& visitor_;
  std::string problem_;
  Counts counts_;
  std::array<Part, kMaxParts> parts_table_{};
  // Only its first node count entries are ever written and read: left uninitialised, the rest
  // costs no memory however large the capacity.
  std::array<std::int32_t, kMaxNodes> codes_;
};

// Fills the tables of a Model from the records.
class Loader final : public ModelVisitor {
 public:
  explicit Loader(Model& model) : model_(model) {}
  void counts(const RecordPlace&, std::int32_t parts, std::int32_t nodes) override {
    model_.part_count = parts;
    model_.node_count = nodes;
    model_.element_count = 0;
    model_.restraint_set_count = 0;
    model_.load_set_count = 0;
  }
  void part_ids(const RecordPlace&, std::span<const Part> parts) override {
    std::copy(parts.begin(), parts.end(), model_.parts.begin());
  }
  void node(const RecordPlace&, std::int32_t index, const Node& node) override {
    model_.nodes[static_cast<std::size_t>(index - 1)] = node;
  }
  void element(const RecordPlace&, const ElementRecord& record) override {
    Element& row = model_.elements[static_cast<std::size_t>(model_.element_count++)];
    row = {record.label, record.part, record.nodes, record.node_count, record.type};
  }
  void restraint_header(const RecordPlace&, std::int32_t sets, std::int32_t) override {
    model_.restraint_set_count = sets;
  }
  void restraint_column(const RecordPlace&, std::int32_t set,
                        std::span<const std::int32_t> codes) override {
    std::copy(codes.begin(), codes.end(),
              model_.restraint[static_cast<std::size_t>(set - 1)].begin());
  }
  void load_header(const RecordPlace&, std::int32_t sets) override { model_.load_set_count = sets; }
  void load_set_ids(const RecordPlace&, std::span<const std::int32_t> ids) override {
    std::copy(ids.begin(), ids.end(), model_.load_set_ids.begin());
  }
  void load_set(const RecordPlace&, std::int32_t set, std::int32_t datasets,
                std::int32_t second_count) override {
    const auto i = static_cast<std::size_t>(set - 1);
    model_.load_set_dataset_count[i] = datasets;
    model_.load_set_second_count[i] = second_count;
    std::fill_n(model_.loads[i].begin(), model_.node_count, Force{});
  }
  void node_load(const RecordPlace&, std::int32_t set, std::int32_t node,
                 const Force& load) override {
    model_.loads[static_cast<std::size_t>(set - 1)][static_cast<std::size_t>(node - 1)] = load;
  }

 private:
  Model& model_;
};

}  // namespace

ModelReadResult read_model(std::string_view bytes, ModelVisitor& visitor) {
  // The reader holds a part table and a restraint column: too large for the stack.
  auto reader = std::make_unique<SequenceReader>(bytes, visitor);
  return reader->run();
}

std::unique_ptr<Model> new_model() {
  // Default-initialised: the rows are not written, so they cost no memory until they are used.
  std::unique_ptr<Model> model(new Model);
  model->node_count = 0;
  model->element_count = 0;
  model->part_count = 0;
  model->restraint_set_count = 0;
  model->load_set_count = 0;
  model->parts.fill({});
  model->restraint_set_ids.fill(0);
  model->load_set_ids.fill(0);
  model->load_set_dataset_count.fill(0);
  model->load_set_second_count.fill(0);
  return model;
}

ModelReadResult load_model(std::string_view bytes, Model& model) {
  Loader loader(model);
  return read_model(bytes, loader);
}

}  // namespace vevadar::modelfile
