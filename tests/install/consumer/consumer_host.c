/* A host program built against an installed vevadar, as an integrator builds one: it defines the
 * two callbacks, prints each line as the command-line host does (information lines on standard
 * output, error and warning lines on standard error, without their trailing blanks) and
 * translates the file named on its command line in the current directory. --version prints the
 * version, and the capacities when they are not the default, that the installed header gives. */
#include <stdio.h>
#include <string.h>
#include <vevadar.h>

static void print_line(FILE* stream, const char* line, int32_t length) {
  while (length > 0 && line[length - 1] == ' ') --length;
  fwrite(line, 1, (size_t)length, stream);
  fputc('\n', stream);
}

void VEVADAR_CALL MESSAG(char* line, int32_t length) { print_line(stdout, line, length); }

void VEVADAR_CALL CPROMPTERROR(char* line, int32_t length) {
  fflush(stdout);
  print_line(stderr, line, length);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fputs("usage: consumer_host FILE | --version\n", stderr);
    return 64;
  }
  if (strcmp(argv[1], "--version") == 0) {
    printf("vevadar %d.%d.%d", VEVADAR_VERSION_MAJOR, VEVADAR_VERSION_MINOR, VEVADAR_VERSION_PATCH);
    /* The capacities as the command line names them, from the header's macros. */
#if VEVADAR_MAX_NODES != 125000 || VEVADAR_MAX_ELEMENTS != 125000
    printf(" (built for %d nodes and %d elements)", VEVADAR_MAX_NODES, VEVADAR_MAX_ELEMENTS);
#endif
    printf("\n");
    return 0;
  }
  RUV2IRU(argv[1], (int32_t)strlen(argv[1]));
  return 0;
}
