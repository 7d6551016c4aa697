// vevadar [translate] [-C DIR] [--quiet] FILE: one translation, the host's lines printed as the
// host receives them (MESSAG on standard output, CPROMPTERROR on standard error, trailing blanks
// removed), and the program's own notes where the host lines cannot say enough.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "commands.h"
#include "host/host.h"
#include "modelfile/modelfile.h"
#include "translator/translator.h"
#include "unv_scan.h"

namespace vevadar::tools {
namespace {

constexpr char kUsage[] =
    "usage: vevadar [translate] [-C DIR | --directory DIR] [--quiet] FILE\n"
    "       vevadar dump MODEL [--summary | --json]\n"
    "       vevadar vtk MODEL OUT.vtu\n"
    "       vevadar info FILE [--json]\n"
    "       vevadar [COMMAND] --help | --version\n"
    "       vevadar help [COMMAND]\n";

constexpr char kHelp[] =
    "Translates the I-DEAS universal file FILE into the model file velm.bin.\n"
    "\n"
    "The run writes velm.bin (the model) and rozedere.msg (element type warnings and the\n"
    "summary box) in the current directory, or in DIR with -C; while it runs it also uses\n"
    "velm.inn and temp.prt there, which a completed run deletes. A relative FILE is taken\n"
    "from the directory vevadar was started in. A FILE named like a command (dump, vtk,\n"
    "info, translate, help) is given as ./dump, after --, or after translate.\n"
    "\n"
    "Options:\n"
    "  -C DIR, --directory DIR  put the run's files in DIR (which must exist)\n"
    "  --quiet                  do not print the progress lines (every 1000th node and\n"
    "                           element) nor the closing note; errors, warnings and the\n"
    "                           summary still print\n"
    "  --help                   print this help and exit\n"
    "  --version                print the version (with the capacities of nodes and\n"
    "                           elements when the build chose others than 125,000) and exit\n"
    "\n"
    "Information lines (progress, summary) go to standard output, error and warning lines\n"
    "to standard error, exactly as a host program receives them. The program adds notes of\n"
    "its own on standard error, each starting with \"vevadar: \" so that scripts can tell\n"
    "them from the host's lines: why the input or a run file could not be opened; after an\n"
    "error line, the line it happened on when the error line does not say, and which lines\n"
    "of its dataset were then skipped (\"line 57: the rest of dataset 2412 was skipped\n"
    "(lines 58 to 71)\"); how many lines of the datasets read hold tabs (a tab counts as\n"
    "one column); that the file held no dataset at all; that velm.bin was not updated after\n"
    "the file ended inside a dataset; and (unless --quiet) where the model was written with\n"
    "its counts.\n"
    "\n"
    "Other commands: dump (read a model file back and check it), vtk (a model as a VTK\n"
    "unstructured grid), info (what a universal file holds); vevadar help COMMAND.\n"
    "\n"
    "Exit status:\n"
    "  0   the run completed and reported no error (warnings alone do not count)\n"
    "  1   the run completed and wrote the model, but reported errors in the data, or\n"
    "      met no dataset at all (an empty file, text without a delimiter line, only\n"
    "      delimiter lines): velm.bin then holds the empty model, as a host gets it\n"
    "  2   no model was written: the file ended inside a dataset, the input or a run file\n"
    "      could not be opened, the model file could not be written, or DIR is not an\n"
    "      existing directory\n"
    "  64  the command line was wrong\n";

using translator::kModelFileName;

// A run file as the user names it: in the -C folder `directory` as given, or here.
std::string in_directory(const char* directory, std::string_view name) {
  if (directory == nullptr) return std::string(name);
  return (std::filesystem::path(directory) / name).string();
}

// The note after an error line that resumed the scan: the line where it happened when its host
// line does not say, and the lines of its dataset that the scan then passed over (or that its
// reader left unread, without an error). Empty when there is nothing to add.
std::string skip_note(const translator::SkippedRest& rest) {
  using Cause = translator::SkippedRest::Cause;
  if (rest.last < rest.first) {
    if (rest.cause != Cause::kErrorWithoutLine) return {};
    return "the error above was met on line " + std::to_string(rest.line);
  }
  std::string text =
      "line " + std::to_string(rest.line) + ": the rest of " +
      (rest.dataset > 0 ? "dataset " + std::to_string(rest.dataset) : "the dataset") +
      (rest.cause == Cause::kLeftUnread ? " is left unread (" : " was skipped (") +
      (rest.first == rest.last
           ? "line " + std::to_string(rest.first)
           : "lines " + std::to_string(rest.first) + " to " + std::to_string(rest.last));
  if (!rest.closed) text += ", where the file ends without its closing delimiter";
  return text + ")";
}

class ConsoleHost final : public host::Host {
 public:
  explicit ConsoleHost(bool quiet) : quiet_(quiet) {}
  void information(char* line) override {
    const std::string_view text = host_line_text(line);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  }
  void progress(char* line) override {
    if (!quiet_) information(line);
  }
  void error(char* line) override {
    std::fflush(stdout);
    const std::string_view text = host_line_text(line);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }

 private:
  bool quiet_;
};

// The program's notes while the run goes on: where each error happened when its host line does
// not say, and what the scan passed over after it. It counts the read lines that hold tabs, for
// the notes after the run.
class ConsoleObserver final : public translator::RunObserver {
 public:
  void skipped(const translator::SkippedRest& rest) override {
    if (const std::string text = skip_note(rest); !text.empty()) note(text);
  }
  void tab_lines(std::int32_t /*dataset*/, std::int32_t lines, std::int32_t first_line) override {
    if (tabs == 0) first_tab_line = first_line;
    tabs += lines;
  }

  std::int64_t tabs = 0;
  std::int32_t first_tab_line = 0;
};

// After a completed run: a word when the file held no dataset at all (an empty file, or text
// that is no universal file), a word on tabs, and where the model is and what it holds. The
// run's own counts serve: reading the model back would cost as much as the translation.
// `model` is velm.bin where the run wrote it.
void closing_notes(const std::string& input, const std::string& display, const std::string& model,
                   const translator::RunResult& run, bool quiet) {
  if (run.datasets == 0) {
    note(display + " holds no dataset (" + why_no_dataset(scan_universal_file(input)) +
         "): " + model + " holds the empty model a host would get");
    return;
  }
  if (quiet) return;
  const modelfile::Counts& counts = run.counts;
  note("model written to " + model + ": " + plural(counts.parts, "part", "parts") + ", " +
       plural(counts.nodes, "node", "nodes") + ", " +
       plural(run.element_records, "element", "elements") + ", " +
       plural(counts.restraint_sets, "restraint set", "restraint sets") + ", " +
       plural(counts.load_sets, "load set", "load sets"));
}

void tab_note(const ConsoleObserver& seen) {
  if (seen.tabs == 0) return;
  const std::string first = std::to_string(seen.first_tab_line);
  note((seen.tabs == 1 ? "line " + first + " of a dataset read holds a tab"
                       : std::to_string(seen.tabs) +
                             " lines of the datasets read hold tabs, the first line " + first) +
       ": a tab counts as one column, so a file whose blanks became tabs is read from shifted "
       "columns");
}

}  // namespace

int translate_command(Arguments arguments) {
  const char* directory = nullptr;
  const char* file = nullptr;
  int quiet = 0;
  const Option options[] = {
      {.name = "--quiet", .choice = &quiet},
      {.name = "--directory",
       .other_name = "-C",
       .value = &directory,
       .no_value = "option -C needs a directory"},
  };
  if (const auto done = read_command_line(
          arguments,
          {kUsage, kHelp, options, {&file, 1}, "only one FILE can be translated per run"}))
    return *done;
  if (file == nullptr) return usage_error("no FILE given", kUsage);
  if (directory != nullptr && *directory == '\0')
    return usage_error("empty directory name", kUsage);

  // A device is refused (it may never end); a pipe is read once, into a copy in a private folder,
  // which the run reads (opening it by name would wait for a writer, and a second look finds it
  // empty). Why another input cannot be opened, the run tells.
  PrivateFolder folder;
  std::string input = file;
  switch (input_kind(file)) {
    case InputKind::kDevice:
      note("cannot read " + std::string(file) + ": not a regular file (a device, read for ever)");
      return kExitNoFile;
    case InputKind::kStream:
      if (!folder.make()) return kExitNoFile;
      input = (folder.path() / "input.unv").string();
      if (!copy_input(file, input)) return kExitNoFile;
      break;
    case InputKind::kDirectory:
    case InputKind::kRegular:
      break;
  }

  // The run's files go to DIR; FILE stays named from where vevadar was started.
  translator::RunOptions run_options;
  if (directory != nullptr) {
    std::error_code error;
    const auto status = std::filesystem::status(directory, error);
    if (error || status.type() != std::filesystem::file_type::directory) {
      note("cannot use directory " + std::string(directory) + ": " +
           (error ? error.message() : std::string(std::strerror(ENOTDIR))));
      return kExitNoFile;
    }
    run_options.directory = directory;
  }

  ConsoleHost host(quiet);
  ConsoleObserver seen;
  run_options.observer = &seen;
  const translator::RunResult result = translator::run_translation(host, input, run_options);
  std::fflush(stdout);
  const std::string model = in_directory(directory, kModelFileName);
  if (result.input_unopened) {
    note("cannot open " + std::string(file) + ": " + result.open_error.message());
  } else if (result.unopened_run_file != nullptr) {
    note("cannot open or create " + in_directory(directory, result.unopened_run_file) +
         (result.open_error ? ": " + result.open_error.message() : std::string()));
  }
  tab_note(seen);
  if (result.premature_end) {
    note("the file ended inside a dataset: " + model + " was not updated");
  }
  if (result.end != translator::RunEnd::kCompleted) return kExitNoFile;
  closing_notes(input, file, model, result, quiet);
  return programs::exit_status(result);
}

}  // namespace vevadar::tools
