// The run: opens the run's files, scans the universal file with the dataset readers filling the
// model tables, reports the summary, writes the model file and closes the files.
#include "translator/translator.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "translator/EXTERNAL.h"
#include "translator/messages.h"
#include "translator/scanner.h"

namespace vevadar::translator {
namespace {

constexpr char kNodeIndexFileName[] = "velm.inn";
constexpr char kScratchFileName[] = "temp.prt";
constexpr char kMessageFileName[] = "rozedere.msg";

// The model tables, allocated once for the life of the library and all zero. On Linux a mapping
// of their own that starts on a 2 MiB boundary, as the tables' layout expects: the system hands
// it out zeroed and backs a page only when a run first touches it. Elsewhere static storage,
// which is the same for the tables; on Linux, should the mapping fail, zeroed heap storage.
modelfile::Model& model_tables() {
#if defined(__linux__)
  constexpr std::size_t kAlignment = modelfile::table_layout::kLargePage;
  void* const mapping = mmap(nullptr, sizeof(modelfile::Model) + kAlignment, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping != MAP_FAILED) {
    void* start = mapping;
    std::size_t room = sizeof(modelfile::Model) + kAlignment;
    // Default-initialised in place: nothing is written, the mapping's zeros stay untouched.
    if (std::align(kAlignment, sizeof(modelfile::Model), start, room) != nullptr) {
      return *new (start) modelfile::Model;
    }
  }
  return *new modelfile::Model();
#else
  static modelfile::Model tables;
  return tables;
#endif
}

// Everything a run holds, allocated once for the life of the library. Runs never overlap.
struct LibraryState {
  modelfile::Model& model = model_tables();
  RunCounters counters;
  recordfiles::BinaryFile input;
  FileSource source{input};
  textfields::LineReader lines{source};  // the line buffer and the line counter
  recordfiles::SequentialRecordFile model_file;
  recordfiles::FixedRecordFile node_index;
  recordfiles::BinaryFile scratch;
  recordfiles::BinaryFile message_file;
  // Rows and columns of the restraint and load tables that the previous run may have written:
  // only those are cleared, so that a run touches memory in proportion to the models it reads.
  std::int32_t rows_to_clear = 0;
  std::int32_t restraint_columns_to_clear = 0;
  std::int32_t load_columns_to_clear = 0;
};

// The model tables in 2 MiB pages where the system offers them (Linux's transparent huge pages),
// past the first 256 KiB of each table: a run that fills a table faults in a few large pages
// instead of thousands of small ones, a small model, which stays within the first rows, pays for
// no page it does not use, and a larger one for at most one partly used large page a table. The
// model's layout puts each table's 256 KiB mark on a large page boundary, so that no large page
// is shared by two tables. Elsewhere, and where the layout has no large pages (32-bit builds),
// the tables keep the system's usual pages.
void advise_large_pages([[maybe_unused]] modelfile::Model& model) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kLargePage = modelfile::table_layout::kLargePage;
  constexpr std::size_t kFirstRowsBytes = modelfile::table_layout::kSmallPagedBytes;
  if constexpr (kFirstRowsBytes == 0) return;
  char* const base = reinterpret_cast<char*>(&model);
  const auto base_address = reinterpret_cast<std::uintptr_t>(base);
  // Advises the whole large pages between offsets `from` and `to` of the tables.
  std::size_t from = 0;  // the end of the last table start kept in small pages
  const auto advise_up_to = [&](std::size_t to) {
    const std::uintptr_t begin = (base_address + from + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (base_address + to) & ~(kLargePage - 1);
    if (from != 0 && end > begin)
      madvise(base + (begin - base_address), end - begin, MADV_HUGEPAGE);
  };
  const auto table = [&](const void* start) {
    const auto offset = static_cast<std::size_t>(static_cast<const char*>(start) - base);
    advise_up_to(offset);
    from = offset + kFirstRowsBytes;
  };
  table(model.nodes.data());
  table(model.elements.data());
  for (auto& column : model.restraint) table(column.data());
  for (auto& column : model.loads) table(column.data());
  advise_up_to(sizeof model);
#endif
}

LibraryState& library_state() {
  static LibraryState state;
  static const bool advised = [] {
    advise_large_pages(state.model);
    return true;
  }();
  (void)advised;
  return state;
}

std::atomic<bool> g_run_in_progress{false};

// Every run starts from empty model tables: whatever an earlier run stored must not reach this
// run's model file. Rows of the node, part and element tables are cleared as they are taken.
void reset_model(LibraryState& state) {
  modelfile::Model& model = state.model;
  const auto rows = static_cast<std::size_t>(std::clamp(state.rows_to_clear, 0, kMaxNodes));
  const auto columns = [](std::int32_t used) {
    return static_cast<std::size_t>(std::clamp(used, 0, kMaxSets));
  };
  for (std::size_t k = 0; k < columns(state.restraint_columns_to_clear); ++k)
    std::fill_n(model.restraint[k].begin(), rows, 0);
  for (std::size_t k = 0; k < columns(state.load_columns_to_clear); ++k)
    std::fill_n(model.loads[k].begin(), rows, modelfile::Force{});
  model.restraint_set_ids.fill(0);
  model.load_set_ids.fill(0);
  model.load_set_dataset_count.fill(0);
  // The second per-set load count: no dataset fills it, but the model file has a place for it.
  model.load_set_second_count.fill(0);
  model.node_count = 0;
  model.element_count = 0;
  model.part_count = 0;
  model.restraint_set_count = 0;
  model.load_set_count = 0;
  state.counters = RunCounters{};
  state.rows_to_clear = 0;
  state.restraint_columns_to_clear = 0;
  state.load_columns_to_clear = 0;
}

// Closes every file of the run that is still open, deleting none and writing nothing more: the
// end of a run that stops early. Files already closed are left alone. Called once, when the run
// is left (RunInProgress), whatever way it ends.
void release_files(LibraryState& state) {
  state.input.close();
  state.model_file.release();
  state.node_index.close_keep();
  state.scratch.close();
  state.message_file.close();
}

// A run file's name as it is opened: in `directory`, or as it stands when that is empty.
std::string in_directory(std::string_view directory, const char* name) {
  if (directory.empty()) return name;
  return (std::filesystem::path(directory) / name).string();
}

RunResult run_locked(host::Host& host, std::string_view input_name, const RunOptions& options) {
  LibraryState& state = library_state();
  RunResult result;
  result.end = RunEnd::kModelNotWritten;

  // An input that cannot be opened is never created, and no other file is touched. No file can
  // have a NUL in its name: the name would otherwise be cut short at it.
  const bool has_nul = input_name.find('\0') != std::string_view::npos;
  if (has_nul || !state.input.open_for_reading(std::string(input_name))) {
    result.open_error =
        has_nul ? std::make_error_code(std::errc::invalid_argument) : state.input.open_error();
    send_error_line(host, Message::kCannotOpenUniversalFile);
    result.error_lines = 1;
    result.input_unopened = true;
    return result;
  }

  // The run files, in order; the first that cannot be opened or created ends the run.
  const std::string_view dir = options.directory;
  const char* failed_name = nullptr;
  if (!state.model_file.open(in_directory(dir, kModelFileName))) {
    failed_name = kModelFileName;
    result.open_error = state.model_file.open_error();
  } else if (!state.node_index.open(in_directory(dir, kNodeIndexFileName), /*empty=*/true)) {
    failed_name = kNodeIndexFileName;
    result.open_error = state.node_index.open_error();
  } else if (state.scratch.open_or_create(in_directory(dir, kScratchFileName)) ==
             recordfiles::BinaryFile::Opened::kFailed) {
    failed_name = kScratchFileName;
    result.open_error = state.scratch.open_error();
  } else if (state.message_file.open_or_create(in_directory(dir, kMessageFileName)) ==
             recordfiles::BinaryFile::Opened::kFailed) {
    failed_name = kMessageFileName;
    result.open_error = state.message_file.open_error();
  }
  if (failed_name != nullptr) {
    const textfields::OutputValue name[] = {std::string_view(failed_name)};
    send_error_line(host, Message::kCannotOpenFile, name);
    result.error_lines = 1;
    result.unopened_run_file = failed_name;
    return result;
  }
  state.model_file.arm_fault(options.model_write_fault);

  reset_model(state);
  state.lines.restart();
  Messages messages(host, state.message_file);
  RunState run{state.lines,      state.model, state.counters,
               state.node_index, messages,    options.observer};

  const ScanEnd end = scan(run);
  state.rows_to_clear = state.model.node_count;
  state.restraint_columns_to_clear = state.counters.restraint_columns;
  state.load_columns_to_clear = state.counters.load_columns;
  result.datasets = state.counters.datasets;
  if (end == ScanEnd::kPremature) {
    result.error_lines = messages.error_lines();
    result.warning_lines = messages.warning_lines();
    result.premature_end = true;
    return result;
  }

  messages.summary(state.model);
  const std::int32_t element_records = modelfile::write_model(state.model, state.model_file);

  state.input.close();
  const bool model_written = state.model_file.close_keep();
  if (!model_written) messages.send(Message::kCannotWriteModelFile);
  state.node_index.close_delete();
  state.scratch.close_and_remove();
  state.message_file.close();

  // A refused write leaves the empty model: the host must not take it for the translation.
  result.end = model_written ? RunEnd::kCompleted : RunEnd::kModelNotWritten;
  if (model_written) {
    result.counts = modelfile::model_counts(state.model);
    result.element_records = element_records;
  }
  result.error_lines = messages.error_lines();
  result.warning_lines = messages.warning_lines();
  return result;
}

}  // namespace

textfields::ByteSource::Chunk FileSource::read(char* buffer, std::size_t capacity) {
  bool error = false;
  const std::size_t size = file_.read(buffer, capacity, &error);
  return {size, error};
}

RunResult run_translation(host::Host& host, std::string_view input_name,
                          const RunOptions& options) {
  bool expected = false;
  if (!g_run_in_progress.compare_exchange_strong(expected, true)) {
    send_error_line(host, Message::kTranslatorBusy);
    RunResult busy;
    busy.end = RunEnd::kBusy;
    busy.error_lines = 1;
    return busy;
  }
  // A run left by an exception (a host callback that throws) must not leave the translator busy
  // or hold its files: the next run finds them released.
  struct RunInProgress {
    ~RunInProgress() {
      release_files(library_state());
      g_run_in_progress.store(false);
    }
  } in_progress;
  return run_locked(host, input_name, options);
}

std::string_view trim_name_argument(const char* name, std::int32_t length) {
  if (name == nullptr || length <= 0) return {};
  std::string_view text(name, static_cast<std::size_t>(length));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

}  // namespace vevadar::translator
