// velmdump MODEL: the same as `vevadar dump MODEL`, kept for scripts written against it.
#include "commands.h"

int main(int argc, char** argv) {
  const vevadar::tools::Arguments arguments(argv + 1,
                                            argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
  return vevadar::tools::dump_command(arguments);
}
