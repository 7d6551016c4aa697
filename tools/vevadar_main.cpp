// vevadar: the command-line program. The first argument names a command (translate, dump, vtk,
// info, help); anything else is the translate command's command line, so `vevadar [-C DIR]
// [--quiet] FILE` translates as it always has. `help [COMMAND]` is `[COMMAND] --help`. A FILE
// named like a command is given as ./dump, after --, or after the word translate.
#include <string_view>

#include "commands.h"

namespace {

using vevadar::tools::Arguments;

struct Command {
  std::string_view name;
  int (*run)(Arguments arguments);
};

constexpr Command kCommands[] = {
    {"translate", vevadar::tools::translate_command},
    {"dump", vevadar::tools::dump_command},
    {"vtk", vevadar::tools::vtk_command},
    {"info", vevadar::tools::info_command},
};

const Command* command_named(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

// vevadar help [COMMAND]: the help of COMMAND, translate when none is named.
int help_command(Arguments arguments) {
  const Command* command = command_named(arguments.empty() ? "translate" : arguments[0]);
  if (command == nullptr || arguments.size() > 1) {
    return vevadar::tools::usage_error("help names one command: translate, dump, vtk or info",
                                       "usage: vevadar help [COMMAND]\n");
  }
  char help[] = "--help";
  char* const ask[] = {help};
  return command->run(Arguments(ask));
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments all(argv + 1, argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
  if (!all.empty()) {
    const std::string_view name = all[0];
    if (name == "help") return help_command(all.subspan(1));
    if (const Command* command = command_named(name)) return command->run(all.subspan(1));
  }
  return vevadar::tools::translate_command(all);
}
