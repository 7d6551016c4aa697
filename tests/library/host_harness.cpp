// A host program for the shipped library, as the real host uses it: it loads the library at run
// time (dlopen on Linux, LoadLibrary on Windows, where it is built as dararude.exe), finds the
// entry by its exported name, and exports the two callbacks MESSAG and CPROMPTERROR.
//
//   host <library> run <input> <log>   One run in the current directory. Every callback line is
//                                       written to <log> as "MESSAG <80 chars>" or
//                                       "CPROMPTERROR <80 chars>", one per line ("\n"), so that
//                                       logs of the Linux and the Windows build compare byte for
//                                       byte.
//   host <library> checks <work-dir>    The behaviour at the boundary (below), each case in its
//                                       own directory under <work-dir>.
//
// In every mode the name is handed over as address plus length, in a buffer of exactly its size
// with 16 'X' after the name and no terminator, every callback line must have the length 80, and
// on 32-bit Windows the stack pointer must be the same before and after the call (the entry pops
// its own 8 bytes). Any violation makes the exit status 1.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "vevadar.h"

namespace fs = std::filesystem;

namespace {

using Entry = void(VEVADAR_CALL*)(const char*, std::int32_t);
Entry g_entry = nullptr;

// ---------------------------------------------------------------------------------------------
// Callback lines

struct Line {
  bool is_error = false;  // CPROMPTERROR, else MESSAG
  std::string text;       // the 80 characters
  const char* address = nullptr;
  std::thread::id thread;
};

std::mutex g_mutex;
std::vector<Line> g_lines;
std::vector<std::string> g_violations;  // boundary faults seen by the callbacks or the call
// Called inside MESSAG after the line is recorded (the busy checks call the entry from there).
std::function<void(char*)> g_on_message;

void violation(std::string text) {
  std::lock_guard lock(g_mutex);
  g_violations.push_back(std::move(text));
}

void receive(bool is_error, char* line, std::int32_t length) {
  const char* callback = is_error ? "CPROMPTERROR" : "MESSAG";
  if (line == nullptr || length != 80) {
    violation(std::string(callback) + " received length " + std::to_string(length) +
              (line == nullptr ? " and a null address" : ""));
    return;
  }
  std::lock_guard lock(g_mutex);
  g_lines.push_back({is_error, std::string(line, 80), line, std::this_thread::get_id()});
}

std::string format_log(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& line : lines) {
    out += line.is_error ? "CPROMPTERROR " : "MESSAG ";
    out += line.text;
    out += '\n';
  }
  return out;
}

}  // namespace

// The callbacks this program exports (Linux: dynamic symbol table; Windows: dararude.def).
#if defined(_WIN32)
#define HARNESS_EXPORT
#else
#define HARNESS_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
HARNESS_EXPORT void VEVADAR_CALL MESSAG(char* line, std::int32_t length) {
  receive(false, line, length);
  std::function<void(char*)> hook;
  {
    std::lock_guard lock(g_mutex);
    hook = std::exchange(g_on_message, nullptr);  // one shot
  }
  if (hook) hook(line);
}

HARNESS_EXPORT void VEVADAR_CALL CPROMPTERROR(char* line, std::int32_t length) {
  receive(true, line, length);
}
}

namespace {

// ---------------------------------------------------------------------------------------------
// Loading and calling the library

#if defined(_WIN32)
// Wine maps the Unix root to drive Z:; a Windows host passes Windows paths.
std::string host_path(std::string path) {
  if (path.empty() || path[0] != '/') return path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + path;
}
#else
std::string host_path(std::string path) { return path; }
#endif

bool load_library(const std::string& path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(host_path(path).c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "LoadLibrary(%s) failed, error %lu\n", path.c_str(), GetLastError());
    return false;
  }
  // The host looks the entry up by its decorated stdcall name, exactly.
  g_entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "_RUV2IRU@8")));
  if (g_entry == nullptr) {
    std::fprintf(stderr, "GetProcAddress(_RUV2IRU@8) failed, error %lu\n", GetLastError());
    return false;
  }
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "dlopen(%s) failed: %s\n", path.c_str(), dlerror());
    return false;
  }
  g_entry = reinterpret_cast<Entry>(dlsym(module, "RUV2IRU"));
  if (g_entry == nullptr) {
    std::fprintf(stderr, "dlsym(RUV2IRU) failed: %s\n", dlerror());
    return false;
  }
#endif
  return true;
}

void call_entry(const char* name, std::int32_t length) {
#if defined(_WIN32) && defined(__i386__)
  // Push the two arguments and call by hand, so that a callee that does not pop them (a cdecl
  // entry under the stdcall name) shows as a moved stack pointer instead of going unnoticed.
  // ESI (callee-saved) keeps ESP across the call; ESP is put back before the compiler sees it.
  std::int32_t moved = 0;
  std::uint32_t edx_out = 0;
  std::uint32_t esi_out = 0;
  void* target = reinterpret_cast<void*>(g_entry);
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "pushl %[length]\n\t"
      "pushl %[name]\n\t"
      "call *%[target]\n\t"
      "movl %%esp, %%eax\n\t"
      "subl %%esi, %%eax\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(moved), [target] "+c"(target), "=d"(edx_out), "=&S"(esi_out)
      : [name] "b"(name), [length] "D"(length)
      : "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
  if (moved != 0) {
    violation("stack pointer moved by " + std::to_string(moved) + " bytes across the entry");
  }
#else
  g_entry(name, length);
#endif
}

// The name in a heap buffer of exactly its size plus 16 'X', without terminator: a read beyond
// `length` meets 'X', and one that looks for a terminator leaves the buffer (which the sanitizer
// build reports).
void call_with_name(std::string_view name, std::int32_t length) {
  std::vector<char> buffer(name.begin(), name.end());
  buffer.insert(buffer.end(), 16, 'X');
  call_entry(buffer.data(), length);
}

void call_with_name(std::string_view name) {
  call_with_name(name, static_cast<std::int32_t>(name.size()));
}

std::vector<Line> take_lines() {
  std::lock_guard lock(g_mutex);
  return std::exchange(g_lines, {});
}

std::string read_file(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return "<not a file>";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<cannot be read>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------
// run mode

int run_mode(const std::string& input, const std::string& log) {
  call_with_name(host_path(input));
  const std::string text = format_log(take_lines());
  std::FILE* out = std::fopen(log.c_str(), "wb");
  if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "cannot write %s\n", log.c_str());
    return 1;
  }
  for (const std::string& v : g_violations) std::fprintf(stderr, "VIOLATION: %s\n", v.c_str());
  return g_violations.empty() ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// checks mode

struct Check {
  std::string name;
  int failures = 0;
};
std::vector<Check> g_checks;

void begin_check(std::string name) { g_checks.push_back({std::move(name), 0}); }

void fail(const std::string& what) {
  ++g_checks.back().failures;
  std::printf("FAIL %s: %s\n", g_checks.back().name.c_str(), what.c_str());
}

#define EXPECT(condition, what)   \
  do {                            \
    if (!(condition)) fail(what); \
  } while (false)

std::string padded(std::string_view text) {
  std::string line(text);
  line.resize(80, ' ');
  return line;
}

std::string count_line(std::string_view label, int count) {
  std::string digits = std::to_string(count);
  return padded("*    " + std::string(label) + std::string(10 - digits.size(), ' ') + digits +
                "   *");
}

// The outputs of one run in the current directory.
struct Outcome {
  std::vector<Line> lines;
  std::string model;     // velm.bin
  std::string messages;  // rozedere.msg
};

Outcome snapshot(std::vector<Line> lines) {
  return {std::move(lines), read_file("velm.bin"), read_file("rozedere.msg")};
}

Outcome run(std::string_view name) {
  call_with_name(name);
  return snapshot(take_lines());
}

bool same(const Outcome& a, const Outcome& b) {
  return format_log(a.lines) == format_log(b.lines) && a.model == b.model &&
         a.messages == b.messages;
}

bool only_line(const std::vector<Line>& lines, bool is_error, std::string_view text) {
  return lines.size() == 1 && lines[0].is_error == is_error && lines[0].text == padded(text);
}

std::string describe(const std::vector<Line>& lines) {
  std::string out = std::to_string(lines.size()) + " line(s)";
  for (const Line& line : lines) {
    out += line.is_error ? "\n    CPROMPTERROR [" : "\n    MESSAG [";
    out += line.text + "]";
  }
  return out;
}

// A fresh directory under the work directory, made current for the object's life.
class CaseDirectory {
 public:
  CaseDirectory(const fs::path& root, const std::string& name) : previous_(fs::current_path()) {
    const fs::path path = root / name;
    fs::remove_all(path);
    fs::create_directories(path);
    fs::current_path(path);
  }
  ~CaseDirectory() { fs::current_path(previous_); }
  CaseDirectory(const CaseDirectory&) = delete;
  CaseDirectory& operator=(const CaseDirectory&) = delete;

 private:
  fs::path previous_;
};

std::vector<std::string> directory_entries() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::current_path())) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

constexpr std::string_view kPartLabel = "TOTAL NUMBER OF PART       : ";
constexpr std::string_view kNodeLabel = "TOTAL NUMBER OF NODE       : ";
constexpr std::string_view kSpcLabel = "TOTAL NUMBER OF SPC        : ";
constexpr std::string_view kForceLabel = "TOTAL NUMBER OF NODAL FORCE: ";
constexpr std::string_view kCannotOpenInput = "**ERROR : CANNOT OPEN UNIVERSAL FILE";
constexpr std::string_view kBusy = "**ERROR : TRANSLATOR IS BUSY";

bool has_line(const Outcome& outcome, const std::string& text) {
  for (const Line& line : outcome.lines) {
    if (line.text == text) return true;
  }
  return false;
}

// The larger model: six nodes, two kept elements and one dropped (a warning), a restraint set
// and a load set on nodes that the smaller model also has (node index 1, 2, 3), so that a table
// entry left over from it would show in the smaller model's file.
constexpr std::string_view kLargeModel =
    "    -1\n"
    "  2411\n"
    "         1         1         1        11\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "         2         1         1        11\n"
    "   1.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "         3         1         1        11\n"
    "   1.0000000000000000D+00   1.0000000000000000D+00   0.0000000000000000D+00\n"
    "         4         1         1        11\n"
    "   0.0000000000000000D+00   1.0000000000000000D+00   0.0000000000000000D+00\n"
    "         5         1         1        11\n"
    "   2.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "         6         1         1        11\n"
    "   2.0000000000000000D+00   1.0000000000000000D+00   5.0000000000000000D-01\n"
    "    -1\n"
    "    -1\n"
    "  2412\n"
    "         1        94         1         1         7         4\n"
    "         1         2         3         4\n"
    "         2        91         2         2         7         3\n"
    "         2         5         6\n"
    "         3        44         3         3         7         4\n"
    "         1         2         3         4\n"
    "    -1\n"
    "    -1\n"
    "   791\n"
    "         1         1\n"
    "CLAMPED\n"
    "         1         0 1 1 1 1 1 1\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "         3         0 1 1 1 0 0 0\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "    -1\n"
    "    -1\n"
    "   790\n"
    "         1         1\n"
    "LOAD\n"
    "         2         0\n"
    "   0.0000000000000000D+00   5.0000000000000000D+00  -1.0000000000000000D+03\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "         6         0\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00  -1.0000000000000000D+03\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "   0.0000000000000000D+00   2.0000000000000000D+00   0.0000000000000000D+00\n"
    "    -1\n";

// The smaller model: three other nodes, one triangle, a restraint set and a load set.
constexpr std::string_view kSmallModel =
    "    -1\n"
    "  2411\n"
    "        11         1         1        11\n"
    "   1.0000000000000001D-01   2.0000000000000001D-01   0.0000000000000000D+00\n"
    "        12         1         1        11\n"
    "   3.3333333333333331D-01   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "        13         1         1        11\n"
    "   0.0000000000000000D+00   7.0000000000000000D+00   0.0000000000000000D+00\n"
    "    -1\n"
    "    -1\n"
    "  2412\n"
    "         1        91         9         9         7         3\n"
    "        11        12        13\n"
    "    -1\n"
    "    -1\n"
    "   791\n"
    "         1         1\n"
    "FIXED\n"
    "        12         0 0 0 1 0 0 0\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n"
    "    -1\n"
    "    -1\n"
    "   790\n"
    "         1         1\n"
    "PUSH\n"
    "        13         0\n"
    "   1.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "   0.0000000000000000D+00   0.0000000000000000D+00   0.0000000000000000D+00\n"
    "    -1\n";

// Reference outcome of the small model, from a directory of its own.
Outcome reference_small(const fs::path& root) {
  CaseDirectory dir(root, "reference-small");
  write_file("small.unv", kSmallModel);
  return run("small.unv");
}

void check_two_runs(const fs::path& root, const Outcome& small) {
  begin_check("two runs in one process");
  Outcome large;
  {
    CaseDirectory dir(root, "large-alone");
    write_file("large.unv", kLargeModel);
    large = run("large.unv");
  }
  // The test has teeth only if the first run stores what the second must not see.
  EXPECT(has_line(large, count_line(kNodeLabel, 6)) && has_line(large, count_line(kSpcLabel, 1)) &&
             has_line(large, count_line(kForceLabel, 1)),
         "the larger model did not read as expected: " + describe(large.lines));
  EXPECT(has_line(small, count_line(kNodeLabel, 3)) && has_line(small, count_line(kPartLabel, 1)) &&
             has_line(small, count_line(kSpcLabel, 1)) &&
             has_line(small, count_line(kForceLabel, 1)),
         "the smaller model did not read as expected: " + describe(small.lines));

  // The larger model, then the smaller one in the same directory and process: the second run
  // must be exactly the smaller model's run alone (lines, velm.bin, rozedere.msg).
  CaseDirectory dir(root, "two-runs");
  write_file("large.unv", kLargeModel);
  write_file("small.unv", kSmallModel);
  const Outcome first = run("large.unv");
  EXPECT(same(first, large), "the larger model's run differs from its run alone");
  const Outcome second = run("small.unv");
  EXPECT(same(second, small),
         "the second run differs from the smaller model's run alone: " + describe(second.lines));
}

void check_name_arguments(const fs::path& root, const Outcome& small) {
  struct NameCase {
    const char* label;
    std::string bytes;
    std::int32_t length;
  };
  const NameCase cases[] = {
      // "small.unv.old" exists and holds the larger model: reading past the length opens it.
      {"length shorter than the buffer", "small.unv.old", 9},
      {"blank-padded name", "small.unv       ", 16},
      {"NUL-padded name", std::string("small.unv\0\0\0\0", 13), 13},
      {"blanks and NULs after the name", std::string("small.unv \0 \0", 13), 13},
  };
  for (const NameCase& c : cases) {
    begin_check(std::string("name argument: ") + c.label);
    CaseDirectory dir(root, "name");
    write_file("small.unv", kSmallModel);
    write_file("small.unv.old", kLargeModel);
    call_with_name(c.bytes, c.length);
    const Outcome outcome = snapshot(take_lines());
    EXPECT(same(outcome, small), "not the run of small.unv: " + describe(outcome.lines));
  }
}

void check_unopenable_inputs(const fs::path& root) {
  struct InputCase {
    const char* label;
    bool null_address;
    std::string bytes;
    std::int32_t length;
  };
  const InputCase cases[] = {
      {"null address", true, "", 10},
      {"length 0", false, "absent.unv", 0},
      {"negative length", false, "absent.unv", -5},
      {"blanks and NULs only", false, std::string("   \0 ", 5), 5},
      {"missing file", false, "absent.unv", 10},
  };
  for (const InputCase& c : cases) {
    begin_check(std::string("input that cannot be opened: ") + c.label);
    CaseDirectory dir(root, "unopenable");
    if (c.null_address) {
      call_entry(nullptr, c.length);
    } else {
      call_with_name(c.bytes, c.length);
    }
    const std::vector<Line> lines = take_lines();
    EXPECT(only_line(lines, true, kCannotOpenInput), "lines: " + describe(lines));
    const std::vector<std::string> left = directory_entries();
    EXPECT(left.empty(), "files were created, e.g. " + (left.empty() ? "" : left.front()));
  }
}

void check_run_file_blocked(const fs::path& root) {
  for (const char* name : {"velm.bin", "velm.inn", "temp.prt", "rozedere.msg"}) {
    begin_check(std::string("run file that cannot be opened: ") + name);
    CaseDirectory dir(root, "blocked");
    write_file("small.unv", kSmallModel);
    fs::create_directory(name);  // a directory of that name cannot be opened as a file
    const Outcome outcome = run("small.unv");
    EXPECT(only_line(outcome.lines, true, std::string("**ERROR : CANNOT OPEN FILE ") + name),
           "lines: " + describe(outcome.lines));
  }
}

// Splits the lines of the outer run from the busy line of the inner call, which must be the only
// line the inner call sent.
void check_busy_outcome(const Outcome& outer_with_inner, const Outcome& small,
                        const std::function<bool(const Line&)>& is_inner) {
  Outcome outer = outer_with_inner;
  std::vector<Line> inner;
  outer.lines.clear();
  for (const Line& line : outer_with_inner.lines) {
    (is_inner(line) ? inner : outer.lines).push_back(line);
  }
  EXPECT(only_line(inner, true, kBusy), "the second call sent " + describe(inner));
  EXPECT(same(outer, small), "the run in progress was disturbed: " + describe(outer.lines));
}

void check_busy_from_callback(const fs::path& root, const Outcome& small) {
  begin_check("second call from inside a callback");
  CaseDirectory dir(root, "busy-callback");
  write_file("small.unv", kSmallModel);
  write_file("large.unv", kLargeModel);
  bool called = false;
  bool line_kept = true;
  std::size_t inner_first = 0;
  std::size_t inner_end = 0;
  g_on_message = [&](char* line) {
    called = true;
    const std::string before(line, 80);
    {
      std::lock_guard lock(g_mutex);
      inner_first = g_lines.size();
    }
    call_with_name("large.unv");
    {
      std::lock_guard lock(g_mutex);
      inner_end = g_lines.size();
    }
    // The busy line has a buffer of its own: the line being shown is left as it was.
    line_kept = std::string(line, 80) == before;
  };
  const Outcome outcome = run("small.unv");
  g_on_message = nullptr;
  EXPECT(called, "no MESSAG line was sent, so the second call was never made");
  EXPECT(line_kept, "the second call overwrote the line of the run in progress");
  std::size_t index = 0;
  check_busy_outcome(outcome, small, [&](const Line&) {
    const bool inner = index >= inner_first && index < inner_end;
    ++index;
    return inner;
  });

  begin_check("a run after a busy call (from a callback)");
  EXPECT(same(run("small.unv"), small), "the run after the busy call differs");
}

void check_busy_from_thread(const fs::path& root, const Outcome& small) {
  begin_check("second call from another thread");
  CaseDirectory dir(root, "busy-thread");
  write_file("small.unv", kSmallModel);
  write_file("large.unv", kLargeModel);

  std::mutex mutex;
  std::condition_variable changed;
  bool go = false;
  bool done = false;
  std::thread other([&] {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return go; });
    lock.unlock();
    call_with_name("large.unv");
    lock.lock();
    done = true;
    changed.notify_all();
  });
  bool returned_in_time = true;
  // The run in progress waits inside its first MESSAG until the other thread's call returned,
  // so that call certainly overlaps the run.
  g_on_message = [&](char*) {
    std::unique_lock lock(mutex);
    go = true;
    changed.notify_all();
    returned_in_time = changed.wait_for(lock, std::chrono::seconds(20), [&] { return done; });
  };
  const std::thread::id other_id = other.get_id();
  const Outcome outcome = run("small.unv");
  g_on_message = nullptr;
  {
    std::unique_lock lock(mutex);
    go = true;  // in case MESSAG was never called
    changed.notify_all();
  }
  other.join();
  EXPECT(returned_in_time, "the other thread's call did not return while the run was waiting");
  check_busy_outcome(outcome, small, [&](const Line& line) { return line.thread == other_id; });

  begin_check("a run after a busy call (from a thread)");
  EXPECT(same(run("small.unv"), small), "the run after the busy call differs");
}

int checks_mode(const std::string& work_dir) {
  const fs::path root = fs::absolute(host_path(work_dir));
  fs::create_directories(root);
  const Outcome small = reference_small(root);
  check_two_runs(root, small);
  check_name_arguments(root, small);
  check_unopenable_inputs(root);
  check_run_file_blocked(root);
  check_busy_from_callback(root, small);
  check_busy_from_thread(root, small);
  begin_check("every line 80 long, stack pointer kept");
  for (const std::string& v : g_violations) fail(v);
  int failed = 0;
  for (const Check& check : g_checks) {
    std::printf("%s %s\n", check.failures == 0 ? "ok  " : "FAIL", check.name.c_str());
    if (check.failures != 0) ++failed;
  }
  std::printf("%d of %zu checks failed\n", failed, g_checks.size());
  return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool run_usage = args.size() == 4 && args[1] == "run";
  const bool checks_usage = args.size() == 3 && args[1] == "checks";
  if (!run_usage && !checks_usage) {
    std::fprintf(stderr,
                 "usage: %s <library> run <input> <log>\n"
                 "       %s <library> checks <work-dir>\n",
                 argv[0], argv[0]);
    return 2;
  }
  if (!load_library(args[0])) return 1;
  try {
    return run_usage ? run_mode(args[2], args[3]) : checks_mode(args[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "harness error: %s\n", error.what());
    return 1;
  }
}
