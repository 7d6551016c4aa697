#include "host/callback_host.h"

#include "host/callbacks.h"

namespace vevadar::host {

void CallbackHost::information(char* line) { MESSAG(line, kHostLineLength); }

void CallbackHost::error(char* line) { CPROMPTERROR(line, kHostLineLength); }

}  // namespace vevadar::host
