// Arbitrary bytes as a model file, through the reader that dump and vtk use: a file is read whole
// or refused with one printable line naming its offset, and every file read whole has the framing
// the writer gives its records (framed again, its records are the same bytes).
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"

namespace {

using namespace vevadar;

using fuzzing::require;

std::string framed_again(const std::vector<std::vector<std::uint8_t>>& records) {
  recordfiles::SequentialRecordFile file;
  require(file.open((fuzzing::own_folder() / "framed.bin").string()));
  for (const auto& record : records) {
    file.begin_record();
    file.add(record.data(), record.size());
    file.end_record();
  }
  require(file.close_keep());
  std::ifstream in(fuzzing::own_folder() / "framed.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const auto model = std::make_unique<modelfile::Model>();
  const modelfile::ModelReadResult read = modelfile::load_model(bytes, *model);
  const auto records = recordfiles::read_model_records(bytes);
  if (read.ok) {
    require(records.has_value());
  } else {
    require(read.problem.starts_with("offset "));
    require(textfields::printable(read.problem) == read.problem);
  }
  if (records.has_value()) require(framed_again(*records) == bytes);
  return 0;
}
