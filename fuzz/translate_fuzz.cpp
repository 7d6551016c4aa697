// Whole translations of arbitrary bytes: the run must complete or end early without a crash,
// send only 80-character lines, and leave a model file that reads back whole when it completes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "modelfile/modelfile.h"
#include "translator/translator.h"

namespace {

class CheckingHost final : public vevadar::host::Host {
 public:
  void information(char* line) override { check(line); }
  void error(char* line) override { check(line); }

 private:
  static void check(const char* line) {
    for (int i = 0; i < 80; ++i) {
      // Lines are text built from the file's numbers: never a NUL inside the 80 columns.
      if (line[i] == '\0') std::abort();
    }
  }
};

// The run's files go to the process's own folder, the current folder for the run.
const std::filesystem::path& work_directory() {
  static const bool entered = [] {
    std::filesystem::current_path(vevadar::fuzzing::own_folder());
    return true;
  }();
  (void)entered;
  return vevadar::fuzzing::own_folder();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path input = work_directory() / "input.unv";
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CheckingHost host;
  const auto result = vevadar::translator::run_translation(host, input.string());
  if (result.end == vevadar::translator::RunEnd::kCompleted) {
    std::ifstream in(work_directory() / "velm.bin", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Every model a completed run writes reads back as the whole record sequence.
    vevadar::modelfile::ModelVisitor nothing;
    if (!vevadar::modelfile::read_model(bytes, nothing).ok) std::abort();
  }
  return 0;
}
