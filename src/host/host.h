// host: what the translator needs from the program that loaded it.
//
// What this area offers:
//   - Host: the calls through which a run talks to its user, an information line (a progress
//     line being one kind of it) and an error line, each exactly 80 characters, blank-padded,
//     valid only during the call;
//   - CallbackHost (callback_host.h): a Host that hands the lines to the host program's exported
//     callbacks MESSAG and CPROMPTERROR (callbacks.h).
// Tests and the command-line host implement Host themselves to capture the lines.
#pragma once

#include <cstdint>

namespace vevadar::host {

inline constexpr std::int32_t kHostLineLength = 80;

class Host {
 public:
  virtual ~Host() = default;
  // Summary lines (MESSAG).
  virtual void information(char* line) = 0;
  // Progress lines (MESSAG): the count of nodes or elements read so far, every 1000th. A host
  // that treats them as any other information line need not override this.
  virtual void progress(char* line) { information(line); }
  // Error and warning lines (CPROMPTERROR).
  virtual void error(char* line) = 0;
};

}  // namespace vevadar::host
