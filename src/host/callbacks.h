// The host program's callbacks, MESSAG and CPROMPTERROR, as declared for C and C++ callers in
// the public header. On Windows they are imported from dararude.exe (stdcall, _MESSAG@8 and
// _CPROMPTERROR@8); on Linux they stay undefined in the library and are resolved from the host
// executable when it is loaded.
#pragma once

#include "vevadar.h"
