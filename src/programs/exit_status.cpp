// The exit status of a translation and a host line's text, as the programs show them.
#include "programs/programs.h"

#include "host/host.h"

namespace vevadar::programs {

int exit_status(const translator::RunResult& run) {
  if (run.end != translator::RunEnd::kCompleted) return kExitNoFile;
  if (run.error_lines > 0 || run.datasets == 0) return kExitBadInput;
  return kExitOk;
}

std::string_view host_line_text(const char* line) {
  std::size_t length = host::kHostLineLength;
  while (length > 0 && line[length - 1] == ' ') --length;
  return {line, length};
}

}  // namespace vevadar::programs
