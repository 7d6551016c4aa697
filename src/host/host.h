// host: what the translator needs from the program that loaded it.
//
// What this area offers:
//   - Host: the two calls through which a run talks to its user, an information line and an
//     error line, each exactly 80 characters, blank-padded, valid only during the call;
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
  // Progress and summary lines (MESSAG).
  virtual void information(char* line) = 0;
  // Error and warning lines (CPROMPTERROR).
  virtual void error(char* line) = 0;
};

}  // namespace vevadar::host
