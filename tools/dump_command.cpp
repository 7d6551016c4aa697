// vevadar dump MODEL [--summary | --json]: a model file read back and checked completely, then
// shown record by record, as a summary, or as one JSON document. A file that breaks anywhere
// gets one line naming the offset, the record and what was expected there, and nothing else.
#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "commands.h"
#include "modelfile/modelfile.h"
#include "textfields/textfields.h"

namespace vevadar::tools {
namespace {

using modelfile::ElementRecord;
using modelfile::Force;
using modelfile::Node;
using modelfile::Part;
using modelfile::RecordPlace;

constexpr char kUsage[] = "usage: vevadar dump MODEL [--summary | --json]\n";
constexpr char kHelp[] =
    "Reads the model file MODEL (velm.bin) back and checks it completely: the file marker,\n"
    "both length bytes of every segment, the end marker, and the record sequence (header,\n"
    "counts, part names and ids, node records, element records up to the element end\n"
    "record, set count and numbering, restraint header, marker and columns, load header,\n"
    "set ids, set records and node load records), with the values the writer fixes.\n"
    "\n"
    "A file that departs from it anywhere gets one line on standard error naming the byte\n"
    "offset, the record number and what was expected there, and exit status 1.\n"
    "\n"
    "Output, on standard output:\n"
    "  (default)  every record with its number, payload size and contents\n"
    "  --summary  counts (parts, nodes, elements by type code and node count, restraint\n"
    "             sets with their restrained nodes, load sets with their loaded nodes),\n"
    "             the bounding box of the nodes and the label ranges\n"
    "  --json     the whole model as one JSON document (see the README for its fields);\n"
    "             every real is printed so that it reads back to the same 32-bit value\n"
    "\n"
    "Exit status: 0 a valid model file, 1 not a valid model file, 2 MODEL cannot be read or\n"
    "the output cannot be written, 64 a wrong command line.\n";

// --- default: the records --------------------------------------------------------------------

void record_line(const RecordPlace& at) {
  std::printf("record %" PRId64 " (%zu bytes): ", at.number, at.size);
}

class RecordPrinter final : public modelfile::ModelVisitor {
 public:
  void header(const RecordPlace& at, std::string_view text) override {
    record_line(at);
    std::printf("header \"%s\"\n", textfields::printable(text).c_str());
  }
  void counts(const RecordPlace& at, std::int32_t parts, std::int32_t nodes) override {
    record_line(at);
    std::printf("parts %d, nodes %d\n", parts, nodes);
  }
  void part_names(const RecordPlace& at, std::span<const Part> parts) override {
    record_line(at);
    std::printf("part names\n");
    for (std::size_t p = 0; p < parts.size(); ++p) {
      const std::string_view name(parts[p].name.data(), parts[p].name.size());
      std::printf("  part %zu \"%s\"\n", p + 1, textfields::printable(name).c_str());
    }
  }
  void part_ids(const RecordPlace& at, std::span<const Part> parts) override {
    record_line(at);
    std::printf("part ids\n");
    for (std::size_t p = 0; p < parts.size(); ++p)
      std::printf("  part %zu id %d\n", p + 1, parts[p].id);
  }
  void node(const RecordPlace& at, std::int32_t index, const Node& node) override {
    record_line(at);
    std::printf("node %d: label %d  x %.9g  y %.9g  z %.9g  (0)\n", index, node.label,
                static_cast<double>(node.x), static_cast<double>(node.y),
                static_cast<double>(node.z));
  }
  void element(const RecordPlace& at, const ElementRecord& e) override {
    record_line(at);
    std::printf("element: label %d  type %d  part %d  nodes %d  slots", e.label, e.type, e.part,
                e.node_count);
    for (const std::int32_t slot : e.nodes) std::printf(" %d", slot);
    std::printf("  (0 0 0)\n");
  }
  void element_end(const RecordPlace& at) override {
    record_line(at);
    std::printf("element end\n");
  }
  void set_count(const RecordPlace& at, std::int32_t sets) override {
    record_line(at);
    std::printf("combined set count %d\n", sets);
  }
  void set_numbering(const RecordPlace& at, std::span<const std::int32_t> values) override {
    record_line(at);
    std::printf("set numbering");
    for (const std::int32_t value : values) std::printf(" %d", value);
    std::printf("\n");
  }
  void restraint_header(const RecordPlace& at, std::int32_t sets, std::int32_t nodes) override {
    record_line(at);
    std::printf("restraint sets %d, nodes %d\n", sets, nodes);
  }
  void restraint_marker(const RecordPlace& at) override {
    record_line(at);
    std::printf("restraint marker 1\n");
  }
  void restraint_column(const RecordPlace& at, std::int32_t set,
                        std::span<const std::int32_t> codes) override {
    record_line(at);
    std::printf("restraint set %d (non-zero codes)\n", set);
    for (std::size_t n = 0; n < codes.size(); ++n) {
      if (codes[n] != 0) std::printf("  node %zu: %d\n", n + 1, codes[n]);
    }
  }
  void load_header(const RecordPlace& at, std::int32_t sets) override {
    record_line(at);
    std::printf("load sets %d\n", sets);
  }
  void load_set_ids(const RecordPlace& at, std::span<const std::int32_t> ids) override {
    record_line(at);
    std::printf("load set ids");
    for (const std::int32_t id : ids) std::printf(" %d", id);
    std::printf("\n");
  }
  void load_set(const RecordPlace& at, std::int32_t set, std::int32_t datasets,
                std::int32_t second_count) override {
    record_line(at);
    std::printf("load set %d: datasets %d, second count %d\n", set, datasets, second_count);
  }
  void node_load(const RecordPlace& at, std::int32_t, std::int32_t node,
                 const Force& load) override {
    record_line(at);
    std::printf("node %d: force %.9g %.9g %.9g  moment %.9g %.9g %.9g\n", node,
                static_cast<double>(load.force[0]), static_cast<double>(load.force[1]),
                static_cast<double>(load.force[2]), static_cast<double>(load.moment[0]),
                static_cast<double>(load.moment[1]), static_cast<double>(load.moment[2]));
  }
};

// --- --summary -----------------------------------------------------------------------------

struct Range {
  std::int64_t low = std::numeric_limits<std::int64_t>::max();
  std::int64_t high = std::numeric_limits<std::int64_t>::min();
  void add(std::int64_t value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
  [[nodiscard]] std::string text() const {
    if (low > high) return "none";
    return std::to_string(low) + " to " + std::to_string(high);
  }
};

struct Extent {
  float low = std::numeric_limits<float>::infinity();
  float high = -std::numeric_limits<float>::infinity();
  void add(float value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
};

class Summary final : public modelfile::ModelVisitor {
 public:
  void counts(const RecordPlace&, std::int32_t parts, std::int32_t nodes) override {
    parts_ = parts;
    nodes_ = nodes;
  }
  void part_ids(const RecordPlace&, std::span<const Part> parts) override {
    for (const Part& part : parts) part_ids_.add(part.id);
  }
  void node(const RecordPlace&, std::int32_t, const Node& node) override {
    node_labels_.add(node.label);
    box_[0].add(node.x);
    box_[1].add(node.y);
    box_[2].add(node.z);
  }
  void element(const RecordPlace&, const ElementRecord& e) override {
    ++elements_;
    element_labels_.add(e.label);
    ++shapes_[{e.type, e.node_count}];
  }
  void restraint_column(const RecordPlace&, std::int32_t,
                        std::span<const std::int32_t> codes) override {
    restrained_.push_back(
        std::count_if(codes.begin(), codes.end(), [](std::int32_t c) { return c != 0; }));
  }
  void load_set_ids(const RecordPlace&, std::span<const std::int32_t> ids) override {
    load_ids_.assign(ids.begin(), ids.end());
  }
  void load_set(const RecordPlace&, std::int32_t, std::int32_t, std::int32_t) override {
    loaded_.push_back(0);
  }
  void node_load(const RecordPlace&, std::int32_t, std::int32_t, const Force&) override {
    ++loaded_.back();
  }

  void print() const {
    std::printf("parts %d, ids %s\n", parts_, part_ids_.text().c_str());
    std::printf("nodes %d, labels %s\n", nodes_, node_labels_.text().c_str());
    if (nodes_ > 0) {
      std::printf("bounding box x %.9g to %.9g, y %.9g to %.9g, z %.9g to %.9g\n",
                  static_cast<double>(box_[0].low), static_cast<double>(box_[0].high),
                  static_cast<double>(box_[1].low), static_cast<double>(box_[1].high),
                  static_cast<double>(box_[2].low), static_cast<double>(box_[2].high));
    }
    std::printf("elements %d, labels %s\n", elements_, element_labels_.text().c_str());
    print_element_shapes(shapes_);
    std::printf("restraint sets %zu\n", restrained_.size());
    for (std::size_t k = 0; k < restrained_.size(); ++k) {
      std::printf("  set %zu: %s\n", k + 1,
                  plural(restrained_[k], "restrained node", "restrained nodes").c_str());
    }
    std::printf("load sets %zu\n", loaded_.size());
    for (std::size_t i = 0; i < loaded_.size(); ++i) {
      std::printf("  set %zu (id %d): %s\n", i + 1, load_ids_[i],
                  plural(loaded_[i], "loaded node", "loaded nodes").c_str());
    }
  }

 private:
  std::int32_t parts_ = 0, nodes_ = 0, elements_ = 0;
  Range part_ids_, node_labels_, element_labels_;
  Extent box_[3];
  ElementShapes shapes_;
  std::vector<std::ptrdiff_t> restrained_;
  std::vector<std::int32_t> load_ids_;
  std::vector<std::int32_t> loaded_;
};

// --- --json ----------------------------------------------------------------------------------

// The shortest decimal that reads back to the same float, always with a point or an exponent
// so that a JSON reader takes it as a real (and keeps the sign of -0.0).
void json_real(float value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text - 2, value);
  (void)error;  // a float always fits 30 characters
  std::string_view digits(text, static_cast<std::size_t>(end - text));
  std::fwrite(digits.data(), 1, digits.size(), stdout);
  if (digits.find_first_of(".e") == std::string_view::npos) std::fputs(".0", stdout);
}

void json_reals(const float (&values)[3]) {
  std::putchar('[');
  for (int i = 0; i < 3; ++i) {
    if (i > 0) std::putchar(',');
    json_real(values[i]);
  }
  std::putchar(']');
}

class JsonPrinter final : public modelfile::ModelVisitor {
 public:
  JsonPrinter(std::string_view name, std::size_t bytes) : name_(name), bytes_(bytes) {}

  void header(const RecordPlace&, std::string_view text) override {
    std::printf("{\"file\":");
    json_file_name(name_);
    std::printf(",\"bytes\":%zu,\"header\":", bytes_);
    json_string(text);
  }
  void part_ids(const RecordPlace&, std::span<const Part> parts) override {
    std::printf(",\n\"parts\":[");
    for (std::size_t p = 0; p < parts.size(); ++p) {
      std::printf("%s{\"index\":%zu,\"name\":", p > 0 ? ",\n" : "\n", p + 1);
      json_string(std::string_view(parts[p].name.data(), parts[p].name.size()));
      std::printf(",\"id\":%d}", parts[p].id);
    }
    std::printf("],\n\"nodes\":[");
  }
  void node(const RecordPlace&, std::int32_t index, const Node& node) override {
    std::printf("%s{\"index\":%d,\"label\":%d,\"x\":", index > 1 ? ",\n" : "\n", index, node.label);
    json_real(node.x);
    std::printf(",\"y\":");
    json_real(node.y);
    std::printf(",\"z\":");
    json_real(node.z);
    std::putchar('}');
  }
  void element(const RecordPlace& at, const ElementRecord& e) override {
    std::printf("%s%s{\"record\":%" PRId64
                ",\"label\":%d,\"type\":%d,\"part\":%d,"
                "\"node_count\":%d,\"slots\":[",
                elements_ == 0 ? "],\n\"elements\":[" : ",", "\n", at.number, e.label, e.type,
                e.part, e.node_count);
    for (std::size_t j = 0; j < e.nodes.size(); ++j)
      std::printf("%s%d", j > 0 ? "," : "", e.nodes[j]);
    std::printf("]}");
    ++elements_;
  }
  void element_end(const RecordPlace&) override {
    if (elements_ == 0) std::printf("],\n\"elements\":[");
    std::printf("],\n");
  }
  void set_count(const RecordPlace&, std::int32_t sets) override {
    std::printf("\"set_count\":%d,\n\"restraint_sets\":[", sets);
  }
  void restraint_column(const RecordPlace&, std::int32_t set,
                        std::span<const std::int32_t> codes) override {
    std::printf("%s{\"set\":%d,\"codes\":[", set > 1 ? ",\n" : "\n", set);
    for (std::size_t n = 0; n < codes.size(); ++n) {
      std::printf("%s%d", n == 0 ? "" : (n % 20 == 0 ? ",\n" : ","), codes[n]);
    }
    std::printf("]}");
  }
  void load_header(const RecordPlace&, std::int32_t) override {
    std::printf("],\n\"load_sets\":[");
  }
  void load_set_ids(const RecordPlace&, std::span<const std::int32_t> ids) override {
    ids_.assign(ids.begin(), ids.end());
  }
  void load_set(const RecordPlace&, std::int32_t set, std::int32_t datasets,
                std::int32_t second_count) override {
    if (set > 1) std::printf("]}");
    std::printf("%s{\"set\":%d,\"id\":%d,\"datasets\":%d,\"second_count\":%d,\"loads\":[",
                set > 1 ? ",\n" : "\n", set, ids_[static_cast<std::size_t>(set - 1)], datasets,
                second_count);
    first_load_ = true;
  }
  void node_load(const RecordPlace&, std::int32_t, std::int32_t node, const Force& load) override {
    std::printf("%s{\"node\":%d,\"force\":", first_load_ ? "\n" : ",\n", node);
    json_reals(load.force);
    std::printf(",\"moment\":");
    json_reals(load.moment);
    std::putchar('}');
    first_load_ = false;
  }
  void end(std::size_t, std::int64_t records) override {
    if (!ids_.empty()) std::printf("]}");
    std::printf("],\n\"records\":%" PRId64 "}\n", records);
  }

 private:
  std::string_view name_;
  std::size_t bytes_;
  std::int32_t elements_ = 0;
  std::vector<std::int32_t> ids_;
  bool first_load_ = true;
};

class EndFinder final : public modelfile::ModelVisitor {
 public:
  void end(std::size_t, std::int64_t count) override { records = count; }
  std::int64_t records = 0;
};

}  // namespace

int dump_command(Arguments arguments) {
  enum Form : int { kRecords, kSummary, kJson };
  int form = kRecords;
  const char* model = nullptr;
  const Option options[] = {{.name = "--summary", .choice = &form, .chosen = kSummary},
                            {.name = "--json", .choice = &form, .chosen = kJson}};
  if (const auto done = read_command_line(
          arguments,
          {kUsage, kHelp, options, {&model, 1}, "only one MODEL can be dumped at a time"}))
    return *done;
  if (model == nullptr) return usage_error("no MODEL given", kUsage);

  std::string bytes;
  if (const int status = read_input(model, bytes); status != kExitOk) return status;
  // The whole file is checked before anything is printed: a broken file prints one line.
  EndFinder check;
  const modelfile::ModelReadResult checked = modelfile::read_model(bytes, check);
  if (!checked.ok) {
    note(std::string(model) + " is not a valid model file: " + checked.problem);
    return kExitBadInput;
  }
  const std::string shown = textfields::printable(model);
  switch (form) {
    case kRecords: {
      std::printf("%s: %zu bytes, %" PRId64 " records\n", shown.c_str(), bytes.size(),
                  check.records);
      RecordPrinter printer;
      (void)modelfile::read_model(bytes, printer);
      break;
    }
    case kSummary: {
      std::printf("%s: %zu bytes, %" PRId64 " records, a valid model file\n", shown.c_str(),
                  bytes.size(), check.records);
      Summary summary;
      (void)modelfile::read_model(bytes, summary);
      summary.print();
      break;
    }
    case kJson: {
      JsonPrinter printer(model, bytes.size());
      (void)modelfile::read_model(bytes, printer);
      break;
    }
  }
  return finish_output();
}

}  // namespace vevadar::tools
