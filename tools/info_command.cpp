// vevadar info FILE [--json]: what a universal file holds and what a translation of it would
// give, without a run file in the current directory: the datasets as its delimiter lines frame
// them, then a translation into a private temporary folder whose host lines and model file are
// read back. The element headers are counted by descriptor as the run meets them, the model's
// elements by element type code and node count.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "commands.h"
#include "host/host.h"
#include "modelfile/modelfile.h"
#include "textfields/textfields.h"
#include "translator/translator.h"
#include "unv_scan.h"

namespace vevadar::tools {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] = "usage: vevadar info FILE [--json]\n";
constexpr char kHelp[] =
    "Lists what the universal file FILE holds and what a translation of it would give,\n"
    "without writing any file in the current directory (the translation runs in a private\n"
    "temporary folder that is removed afterwards):\n"
    "  - every dataset met: its number, the line of its number, its lines up to and with its\n"
    "    closing delimiter, and whether the translator reads it or skips it; under it, each\n"
    "    error of the run in it with the line it happened on and the lines then skipped,\n"
    "    and how many of its lines hold tabs (a tab counts as one column);\n"
    "  - the nodes with their label range; the element headers by descriptor, each kept\n"
    "    or dropped (an element type the model cannot hold); the model's elements by\n"
    "    element type code and node count;\n"
    "  - the outcome: how the run ended, its exit status as `vevadar FILE` gives it, its\n"
    "    error and warning lines (with the line counter where the line has one) and the\n"
    "    five summary counts.\n"
    "With --json the same as one JSON document (fields in the README).\n"
    "\n"
    "Exit status: 0 listed, 1 FILE holds no dataset (empty, or no universal file), 2 FILE\n"
    "cannot be read, no temporary folder can be made or the output cannot be written, 64 a\n"
    "wrong command line.\n";

constexpr std::string_view kWarningPrefix = "WARNING: ";

class RecordingHost final : public host::Host {
 public:
  void information(char* line) override { information_lines.emplace_back(host_line_text(line)); }
  void progress(char*) override {}
  void error(char* line) override { error_lines.emplace_back(host_line_text(line)); }
  std::vector<std::string> information_lines;
  std::vector<std::string> error_lines;
};

// The count in a summary count line "*    TOTAL NUMBER OF NODE       :         14   *".
std::int64_t count_in(const std::string& line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) return 0;
  return std::strtoll(line.c_str() + colon + 1, nullptr, 10);
}

// What the run said about one dataset: the rests it passed over, each with the error line
// before it (empty where the reader left the rest unread), and its lines that hold tabs.
struct DatasetNotes {
  struct Skip {
    translator::SkippedRest rest;
    std::string error;
  };
  std::vector<Skip> skips;
  std::int32_t tab_lines = 0;
  std::int32_t first_tab_line = 0;
};

struct Inventory {
  UnvScan scan;
  translator::RunResult result;
  int exit_status = 0;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  std::vector<std::int64_t> summary;  // parts, nodes, elements, SPC, nodal force; empty if none
  std::int32_t nodes = 0;
  std::int64_t low_label = 0, high_label = 0;
  ElementShapes shapes;
  struct Headers {
    std::int64_t count = 0;
    bool kept = false;
  };
  std::map<std::int32_t, Headers> descriptors;
  std::map<std::int32_t, DatasetNotes> notes;  // by the line of the dataset number
};

// Counts the element headers by descriptor and keeps the notes of each dataset: what the scan
// passed over after an error (with that error line) and the lines that hold tabs.
class InfoObserver final : public translator::RunObserver {
 public:
  InfoObserver(Inventory& inventory, const RecordingHost& host)
      : inventory_(inventory), host_(host) {}
  void dataset(std::int32_t /*number*/, std::int32_t line) override { number_line_ = line; }
  void element_header(std::int32_t descriptor, bool kept) override {
    auto& headers = inventory_.descriptors[descriptor];
    ++headers.count;
    headers.kept = kept;
  }
  void skipped(const translator::SkippedRest& rest) override {
    const bool error = rest.cause != translator::SkippedRest::Cause::kLeftUnread;
    inventory_.notes[number_line_].skips.push_back(
        {rest, error && !host_.error_lines.empty() ? host_.error_lines.back() : std::string()});
  }
  void tab_lines(std::int32_t /*dataset*/, std::int32_t lines, std::int32_t first_line) override {
    DatasetNotes& notes = inventory_.notes[number_line_];
    if (notes.tab_lines == 0) notes.first_tab_line = first_line;
    notes.tab_lines += lines;
  }

 private:
  Inventory& inventory_;
  const RecordingHost& host_;
  std::int32_t number_line_ = 0;
};

// The translation of `input` with its files in `folder`.
bool translate_privately(const std::string& input, const fs::path& folder, Inventory& inventory) {
  RecordingHost host;
  std::string model;
  InfoObserver observer(inventory, host);
  const std::string directory = folder.string();
  translator::RunOptions options;
  options.directory = directory;
  options.observer = &observer;
  inventory.result = translator::run_translation(host, input, options);
  if (inventory.result.end == translator::RunEnd::kCompleted) {
    (void)read_input((folder / translator::kModelFileName).string(), model);
  }

  const translator::RunResult& result = inventory.result;
  inventory.exit_status = programs::exit_status(result);
  for (const std::string& line : host.error_lines) {
    if (line.starts_with(kWarningPrefix)) {
      inventory.warnings.push_back(line);
    } else {
      inventory.errors.push_back(line);
    }
  }
  if (result.end == translator::RunEnd::kCompleted && host.information_lines.size() >= 5) {
    for (std::size_t i = host.information_lines.size() - 5; i < host.information_lines.size(); ++i)
      inventory.summary.push_back(count_in(host.information_lines[i]));
  }
  if (model.empty()) return true;
  const std::unique_ptr<modelfile::Model> tables = modelfile::new_model();
  if (!modelfile::load_model(model, *tables).ok) return true;
  inventory.nodes = tables->node_count;
  for (std::int32_t n = 0; n < tables->node_count; ++n) {
    const std::int64_t label = tables->nodes[static_cast<std::size_t>(n)].label;
    inventory.low_label = n == 0 ? label : std::min(inventory.low_label, label);
    inventory.high_label = n == 0 ? label : std::max(inventory.high_label, label);
  }
  for (std::int32_t e = 0; e < tables->element_count; ++e) {
    const modelfile::Element& element = tables->elements[static_cast<std::size_t>(e)];
    ++inventory.shapes[{element.type, element.node_count}];
  }
  return true;
}

// "lines 58 to 71 skipped", "line 58 skipped", "nothing more skipped"; where the file ended
// before a delimiter line, ", the file ends" follows.
std::string skipped_lines(const translator::SkippedRest& rest) {
  std::string text = rest.last < rest.first    ? "nothing more skipped"
                     : rest.first == rest.last ? "line " + std::to_string(rest.first) + " skipped"
                                               : "lines " + std::to_string(rest.first) + " to " +
                                                     std::to_string(rest.last) + " skipped";
  return rest.closed ? text : text + ", the file ends";
}

const char* outcome_of(const translator::RunResult& result) {
  if (result.premature_end) return "the file ends inside a dataset: no model";
  if (result.end != translator::RunEnd::kCompleted) return "no model written";
  return result.error_lines > 0 ? "completed with errors" : "completed";
}

void print_text(const std::string& name, const Inventory& inv) {
  const UnvScan& scan = inv.scan;
  const auto read = std::count_if(scan.datasets.begin(), scan.datasets.end(),
                                  [](const DatasetEntry& d) { return d.read; });
  const auto datasets = static_cast<std::ptrdiff_t>(scan.datasets.size());
  std::printf("%s: %s, %s (%td read, %td skipped)\n", textfields::printable(name).c_str(),
              plural(scan.lines, "line", "lines").c_str(),
              plural(datasets, "dataset", "datasets").c_str(), read, datasets - read);
  std::printf("  dataset    line   lines\n");
  for (const DatasetEntry& d : scan.datasets) {
    std::printf("  %7d %7d %7d  %s%s%s\n", d.number, d.number_line, d.lines,
                d.read ? "read" : "skipped", d.number == 0 ? " (no dataset number)" : "",
                d.closed ? "" : " (no closing delimiter)");
    const auto found = inv.notes.find(d.number_line);
    if (found == inv.notes.end()) continue;
    for (const DatasetNotes::Skip& skip : found->second.skips) {
      std::printf("    line %d: %s; %s\n", skip.rest.line,
                  skip.error.empty() ? "the rest is left unread" : skip.error.c_str(),
                  skipped_lines(skip.rest).c_str());
    }
    if (const DatasetNotes& notes = found->second; notes.tab_lines > 0) {
      std::printf("    %s with tabs, the first line %d\n",
                  plural(notes.tab_lines, "line", "lines").c_str(), notes.first_tab_line);
    }
  }
  std::printf("nodes %d", inv.nodes);
  if (inv.nodes > 0)
    std::printf(", labels %lld to %lld", static_cast<long long>(inv.low_label),
                static_cast<long long>(inv.high_label));
  std::printf("\n");
  std::int64_t headers = 0, elements = 0;
  for (const auto& [descriptor, met] : inv.descriptors) headers += met.count;
  for (const auto& [shape, count] : inv.shapes) elements += count;
  std::printf("element headers %lld, by descriptor\n", static_cast<long long>(headers));
  for (const auto& [descriptor, met] : inv.descriptors) {
    std::printf("  descriptor %d: %lld %s\n", descriptor, static_cast<long long>(met.count),
                met.kept ? "kept" : "dropped");
  }
  std::printf("elements in the model %lld, by type code and node count\n",
              static_cast<long long>(elements));
  print_element_shapes(inv.shapes);
  std::printf(
      "translation: %s, exit status %d, %s, %s\n", outcome_of(inv.result), inv.exit_status,
      plural(static_cast<std::int64_t>(inv.errors.size()), "error line", "error lines").c_str(),
      plural(static_cast<std::int64_t>(inv.warnings.size()), "warning line", "warning lines")
          .c_str());
  for (const std::string& line : inv.errors) std::printf("  %s\n", line.c_str());
  for (const std::string& line : inv.warnings) std::printf("  %s\n", line.c_str());
  if (inv.summary.size() == 5) {
    std::printf(
        "summary: parts %lld, nodes %lld, elements %lld, restraint sets %lld, load sets %lld\n",
        static_cast<long long>(inv.summary[0]), static_cast<long long>(inv.summary[1]),
        static_cast<long long>(inv.summary[2]), static_cast<long long>(inv.summary[3]),
        static_cast<long long>(inv.summary[4]));
  }
}

void json_lines(const std::vector<std::string>& lines) {
  std::putchar('[');
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) std::putchar(',');
    json_string(lines[i]);
  }
  std::putchar(']');
}

void print_json(const std::string& name, const Inventory& inv) {
  std::printf("{\"file\":");
  json_file_name(name);
  std::printf(",\"lines\":%d,\n\"datasets\":[", inv.scan.lines);
  for (std::size_t i = 0; i < inv.scan.datasets.size(); ++i) {
    const DatasetEntry& d = inv.scan.datasets[i];
    std::printf(
        "%s{\"number\":%d,\"line\":%d,\"lines\":%d,\"read\":%s,\"closed\":%s,\"first_line\":",
        i > 0 ? ",\n" : "\n", d.number, d.number_line, d.lines, d.read ? "true" : "false",
        d.closed ? "true" : "false");
    json_string(d.first_line);
    const auto found = inv.notes.find(d.number_line);
    const DatasetNotes notes = found == inv.notes.end() ? DatasetNotes{} : found->second;
    std::printf(",\"skips\":[");
    for (std::size_t k = 0; k < notes.skips.size(); ++k) {
      const translator::SkippedRest& rest = notes.skips[k].rest;
      std::printf("%s{\"line\":%d,\"error\":", k > 0 ? "," : "", rest.line);
      if (notes.skips[k].error.empty()) {
        std::printf("null");
      } else {
        json_string(notes.skips[k].error);
      }
      if (rest.last < rest.first) {
        std::printf(",\"skipped\":[]");
      } else {
        std::printf(",\"skipped\":[%d,%d]", rest.first, rest.last);
      }
      std::printf(",\"closed\":%s}", rest.closed ? "true" : "false");
    }
    std::printf("],\"tab_lines\":%d,\"first_tab_line\":%d}", notes.tab_lines, notes.first_tab_line);
  }
  std::printf("],\n\"nodes\":{\"count\":%d", inv.nodes);
  if (inv.nodes > 0)
    std::printf(",\"labels\":[%lld,%lld]", static_cast<long long>(inv.low_label),
                static_cast<long long>(inv.high_label));
  std::printf("},\n\"descriptors\":[");
  bool first = true;
  for (const auto& [descriptor, met] : inv.descriptors) {
    std::printf("%s{\"descriptor\":%d,\"count\":%lld,\"kept\":%s}", first ? "" : ",", descriptor,
                static_cast<long long>(met.count), met.kept ? "true" : "false");
    first = false;
  }
  std::printf("],\n\"model_elements\":[");
  first = true;
  for (const auto& [shape, count] : inv.shapes) {
    std::printf("%s{\"type\":%d,\"node_count\":%d,\"count\":%d}", first ? "" : ",", shape.first,
                shape.second, count);
    first = false;
  }
  std::printf("],\n\"translation\":{\"outcome\":");
  json_string(outcome_of(inv.result));
  std::printf(",\"exit_status\":%d,\"errors\":", inv.exit_status);
  json_lines(inv.errors);
  std::printf(",\"warnings\":");
  json_lines(inv.warnings);
  if (inv.summary.size() == 5) {
    std::printf(
        ",\"summary\":{\"parts\":%lld,\"nodes\":%lld,\"elements\":%lld,\"restraint_sets\":%lld,"
        "\"load_sets\":%lld}",
        static_cast<long long>(inv.summary[0]), static_cast<long long>(inv.summary[1]),
        static_cast<long long>(inv.summary[2]), static_cast<long long>(inv.summary[3]),
        static_cast<long long>(inv.summary[4]));
  }
  std::printf("}}\n");
}

}  // namespace

int info_command(Arguments arguments) {
  const char* file = nullptr;
  int json = 0;
  const Option options[] = {{.name = "--json", .choice = &json}};
  if (const auto done = read_command_line(
          arguments, {kUsage, kHelp, options, {&file, 1}, "only one FILE at a time"}))
    return *done;
  if (file == nullptr) return usage_error("no FILE given", kUsage);

  const InputKind kind = input_kind(file);
  if (kind == InputKind::kDirectory) {
    note("cannot read " + std::string(file) + ": " + std::strerror(EISDIR));
    return kExitNoFile;
  }
  if (kind == InputKind::kDevice) {
    note("cannot read " + std::string(file) + ": not a regular file (a device, read for ever)");
    return kExitNoFile;
  }
  // A pipe is read once, into a copy in the private folder that the scan and the run both read.
  PrivateFolder folder;
  std::string input = file;
  if (kind == InputKind::kStream) {
    if (!folder.make()) return kExitNoFile;
    input = (folder.path() / "input.unv").string();
    if (!copy_input(file, input)) return kExitNoFile;
  }
  Inventory inventory;
  inventory.scan = scan_universal_file(input);
  if (!inventory.scan.opened) {
    std::FILE* probe = std::fopen(input.c_str(), "rb");
    const int reason = errno;
    if (probe != nullptr) std::fclose(probe);
    note("cannot read " + std::string(file) + ": " + std::strerror(probe ? EIO : reason));
    return kExitNoFile;
  }
  if (inventory.scan.datasets.empty()) {
    note(std::string(file) + " holds no dataset: " + why_no_dataset(inventory.scan) +
         (inventory.scan.lines == 0 || inventory.scan.delimiter_lines > 0
              ? ""
              : " (\"-1\" in columns 5-6)"));
    return kExitBadInput;
  }
  if (folder.path().empty() && !folder.make()) return kExitNoFile;
  if (!translate_privately(input, folder.path(), inventory)) return kExitNoFile;
  if (json) {
    print_json(file, inventory);
  } else {
    print_text(file, inventory);
  }
  return finish_output();
}

}  // namespace vevadar::tools
