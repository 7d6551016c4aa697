// vevadar: the command-line program. The first argument names a command (translate, dump, vtk,
// info); anything else is the translate command's command line, so `vevadar [-C DIR] [--quiet]
// FILE` translates as it always has. A FILE named like a command is given as ./dump, after --,
// or after the word translate.
#include <string_view>

#include "commands.h"

int main(int argc, char** argv) {
  using namespace vevadar::tools;
  const Arguments all(argv + 1, argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
  if (!all.empty()) {
    const std::string_view command = all[0];
    const Arguments rest = all.subspan(1);
    if (command == "translate") return translate_command(rest);
    if (command == "dump") return dump_command(rest);
    if (command == "vtk") return vtk_command(rest);
    if (command == "info") return info_command(rest);
  }
  return translate_command(all);
}
