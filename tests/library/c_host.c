/* A host program in C, built against the public header alone with -Wall -Wextra -Wpedantic
 * -Werror: the header must be plain C. It defines the callbacks as a C host does, calls the
 * entry through a pointer of the declared type with a missing input, and expects exactly the one
 * error line of that case, 80 characters long. */
#include <stdio.h>
#include <string.h>

#include "vevadar.h"

static int g_information;
static int g_errors;
static int g_faults;

static const char kExpected[] = "**ERROR : CANNOT OPEN UNIVERSAL FILE";

void VEVADAR_CALL MESSAG(char* line, int32_t length) {
  (void)line;
  (void)length;
  ++g_information;
}

void VEVADAR_CALL CPROMPTERROR(char* line, int32_t length) {
  int i;
  const size_t text_length = sizeof kExpected - 1;
  ++g_errors;
  if (line == NULL || length != 80 || memcmp(line, kExpected, text_length) != 0) {
    ++g_faults;
    return;
  }
  for (i = (int)text_length; i < 80; ++i) {
    if (line[i] != ' ') ++g_faults;
  }
}

int main(void) {
  /* Not terminated: the length says where the name ends. */
  static const char name[] = {'n', 'o', '-', 's', 'u', 'c', 'h', '.', 'u', 'n', 'v', 'X'};
  void(VEVADAR_CALL * entry)(const char*, int32_t) = RUV2IRU;
  entry(name, 11);
  if (g_information != 0 || g_errors != 1 || g_faults != 0) {
    printf("expected one line \"%s\"; got %d MESSAG, %d CPROMPTERROR, %d wrong\n", kExpected,
           g_information, g_errors, g_faults);
    return 1;
  }
  printf("OK\n");
  return 0;
}
