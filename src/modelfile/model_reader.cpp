// read_model: the record sequence of write_model read back. Each step names the record it needs
// before reading it, so a file that breaks anywhere gets one message with the offset, the record
// number and what belonged there.
#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "modelfile/modelfile.h"

namespace vevadar::modelfile {
namespace {

using recordfiles::RecordCursor;

constexpr std::size_t kNodeRecordSize = 20;
constexpr std::size_t kElementRecordSize = 60;
constexpr std::size_t kElementIntegers = kElementRecordSize / 4;
constexpr std::size_t kLoadSetRecordSize = 8;
constexpr std::size_t kNodeLoadRecordSize = 28;

std::int32_t int_at(std::span<const std::uint8_t> payload, std::size_t index) {
  const std::size_t at = index * 4;
  const std::uint32_t bits = static_cast<std::uint32_t>(payload[at]) |
                             static_cast<std::uint32_t>(payload[at + 1]) << 8 |
                             static_cast<std::uint32_t>(payload[at + 2]) << 16 |
                             static_cast<std::uint32_t>(payload[at + 3]) << 24;
  return static_cast<std::int32_t>(bits);
}

float float_at(std::span<const std::uint8_t> payload, std::size_t index) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(int_at(payload, index)));
}

std::string bytes_of(std::size_t size) { return std::to_string(size) + " bytes"; }

// One pass over the records; `fail` keeps the first problem and every later step stops.
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

  // The problem for the current record (or record start).
  bool fail(const std::string& what, std::int64_t record) {
    char where[64];
    std::snprintf(where, sizeof where, "offset %zu, record %" PRId64 ": ", cursor_.record_offset(),
                  record);
    problem_ = where + what;
    return false;
  }
  bool fail_here(const std::string& what) { return fail(what, cursor_.records()); }

  // Reads the next record, which must be `what` of `size` payload bytes.
  bool expect(const std::string& what, std::size_t size) {
    const std::string expected = what + " (" + bytes_of(size) + ")";
    switch (cursor_.next(expected)) {
      case RecordCursor::Step::kBroken:
        problem_ = cursor_.problem();
        return false;
      case RecordCursor::Step::kEnd:
        return fail(expected + " expected, found the end marker 0x82", cursor_.records() + 1);
      case RecordCursor::Step::kRecord:
        break;
    }
    if (payload().size() != size) {
      return fail_here(expected + " expected, found a record of " + bytes_of(payload().size()));
    }
    return true;
  }

  bool in_range(const char* what, std::int32_t value, std::int32_t low, std::int32_t high) {
    if (value >= low && value <= high) return true;
    return fail_here(std::string(what) + " " + std::to_string(low) + " to " + std::to_string(high) +
                     " expected, found " + std::to_string(value));
  }

  bool header() {
    constexpr std::string_view kTag = kVersionTag;
    if (!expect("header record", kTag.size())) return false;
    const std::string_view text(reinterpret_cast<const char*>(payload().data()), kTag.size());
    if (text != kTag) {
      return fail_here("header text \"" + std::string(kTag) + "\" expected, found \"" +
                       std::string(text) + "\"");
    }
    visitor_.header(place(), text);
    return true;
  }

  bool counts() {
    if (!expect("model counts record", 8)) return false;
    parts_ = int_at(payload(), 0);
    nodes_ = int_at(payload(), 1);
    if (!in_range("a part count", parts_, 0, kMaxParts)) return false;
    if (!in_range("a node count", nodes_, 0, kMaxNodes)) return false;
    visitor_.counts(place(), parts_, nodes_);
    return true;
  }

  bool parts() {
    const auto count = static_cast<std::size_t>(parts_);
    if (!expect("part names record of " + std::to_string(parts_) + " parts", count * 8)) {
      return false;
    }
    for (std::size_t p = 0; p < count; ++p) {
      std::memcpy(parts_table_[p].name.data(), payload().data() + p * 8, kPartNameWidth);
      parts_table_[p].id = 0;
    }
    const std::span<const Part> table(parts_table_.data(), count);
    visitor_.part_names(place(), table);
    if (!expect("part ids record of " + std::to_string(parts_) + " parts", count * 4)) {
      return false;
    }
    for (std::size_t p = 0; p < count; ++p) parts_table_[p].id = int_at(payload(), p);
    visitor_.part_ids(place(), table);
    return true;
  }

  bool nodes() {
    for (std::int32_t n = 1; n <= nodes_; ++n) {
      if (!expect("node record " + std::to_string(n) + " of " + std::to_string(nodes_),
                  kNodeRecordSize)) {
        return false;
      }
      const Node node{int_at(payload(), 0), float_at(payload(), 1), float_at(payload(), 2),
                      float_at(payload(), 3)};
      if (!std::isfinite(node.x) || !std::isfinite(node.y) || !std::isfinite(node.z)) {
        return fail_here("finite coordinates of node " + std::to_string(n) + " expected");
      }
      if (int_at(payload(), 4) != 0) return fail_here("0 after the node's coordinates expected");
      visitor_.node(place(), n, node);
    }
    return true;
  }

  bool elements() {
    for (std::int32_t e = 1;; ++e) {
      if (!expect("an element record or the element end record", kElementRecordSize)) {
        return false;
      }
      std::int32_t values[kElementIntegers];
      for (std::size_t i = 0; i < kElementIntegers; ++i) values[i] = int_at(payload(), i);
      if (values[0] == 0) {
        if (std::any_of(values, values + kElementIntegers, [](std::int32_t v) { return v != 0; })) {
          return fail_here("the element end record (15 zeros) expected after a label of 0");
        }
        visitor_.element_end(place());
        return true;
      }
      if (e > kMaxElements) {
        return fail_here("the element end record after " + std::to_string(kMaxElements) +
                         " elements expected");
      }
      ElementRecord element{values[0], values[1], values[2], values[3], {}};
      std::copy(values + 4, values + 12, element.nodes.begin());
      if (values[12] != 0 || values[13] != 0 || values[14] != 0) {
        return fail_here("0 in the element record's last three integers expected");
      }
      if (!in_range("a part index", element.part, 1, parts_)) return false;
      const std::int32_t used = std::min(element.node_count, kNodeSlots);
      for (std::int32_t j = 0; j < used; ++j) {
        const std::int32_t index = element.nodes[static_cast<std::size_t>(j)];
        if (index < 1 || index > nodes_) {
          return fail_here("node index 1 to " + std::to_string(nodes_) + " in node slot " +
                           std::to_string(j + 1) + " of element " + std::to_string(element.label) +
                           " expected, found " + std::to_string(index));
        }
      }
      visitor_.element(place(), element);
    }
  }

  bool set_numbering() {
    if (!expect("combined set count record", 4)) return false;
    sets_ = int_at(payload(), 0);
    if (!in_range("a combined set count", sets_, 0, kMaxSets)) return false;
    visitor_.set_count(place(), sets_);
    if (sets_ == 0) return true;
    const auto m = static_cast<std::size_t>(sets_);
    if (!expect("set numbering record of " + std::to_string(sets_) + " sets", 12 * m + 4)) {
      return false;
    }
    std::int32_t values[3 * kMaxSets + 1];
    for (std::size_t i = 0; i < 3 * m + 1; ++i) {
      const auto k = static_cast<std::int32_t>(i % m + 1);
      const std::int32_t want = i == 3 * m ? sets_ : (i / m == 1 ? 1 : k);
      values[i] = int_at(payload(), i);
      if (values[i] != want) {
        return fail_here("set numbering 1.." + std::to_string(sets_) + ", " +
                         std::to_string(sets_) + " x 1, 1.." + std::to_string(sets_) + ", " +
                         std::to_string(sets_) + " expected, integer " + std::to_string(i + 1) +
                         " is " + std::to_string(values[i]));
      }
    }
    visitor_.set_numbering(place(), std::span<const std::int32_t>(values, 3 * m + 1));
    return true;
  }

  bool restraints() {
    if (!expect("restraint header record", 8)) return false;
    restraint_sets_ = int_at(payload(), 0);
    if (!in_range("a restraint set count", restraint_sets_, 0, kMaxSets)) return false;
    if (int_at(payload(), 1) != nodes_) {
      return fail_here("the node count " + std::to_string(nodes_) +
                       " in the restraint header expected, found " +
                       std::to_string(int_at(payload(), 1)));
    }
    visitor_.restraint_header(place(), restraint_sets_, nodes_);
    if (restraint_sets_ == 0) return true;
    if (!expect("restraint marker record", 4)) return false;
    if (int_at(payload(), 0) != 1) return fail_here("restraint marker 1 expected");
    visitor_.restraint_marker(place());
    const auto n = static_cast<std::size_t>(nodes_);
    for (std::int32_t k = 1; k <= restraint_sets_; ++k) {
      if (!expect(
              "restraint column " + std::to_string(k) + " of " + std::to_string(nodes_) + " nodes",
              4 * n)) {
        return false;
      }
      for (std::size_t i = 0; i < n; ++i) codes_[i] = int_at(payload(), i);
      visitor_.restraint_column(place(), k, std::span<const std::int32_t>(codes_.data(), n));
    }
    return true;
  }

  bool loads() {
    if (!expect("load header record", 4)) return false;
    const std::int32_t load_sets = int_at(payload(), 0);
    if (!in_range("a load set count", load_sets, 0, kMaxSets)) return false;
    if (std::max(restraint_sets_, load_sets) != sets_) {
      return fail_here("the combined set count " + std::to_string(sets_) +
                       " is not the larger of the restraint set count " +
                       std::to_string(restraint_sets_) + " and the load set count " +
                       std::to_string(load_sets));
    }
    visitor_.load_header(place(), load_sets);
    if (load_sets > 0) {
      const auto count = static_cast<std::size_t>(load_sets);
      if (!expect("load set ids record of " + std::to_string(load_sets) + " sets", 4 * count)) {
        return false;
      }
      std::int32_t ids[kMaxSets];
      for (std::size_t i = 0; i < count; ++i) ids[i] = int_at(payload(), i);
      visitor_.load_set_ids(place(), std::span<const std::int32_t>(ids, count));
      if (!expect("load set record 1", kLoadSetRecordSize)) return false;
    }
    // A set's node load records end where the next set's 8-byte record begins, or at the end.
    for (std::int32_t set = 1; set <= load_sets; ++set) {
      visitor_.load_set(place(), set, int_at(payload(), 0), int_at(payload(), 1));
      std::int32_t previous = 0;
      while (true) {
        const bool last = set == load_sets;
        const std::string after =
            last ? "a node load record of set " + std::to_string(set) + " or the end marker 0x82"
                 : "a node load record of set " + std::to_string(set) + " or load set record " +
                       std::to_string(set + 1);
        const RecordCursor::Step step = cursor_.next(after);
        if (step == RecordCursor::Step::kBroken) {
          problem_ = cursor_.problem();
          return false;
        }
        if (step == RecordCursor::Step::kEnd) {
          if (!last)
            return fail(after + " expected, found the end marker 0x82", cursor_.records() + 1);
          visitor_.end(cursor_.record_offset(), cursor_.records());
          return true;
        }
        if (!last && payload().size() == kLoadSetRecordSize) break;
        if (payload().size() != kNodeLoadRecordSize) {
          return fail_here(after + " expected, found a record of " + bytes_of(payload().size()));
        }
        if (!node_load(set, previous)) return false;
      }
    }
    if (load_sets == 0) {
      const RecordCursor::Step step = cursor_.next("end marker 0x82");
      if (step == RecordCursor::Step::kBroken) {
        problem_ = cursor_.problem();
        return false;
      }
      if (step == RecordCursor::Step::kRecord) {
        return fail_here("end marker 0x82 expected, found a record of " +
                         bytes_of(payload().size()));
      }
      visitor_.end(cursor_.record_offset(), cursor_.records());
    }
    return true;
  }

  bool node_load(std::int32_t set, std::int32_t& previous) {
    const std::int32_t node = int_at(payload(), 0);
    if (node <= previous || node > nodes_) {
      return fail_here("a node index " + std::to_string(previous + 1) + " to " +
                       std::to_string(nodes_) + " in the node load record expected, found " +
                       std::to_string(node));
    }
    previous = node;
    Force load{};
    bool loaded = false;
    for (std::size_t i = 0; i < 3; ++i) {
      load.force[i] = float_at(payload(), 1 + i);
      load.moment[i] = float_at(payload(), 4 + i);
      loaded = loaded || load.force[i] != 0.0f || load.moment[i] != 0.0f;
      if (!std::isfinite(load.force[i]) || !std::isfinite(load.moment[i])) {
        return fail_here("a finite force and moment in the node load record expected");
      }
    }
    if (!loaded) return fail_here("a non-zero force or moment in the node load record expected");
    visitor_.node_load(place(), set, node, load);
    return true;
  }

  RecordCursor cursor_;
  ModelVisitor& visitor_;
  std::string problem_;
  std::int32_t parts_ = 0;
  std::int32_t nodes_ = 0;
  std::int32_t sets_ = 0;
  std::int32_t restraint_sets_ = 0;
  std::array<Part, kMaxParts> parts_table_{};
  std::array<std::int32_t, kMaxNodes> codes_{};
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

ModelReadResult load_model(std::string_view bytes, Model& model) {
  Loader loader(model);
  return read_model(bytes, loader);
}

}  // namespace vevadar::modelfile
