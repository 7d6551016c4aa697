// The subcommands of the vevadar program and what they share: reading a whole input file with
// one clear line for every way that fails, the command line (options, arguments, usage errors,
// --help and --version), the end of the output, and the text helpers.
//
// Every command's own lines go to standard error and start with "vevadar: "; a command prints
// its results on standard output. Exit status of every command (programs.h): 0 done, 1 the input
// is not what the command reads (it says why in one line), 2 the input or an output could not be
// opened, read or written, 64 a wrong command line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "programs/programs.h"

namespace vevadar::tools {

using programs::host_line_text;
using programs::kExitBadInput;
using programs::kExitNoFile;
using programs::kExitOk;
using programs::kExitUsage;

// The arguments after the command's name.
using Arguments = std::span<char* const>;

int translate_command(Arguments arguments);
int dump_command(Arguments arguments);
int vtk_command(Arguments arguments);
int info_command(Arguments arguments);

// What a named input is, as far as reading it goes.
enum class InputKind : std::uint8_t {
  kRegular,    // a regular file, or a name that cannot be looked at (opening it says why)
  kDirectory,  // a folder
  kStream,     // a FIFO, a pipe or a socket: its bytes can be read once only
  kDevice,     // a device (/dev/zero, a terminal): read by name it may never end
};
InputKind input_kind(const std::string& name);

// The whole of model file `name` in `bytes`, read once, without waiting for a writer of a FIFO
// (one without a writer is empty). kExitOk; kExitNoFile after "vevadar: cannot read NAME: REASON"
// (missing, a directory, a read error); kExitBadInput after one line when it goes on past the
// largest model file the capacities allow (a device, an endless pipe), where reading stops.
int read_input(const std::string& name, std::string& bytes);

// Input `name` (a FIFO or pipe, read once as read_input does, without a bound) copied to file
// `copy`; false after one line saying what failed.
bool copy_input(const std::string& name, const std::string& copy);

// A folder of our own under the system's temporary folder, removed with all it holds at the end
// of the object's life.
class PrivateFolder {
 public:
  PrivateFolder() = default;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder();
  // false after "vevadar: cannot make a temporary folder PATH: REASON".
  bool make();
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// "vevadar: WHAT", then `usage`, on standard error; returns kExitUsage.
int usage_error(std::string_view what, std::string_view usage);

// One option of a command. Without `value` it is a switch that sets *choice to `chosen` (the
// last of several switches on one choice wins); with `value` it takes the next argument, or
// what follows "NAME=", and `no_value` is the usage error when there is none.
struct Option {
  std::string_view name = {};        // "--json"
  std::string_view other_name = {};  // "-C" beside "--directory", or empty
  int* choice = nullptr;
  int chosen = 1;
  const char** value = nullptr;
  std::string_view no_value = {};
};

// A command's command line: its options, and where its arguments go, in order.
struct CommandLine {
  std::string_view usage;  // "usage: vevadar dump ...\n"
  std::string_view help;   // printed after the usage line by --help
  std::span<const Option> options;
  std::span<const char*> arguments;  // each left nullptr when not given
  std::string_view too_many;         // the usage error for one argument more than fit
};

// Reads `arguments` by `line`, left to right: --help (-h) and --version print and end the
// command, "--" ends the options, any other word starting with '-' (but "-" alone) is an
// option of the table or a usage error. Returns the exit status when the command is done with
// (kExitOk after --help or --version, kExitUsage after a usage error), or nothing to go on.
std::optional<int> read_command_line(Arguments arguments, const CommandLine& line);

// The end of a command that printed its results: kExitOk, or kExitNoFile after "vevadar: cannot
// write the output" when standard output did not take them all.
int finish_output();

// `text` as a JSON string, its bytes taken one for one as the characters U+0000 to U+00FF.
void json_string(std::string_view text);
// A file name as a JSON string: as the UTF-8 it is when it is valid UTF-8, else as json_string.
void json_file_name(std::string_view name);

// Element counts by (element type code, element node count).
using ElementShapes = std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t>;
// One line per shape: "  type 4 (shell), 3 nodes: 21".
void print_element_shapes(const ElementShapes& shapes);

// "1 node", "2 nodes".
std::string plural(std::int64_t count, std::string_view one, std::string_view many);

// Prints one note "vevadar: ..." on standard error.
void note(const std::string& text);

}  // namespace vevadar::tools
