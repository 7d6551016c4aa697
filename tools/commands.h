// The subcommands of the vevadar program and what they share: reading a whole input file with
// one clear line for every way that fails, usage errors, --help and --version.
//
// Every command's own lines go to standard error and start with "vevadar: "; a command prints
// its results on standard output. Exit status of every command: 0 done, 1 the input is not what
// the command reads (it says why in one line), 2 the input or an output could not be opened, read
// or written, 64 a wrong command line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace vevadar::tools {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitNoFile = 2;
inline constexpr int kExitUsage = 64;

// The arguments after the command's name.
using Arguments = std::span<char* const>;

int translate_command(Arguments arguments);
int dump_command(Arguments arguments);
int vtk_command(Arguments arguments);
int info_command(Arguments arguments);

// The whole of file `name` in `bytes`; false after printing "vevadar: cannot read NAME: REASON"
// (missing, a directory, a read error).
bool read_input(const std::string& name, std::string& bytes);

// "vevadar: WHAT", then `usage`, on standard error; returns kExitUsage.
int usage_error(std::string_view what, std::string_view usage);
// For --help and --version: true (and the text printed) when `argument` asks for one of them.
bool help_or_version(std::string_view argument, std::string_view usage, std::string_view help);

// A host line's text: its 80 characters without the trailing blanks.
std::string_view host_line_text(const char* line);

// `text` as a JSON string, its bytes taken one for one as the characters U+0000 to U+00FF.
void json_string(std::string_view text);

// "1 node", "2 nodes".
std::string plural(std::int64_t count, std::string_view one, std::string_view many);

// Standard error is a terminal (a person reads it, not a host program).

// Prints one note "vevadar: ..." on standard error.
void note(const std::string& text);

}  // namespace vevadar::tools
