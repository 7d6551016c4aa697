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
    "       vevadar [COMMAND] --help | --version\n";

constexpr char kHelp[] =
    "Translates the I-DEAS universal file FILE into the model file velm.bin.\n"
    "\n"
    "The run writes velm.bin (the model) and rozedere.msg (element type warnings and the\n"
    "summary box) in the current directory, or in DIR with -C; while it runs it also uses\n"
    "velm.inn and temp.prt there, which a completed run deletes. A relative FILE is taken\n"
    "from the directory vevadar was started in. A FILE named like a command (dump, vtk,\n"
    "info, translate) is given as ./dump, after --, or after translate.\n"
    "\n"
    "Options:\n"
    "  -C DIR, --directory DIR  put the run's files in DIR (which must exist)\n"
    "  --quiet                  do not print the progress lines (every 1000th node and\n"
    "                           element) nor the closing note; errors, warnings and the\n"
    "                           summary still print\n"
    "  --help                   print this help and exit\n"
    "  --version                print the version and exit\n"
    "\n"
    "Information lines (progress, summary) go to standard output, error and warning lines\n"
    "to standard error, exactly as a host program receives them. The program adds notes of\n"
    "its own on standard error, each starting with \"vevadar: \" so that scripts can tell\n"
    "them from the host's lines: why the input could not be opened, that the file held no\n"
    "dataset at all, that velm.bin was not updated after the file ended inside a dataset,\n"
    "and (unless --quiet) where the model was written with its counts.\n"
    "\n"
    "Other commands: dump (read a model file back and check it), vtk (a model as a VTK\n"
    "unstructured grid), info (what a universal file holds); vevadar COMMAND --help.\n"
    "\n"
    "Exit status:\n"
    "  0   the run completed and reported no error (warnings alone do not count)\n"
    "  1   the run completed and wrote the model, but reported errors in the data\n"
    "  2   no model was written: the file ended inside a dataset, the input or a run file\n"
    "      could not be opened, the model file could not be written, or DIR could not be\n"
    "      entered\n"
    "  64  the command line was wrong\n";

constexpr std::string_view kModelFileName = "velm.bin";

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

// After a completed run: where the model is and what it holds, and a word when the file held
// no dataset at all (an empty file, or text that is no universal file). The run's own counts
// serve: reading the model back would cost as much as the translation.
// `directory` is the -C folder as given, or nullptr.
void closing_notes(const std::string& input, const std::string& display, const char* directory,
                   const translator::RunResult& run, bool quiet) {
  const std::string model = directory == nullptr
                                ? std::string(kModelFileName)
                                : (std::filesystem::path(directory) / kModelFileName).string();
  const modelfile::Counts& counts = run.counts;
  if (counts.parts == 0 && counts.nodes == 0 && run.element_records == 0 &&
      counts.restraint_sets == 0 && counts.load_sets == 0) {
    const UnvScan scan = scan_universal_file(input);
    if (scan.opened && scan.datasets.empty()) {
      note(display + " holds no dataset (" + why_no_dataset(scan) + "): the model is empty");
    }
  }
  if (quiet) return;
  note("model written to " + model + ": " + plural(counts.parts, "part", "parts") + ", " +
       plural(counts.nodes, "node", "nodes") + ", " +
       plural(run.element_records, "element", "elements") + ", " +
       plural(counts.restraint_sets, "restraint set", "restraint sets") + ", " +
       plural(counts.load_sets, "load set", "load sets"));
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

  // Why the input cannot be opened, asked before the run: the host line does not say. A device
  // is refused (it may never end); a pipe is read once, into a copy in a private folder, which
  // the run reads (opening it by name would wait for a writer, and a second look finds it empty).
  std::string cannot_open;
  PrivateFolder folder;
  std::string input = file;
  switch (input_kind(file)) {
    case InputKind::kDirectory:
      cannot_open = std::strerror(EISDIR);
      break;
    case InputKind::kDevice:
      note("cannot read " + std::string(file) + ": not a regular file (a device, read for ever)");
      return kExitNoFile;
    case InputKind::kStream:
      if (!folder.make()) return kExitNoFile;
      input = (folder.path() / "input.unv").string();
      if (!copy_input(file, input)) return kExitNoFile;
      break;
    case InputKind::kRegular:
      if (std::FILE* probe = std::fopen(file, "rb"); probe == nullptr) {
        cannot_open = std::strerror(errno);
      } else {
        std::fclose(probe);
      }
      break;
  }

  if (directory != nullptr) {
    // FILE is named relative to where vevadar was started, not to DIR.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(input, error);
    if (!error) input = absolute.string();
    std::filesystem::current_path(directory, error);
    if (error) {
      note("cannot use directory " + std::string(directory) + ": " + error.message());
      return kExitNoFile;
    }
  }

  ConsoleHost host(quiet);
  const translator::RunResult result = translator::run_translation(host, input);
  std::fflush(stdout);
  if (!cannot_open.empty() && result.end != translator::RunEnd::kCompleted) {
    note("cannot open " + std::string(file) + ": " + cannot_open);
  }
  if (result.premature_end) {
    note("the file ended inside a dataset: " + std::string(kModelFileName) + " was not updated");
  }
  if (result.end != translator::RunEnd::kCompleted) return kExitNoFile;
  closing_notes(input, file, directory, result, quiet);
  return result.error_lines > 0 ? kExitBadInput : kExitOk;
}

}  // namespace vevadar::tools
