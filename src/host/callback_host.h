// A Host that hands each line to the host program's callbacks with the length 80.
#pragma once

#include "host/host.h"

namespace vevadar::host {

class CallbackHost final : public Host {
 public:
  void information(char* line) override;
  void error(char* line) override;
};

}  // namespace vevadar::host
