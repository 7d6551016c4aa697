/*
 * vevadar: translates an I-DEAS universal file into the model file "velm.bin".
 *
 * The library exports one entry, RUV2IRU (on Windows, 32-bit: the stdcall name _RUV2IRU@8), and
 * imports two callbacks from the host program, MESSAG and CPROMPTERROR (on Windows imported from
 * dararude.exe as _MESSAG@8 and _CPROMPTERROR@8; on Linux resolved from the host executable,
 * which must export them, for example by linking with -rdynamic). VEVADAR_VERSION_MAJOR, _MINOR
 * and _PATCH (vevadar_version.h) give the version of the library this header belongs to.
 *
 * Conventions at the boundary:
 *  - The name is an address and a length, not a C string: only `length` characters are used and
 *    no terminator is read. Trailing blanks and NUL characters are not part of the name. A null
 *    address, a length of 0 or below, or an empty name is an input that cannot be opened.
 *  - One call is one complete translation. The files "velm.bin" (the model), "rozedere.msg" (the
 *    summary box and element type warnings), and, while the call runs, "velm.inn" and "temp.prt"
 *    are in the process's current directory.
 *  - Every line handed to MESSAG or CPROMPTERROR is exactly 80 characters, blank-padded, with no
 *    terminator, and is valid only during the call. MESSAG receives progress and summary lines,
 *    CPROMPTERROR error and warning lines. The callbacks are called on the caller's thread.
 *  - Runs never overlap: a call made while another is in progress (from another thread, or from
 *    inside a callback) sends "**ERROR : TRANSLATOR IS BUSY" to CPROMPTERROR, touches no file,
 *    and returns. The run in progress is unaffected.
 *  - Nothing is ever thrown across the entry, and it returns no value.
 */
#ifndef VEVADAR_H_
#define VEVADAR_H_

#include <stdint.h>

#include "vevadar_version.h"

#if defined(_WIN32)
#define VEVADAR_CALL __stdcall
/* The export table is written by vevadar.def; a dllexport would change the exported name. */
#define VEVADAR_ENTRY
#elif defined(__GNUC__)
#define VEVADAR_CALL
#define VEVADAR_ENTRY __attribute__((visibility("default")))
#else
#define VEVADAR_CALL
#define VEVADAR_ENTRY
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The translator's entry. */
VEVADAR_ENTRY void VEVADAR_CALL RUV2IRU(const char* name, int32_t length);

/* Exported by the host program; `length` is always 80. */
void VEVADAR_CALL MESSAG(char* line, int32_t length);
void VEVADAR_CALL CPROMPTERROR(char* line, int32_t length);

#ifdef __cplusplus
}
#endif

#endif /* VEVADAR_H_ */
