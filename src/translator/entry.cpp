// The exported entry RUV2IRU: binds the host program's callbacks and runs one translation.
#include "translator/translator.h"

#include "host/callback_host.h"
#include "host/callbacks.h"
#include "translator/messages.h"

extern "C" void VEVADAR_CALL RUV2IRU(const char* name, int32_t length) {
  vevadar::host::CallbackHost host;
  try {
    (void)vevadar::translator::run_translation(
        host, vevadar::translator::trim_name_argument(name, length));
  } catch (...) {
    // Nothing may cross into the host. The library throws nothing itself; should the standard
    // library ever do so (memory exhausted), the host is told in one line.
    vevadar::translator::send_error_line(host, vevadar::translator::Message::kInternalError);
  }
}
