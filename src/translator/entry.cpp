// The exported entry RUV2IRU: binds the host program's callbacks and runs one translation.
#include "translator/translator.h"

#include <cstddef>

#include "host/callback_host.h"
#include "host/callbacks.h"

extern "C" void VEVADAR_CALL RUV2IRU(const char* name, int32_t length) {
  vevadar::host::CallbackHost host;
  try {
    (void)vevadar::translator::run_translation(
        host, vevadar::translator::trim_name_argument(name, length));
  } catch (...) {
    // Nothing may cross into the host. The library throws nothing itself; should the standard
    // library ever do so (memory exhausted), the host is told in one line.
    char line[80];
    const char text[] = "**ERROR : TRANSLATOR INTERNAL ERROR";
    std::size_t i = 0;
    for (; i + 1 < sizeof text; ++i) line[i] = text[i];
    for (; i < sizeof line; ++i) line[i] = ' ';
    CPROMPTERROR(line, 80);
  }
}
