// vevadar: the command-line host. Runs one translation and prints the host's lines: MESSAG lines
// on standard output, CPROMPTERROR lines on standard error, one per line, trailing blanks removed.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "host/host.h"
#include "translator/translator.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitErrors = 1;
constexpr int kExitNoModel = 2;
constexpr int kExitUsage = 64;

constexpr char kUsage[] =
    "usage: vevadar [-C DIR | --directory DIR] [--quiet] FILE\n"
    "       vevadar --help | --version\n";

constexpr char kHelp[] =
    "Translates the I-DEAS universal file FILE into the model file velm.bin.\n"
    "\n"
    "The run writes velm.bin (the model) and rozedere.msg (element type warnings and the\n"
    "summary box) in the current directory, or in DIR with -C; while it runs it also uses\n"
    "velm.inn and temp.prt there, which a completed run deletes. A relative FILE is taken\n"
    "from the directory vevadar was started in.\n"
    "\n"
    "Options:\n"
    "  -C DIR, --directory DIR  put the run's files in DIR (which must exist)\n"
    "  --quiet                  do not print the progress lines (every 1000th node and\n"
    "                           element); errors, warnings and the summary still print\n"
    "  --help                   print this help and exit\n"
    "  --version                print the version and exit\n"
    "\n"
    "Information lines (progress, summary) go to standard output, error and warning lines\n"
    "to standard error.\n"
    "\n"
    "Exit status:\n"
    "  0   the run completed and reported no error (warnings alone do not count)\n"
    "  1   the run completed and wrote the model, but reported errors in the data\n"
    "  2   no model was written: the file ended inside a dataset, the input or a run file\n"
    "      could not be opened, or the model file could not be written\n"
    "  64  the command line was wrong\n";

std::string_view trimmed(const char* line) {
  std::size_t length = vevadar::host::kHostLineLength;
  while (length > 0 && line[length - 1] == ' ') --length;
  return {line, length};
}

class ConsoleHost final : public vevadar::host::Host {
 public:
  explicit ConsoleHost(bool quiet) : quiet_(quiet) {}
  void information(char* line) override {
    const std::string_view text = trimmed(line);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  }
  void progress(char* line) override {
    if (!quiet_) information(line);
  }
  void error(char* line) override {
    std::fflush(stdout);
    const std::string_view text = trimmed(line);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }

 private:
  bool quiet_;
};

int usage_error(const char* what) {
  std::fprintf(stderr, "vevadar: %s\n%s", what, kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const char* directory = nullptr;
  const char* file = nullptr;
  bool quiet = false;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      std::fputs("\n", stdout);
      std::fputs(kHelp, stdout);
      return kExitOk;
    }
    if (!options_done && arg == "--version") {
      std::puts("vevadar " VEVADAR_VERSION);
      return kExitOk;
    }
    if (!options_done && arg == "--quiet") {
      quiet = true;
    } else if (!options_done && (arg == "-C" || arg == "--directory")) {
      if (i + 1 >= argc) return usage_error("option -C needs a directory");
      directory = argv[++i];
    } else if (!options_done && arg.starts_with("--directory=")) {
      directory = argv[i] + std::strlen("--directory=");
    } else if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return usage_error((std::string("unknown option ") + argv[i]).c_str());
    } else if (file == nullptr) {
      file = argv[i];
    } else {
      return usage_error("only one FILE can be translated per run");
    }
  }
  if (file == nullptr) return usage_error("no FILE given");
  if (directory != nullptr && *directory == '\0') return usage_error("empty directory name");

  std::string input = file;
  if (directory != nullptr) {
    // FILE is named relative to where vevadar was started, not to DIR.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(input, error);
    if (!error) input = absolute.string();
    std::filesystem::current_path(directory, error);
    if (error) {
      std::fprintf(stderr, "vevadar: cannot use directory %s: %s\n", directory,
                   error.message().c_str());
      return kExitNoModel;
    }
  }

  ConsoleHost host(quiet);
  const vevadar::translator::RunResult result = vevadar::translator::run_translation(host, input);
  std::fflush(stdout);
  if (result.end != vevadar::translator::RunEnd::kCompleted) return kExitNoModel;
  return result.error_lines > 0 ? kExitErrors : kExitOk;
}
