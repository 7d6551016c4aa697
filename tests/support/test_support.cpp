#include "support/test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "recordfiles/recordfiles.h"

namespace vevadar::testing {
namespace fs = std::filesystem;

void CapturingHost::information(char* line) {
  lines.push_back({false, std::string(line, host::kHostLineLength)});
}

void CapturingHost::error(char* line) {
  lines.push_back({true, std::string(line, host::kHostLineLength)});
}

std::vector<std::string> CapturingHost::information_lines() const {
  std::vector<std::string> out;
  for (const Line& line : lines) {
    if (!line.is_error) out.push_back(trim_right(line.text));
  }
  return out;
}

std::vector<std::string> CapturingHost::error_lines() const {
  std::vector<std::string> out;
  for (const Line& line : lines) {
    if (line.is_error) out.push_back(trim_right(line.text));
  }
  return out;
}

std::string trim_right(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

ScratchDirectory::ScratchDirectory() {
  previous_ = fs::current_path().string();
  std::string pattern = (fs::temp_directory_path() / "vevadar-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  fs::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code error;
  fs::current_path(previous_, error);
  fs::remove_all(path_, error);
}

void write_file(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool file_exists(const std::string& name) {
  std::error_code error;
  return fs::exists(name, error);
}

std::string delimiter() { return "    -1\n"; }

std::string column(std::int64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), ' ');
  }
  return digits;
}

std::string dataset(int number, std::string_view body) {
  return delimiter() + column(number, 6) + "\n" + std::string(body) + delimiter();
}

std::string le32(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
  return out;
}

std::string lef32(float value) {
  std::uint32_t bits = 0;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  return le32(static_cast<std::int32_t>(bits));
}

Translation translate_file(const std::string& path, const translator::RunOptions& options) {
  Translation out;
  out.result = translator::run_translation(out.host, path, options);
  for (const auto& line : out.host.lines) {
    if (line.text.size() != 80) ++out.host.wrong_length;
  }
  out.model_bytes = read_file("velm.bin");
  out.message_file = read_file("rozedere.msg");
  if (auto records = recordfiles::read_model_records(out.model_bytes)) {
    out.model_well_formed = true;
    for (const auto& record : *records) out.records.emplace_back(record.begin(), record.end());
  }
  return out;
}

Translation translate(std::string_view unv, const translator::RunOptions& options) {
  write_file("input.unv", unv);
  return translate_file("input.unv", options);
}

std::string source_directory() { return VEVADAR_SOURCE_DIR; }

std::string corpus_directory() {
  const fs::path corpus = fs::path(VEVADAR_SOURCE_DIR) / ".." / "shared" / "corpus" / "real";
  std::error_code error;
  if (!fs::is_directory(corpus, error)) return {};
  return fs::canonical(corpus, error).string();
}

}  // namespace vevadar::testing
