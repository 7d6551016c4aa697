// What the commands share: whole-file input with the system's reason on failure, the command
// line read from a table of options, usage lines, --help and --version, the end of the output.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "commands.h"
#include "modelfile/modelfile.h"

namespace vevadar::tools {

namespace {

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not a well-formed one
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
std::size_t utf8_sequence(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

bool valid_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_sequence(text.substr(at));
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// `text` as a JSON string; bytes from 0x80 up as they are when `raw_high`, else each as the
// character U+0080 to U+00FF.
void json_text(std::string_view text, bool raw_high) {
  std::putchar('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      std::printf("\\%c", c);
    } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !raw_high)) {
      std::printf("\\u%04x", byte);
    } else {
      std::putchar(c);
    }
  }
  std::putchar('"');
}

}  // namespace

void json_string(std::string_view text) { json_text(text, false); }

void json_file_name(std::string_view name) { json_text(name, valid_utf8(name)); }

std::string plural(std::int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

void print_element_shapes(const ElementShapes& shapes) {
  for (const auto& [shape, count] : shapes) {
    const char* family = modelfile::element_family(shape.first);
    std::printf("  type %d%s%s%s, %s: %d\n", shape.first, family ? " (" : "", family ? family : "",
                family ? ")" : "", plural(shape.second, "node", "nodes").c_str(), count);
  }
}

void note(const std::string& text) {
  std::fflush(stdout);
  std::fprintf(stderr, "vevadar: %s\n", text.c_str());
}

bool read_input(const std::string& name, std::string& bytes) {
  std::error_code error;
  if (std::filesystem::is_directory(name, error)) {
    note("cannot read " + name + ": " + std::strerror(EISDIR));
    return false;
  }
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    note("cannot read " + name + ": " + std::strerror(errno));
    return false;
  }
  bytes.clear();
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int reason = errno;
  std::fclose(file);
  if (failed) {
    note("cannot read " + name + ": " + std::strerror(reason));
    return false;
  }
  return true;
}

int finish_output() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    note("cannot write the output");
    return kExitNoFile;
  }
  return kExitOk;
}

int usage_error(std::string_view what, std::string_view usage) {
  std::fflush(stdout);
  std::fprintf(stderr, "vevadar: %.*s\n%.*s", static_cast<int>(what.size()), what.data(),
               static_cast<int>(usage.size()), usage.data());
  return kExitUsage;
}

namespace {

// For --help and --version: true (and the text printed) when `argument` asks for one of them.
bool help_or_version(std::string_view argument, std::string_view usage, std::string_view help) {
  if (argument == "--help" || argument == "-h") {
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    std::fputs("\n", stdout);
    std::fwrite(help.data(), 1, help.size(), stdout);
    return true;
  }
  if (argument == "--version") {
    std::puts("vevadar " VEVADAR_VERSION);
    return true;
  }
  return false;
}

}  // namespace

std::optional<int> read_command_line(Arguments arguments, const CommandLine& line) {
  std::size_t given = 0;
  bool options_done = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view arg = arguments[i];
    if (!options_done && arg.size() > 1 && arg[0] == '-') {
      if (help_or_version(arg, line.usage, line.help)) return kExitOk;
      if (arg == "--") {
        options_done = true;
        continue;
      }
      const Option* found = nullptr;
      const char* value = nullptr;
      for (const Option& option : line.options) {
        if (arg == option.name || (!option.other_name.empty() && arg == option.other_name)) {
          found = &option;
        } else if (option.value != nullptr && arg.size() > option.name.size() &&
                   arg.starts_with(option.name) && arg[option.name.size()] == '=') {
          found = &option;
          value = arguments[i] + option.name.size() + 1;
        }
        if (found != nullptr) break;
      }
      if (found == nullptr) return usage_error("unknown option " + std::string(arg), line.usage);
      if (found->value == nullptr) {
        *found->choice = found->chosen;
        continue;
      }
      if (value == nullptr) {
        if (i + 1 >= arguments.size()) return usage_error(found->no_value, line.usage);
        value = arguments[++i];
      }
      *found->value = value;
    } else if (given < line.arguments.size()) {
      line.arguments[given++] = arguments[i];
    } else {
      return usage_error(line.too_many, line.usage);
    }
  }
  return std::nullopt;
}

}  // namespace vevadar::tools
