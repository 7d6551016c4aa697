#include "commands.h"
namespace vevadar::tools {
int info_command(Arguments) { return kExitUsage; }
}  // namespace vevadar::tools
