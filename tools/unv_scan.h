// A light scan of a universal file for the commands: the datasets as its delimiter lines frame
// them (the translator's own scanner reads them into the model; this one only lists them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vevadar::tools {

struct DatasetEntry {
  std::int32_t number = 0;       // 0 when the number line does not convert or is out of range
  std::int32_t number_line = 0;  // line counter of the dataset number line
  std::int32_t lines = 0;        // lines after the number line, closing delimiter included
  std::string first_line;        // the number line, trailing blanks removed
  bool read = false;             // the translator has a reader for the number
  bool closed = false;           // a closing delimiter was met before the file ended
};

struct UnvScan {
  bool opened = false;
  bool read_failure = false;  // a line could not be read
  std::int32_t lines = 0;
  std::int32_t delimiter_lines = 0;  // outside datasets: the opening ones and those between
  std::vector<DatasetEntry> datasets;
};

UnvScan scan_universal_file(const std::string& name);

// Why a scan met no dataset: "it is empty", "N lines without a delimiter line", "N lines, all
// delimiter lines" or "N lines, the last D of them delimiter lines" (no line after them opens a
// dataset).
std::string why_no_dataset(const UnvScan& scan);

}  // namespace vevadar::tools
