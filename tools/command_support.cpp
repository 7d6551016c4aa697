// What the commands share: whole-file input with the system's reason on failure, the command
// line read from a table of options, usage lines, --help and --version, the end of the output.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "commands.h"
#include "modelfile/modelfile.h"
#include "textfields/textfields.h"

namespace vevadar::tools {

namespace {

bool valid_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = static_cast<unsigned char>(text[at]) < 0x80
                                   ? 1
                                   : textfields::utf8_sequence(text.substr(at));
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
  // File names and texts from inputs stand in notes: one note is always one line.
  std::fprintf(stderr, "vevadar: %s\n", textfields::printable(text).c_str());
}

InputKind input_kind(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(name, error);
  if (error || fs::is_regular_file(status)) return InputKind::kRegular;
  if (fs::is_directory(status)) return InputKind::kDirectory;
  if (fs::is_fifo(status) || fs::is_socket(status)) return InputKind::kStream;
  return InputKind::kDevice;
}

namespace {

// Opens `name` for reading without waiting for a writer of a FIFO: one without a writer reads as
// empty at once. nullptr with errno set when it cannot be opened.
std::FILE* open_input(const std::string& name) {
#ifdef _WIN32
  return std::fopen(name.c_str(), "rb");
#else
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // Reads wait for a writer's bytes again; the open alone was not to wait.
  const int flags = ::fcntl(fd, F_GETFL);
  std::FILE* file = nullptr;
  if (flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1) file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    const int reason = errno;
    ::close(fd);
    errno = reason;
  }
  return file;
#endif
}

// Reads `file` to its end, or until `bytes` holds more than `limit` bytes; the system's reason, or
// 0 when all went well.
int read_all(std::FILE* file, std::string& bytes, std::size_t limit) {
  bytes.clear();
  char buffer[1 << 16];
  std::size_t got = 0;
  while (bytes.size() <= limit &&
         (got = std::fread(buffer, 1, std::min(sizeof buffer, limit - bytes.size() + 1), file)) > 0)
    bytes.append(buffer, got);
  const int reason = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
  std::fclose(file);
  return reason;
}

}  // namespace

int read_input(const std::string& name, std::string& bytes) {
  if (input_kind(name) == InputKind::kDirectory) {
    note("cannot read " + name + ": " + std::strerror(EISDIR));
    return kExitNoFile;
  }
  std::FILE* file = open_input(name);
  if (file == nullptr) {
    note("cannot read " + name + ": " + std::strerror(errno));
    return kExitNoFile;
  }
  // A device or an endless pipe would be read for ever: no valid model file is larger than this.
  const auto limit = static_cast<std::size_t>(modelfile::kMaxModelFileBytes);
  if (const int reason = read_all(file, bytes, limit); reason != 0) {
    note("cannot read " + name + ": " + std::strerror(reason));
    return kExitNoFile;
  }
  if (bytes.size() > limit) {
    note(name + " is not a valid model file: it goes on past " + std::to_string(limit) +
         " bytes, the largest model file the capacities allow (reading stopped there)");
    return kExitBadInput;
  }
  return kExitOk;
}

bool copy_input(const std::string& name, const std::string& copy) {
  std::FILE* file = open_input(name);
  if (file == nullptr) {
    note("cannot read " + name + ": " + std::strerror(errno));
    return false;
  }
  std::FILE* out = std::fopen(copy.c_str(), "wb");
  if (out == nullptr) {
    note("cannot write the copy " + copy + " of " + name + ": " + std::strerror(errno));
    std::fclose(file);
    return false;
  }
  char buffer[1 << 16];
  std::size_t got = 0;
  bool written = true;
  while (written && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    written = std::fwrite(buffer, 1, got, out) == got;
  const int read_reason = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  written = std::fclose(out) == 0 && written;
  if (read_reason != 0) {
    note("cannot read " + name + ": " + std::strerror(read_reason));
    return false;
  }
  if (!written) {
    note("cannot write the copy " + copy + " of " + name + ": " + std::strerror(errno));
    return false;
  }
  return true;
}

bool PrivateFolder::make() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) {
    note("cannot make a temporary folder: no temporary folder to make it in: " + error.message());
    return false;
  }
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / ("vevadar-" + std::to_string(random()));
    if (fs::create_directory(path_, error)) return true;
    if (error) break;  // not a name that was taken
  }
  note("cannot make a temporary folder " + path_.string() + ": " +
       (error ? error.message() : std::string("every name tried is taken")));
  path_.clear();
  return false;
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
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
  const std::string line = textfields::printable(what);  // it may quote an argument
  std::fprintf(stderr, "vevadar: %s\n%.*s", line.c_str(), static_cast<int>(usage.size()),
               usage.data());
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
    if (modelfile::kDefaultCapacities) {
      std::puts("vevadar " VEVADAR_VERSION);
    } else {
      std::printf("vevadar " VEVADAR_VERSION " (built for %d nodes and %d elements)\n",
                  static_cast<int>(modelfile::kMaxNodes),
                  static_cast<int>(modelfile::kMaxElements));
    }
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
