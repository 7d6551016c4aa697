// Runs a fuzz target over saved inputs when libFuzzer is not there: every regular file named on
// the command line, and every regular file under each directory named there, in name order.
// A target that finds a fault aborts, so a normal exit means every input passed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
        if (entry.is_regular_file()) inputs.push_back(fs::absolute(entry.path()));
      }
    } else if (fs::is_regular_file(path, error)) {
      inputs.push_back(fs::absolute(path));
    } else {
      std::cerr << "replay: no such file or directory: " << path.string() << '\n';
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());

  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
      std::cerr << "replay: cannot read " << path.string() << '\n';
      return 2;
    }
    // A copy of exactly the input's size, so that reading past its end is caught by ASan.
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
  }
  std::cout << "replay: " << inputs.size() << " inputs passed\n";
  return 0;
}
