// Arbitrary bytes as a universal file, through the scan that `vevadar info` lists: the datasets
// stand in line order inside the file's lines, each number line is one line of at most 80
// columns, and the reason given for a file without a dataset is one line.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "textfields/textfields.h"
#include "unv_scan.h"

using vevadar::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path input = vevadar::fuzzing::own_folder() / "input.unv";
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const vevadar::tools::UnvScan scan = vevadar::tools::scan_universal_file(input.string());
  require(scan.opened);
  std::int64_t last_line = 0;
  for (const vevadar::tools::DatasetEntry& dataset : scan.datasets) {
    require(dataset.number_line > last_line);
    require(dataset.number_line + std::int64_t{dataset.lines} <= scan.lines);
    require(dataset.first_line.size() <= vevadar::textfields::kLineWidth);
    require(dataset.closed || &dataset == &scan.datasets.back());
    last_line = dataset.number_line + std::int64_t{dataset.lines};
  }
  if (scan.datasets.empty()) {
    const std::string why = vevadar::tools::why_no_dataset(scan);
    require(vevadar::textfields::printable(why) == why);
  }
  return 0;
}
