// velmdump: prints the records of a model file ("velm.bin") as the host reads them.
//
//   velmdump FILE
//
// Each record is shown with its number in the file, its payload size and its contents read by
// the record sequence: header, counts, part names and ids, nodes, elements, set numbering,
// restraint columns (non-zero codes only), load sets and node loads. A record that does not fit
// the sequence is shown in hex, and the rest of the file is shown that way too. Exit status: 0
// for a well-formed file, 1 for a file that cannot be read or is not a model file, 2 for usage.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "modelfile/modelfile.h"
#include "recordfiles/coding.h"
#include "recordfiles/recordfiles.h"

namespace {

using Payload = std::vector<std::uint8_t>;

using vevadar::modelfile::Record;
using vevadar::recordfiles::kScalarBytes;

std::int32_t int_at(const Payload& payload, std::size_t index) {
  return vevadar::recordfiles::decode_int32(payload.data() + index * kScalarBytes);
}

float float_at(const Payload& payload, std::size_t index) {
  return vevadar::recordfiles::decode_float(payload.data() + index * kScalarBytes);
}

std::size_t ints_in(const Payload& payload) { return payload.size() / kScalarBytes; }

bool read_whole_file(const char* name, std::string& bytes) {
  std::FILE* file = std::fopen(name, "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// Walks the records in the order the writer produces them; `next` is the record to show.
class Dumper {
 public:
  explicit Dumper(const std::vector<Payload>& records) : records_(records) {}

  void run() {
    if (!expect(Record::kHeader)) return;
    std::printf("header \"%.*s\"\n", 10, reinterpret_cast<const char*>(current().data()));
    advance();

    if (!expect(Record::kModelCounts)) return;
    const std::int32_t parts = counts_.parts = int_at(current(), 0);
    const std::int32_t nodes = counts_.nodes = int_at(current(), 1);
    std::printf("parts %d, nodes %d\n", parts, nodes);
    advance();
    if (parts < 0 || nodes < 0) return rest("negative count");

    if (!expect(Record::kPartNames)) return;
    std::printf("part names\n");
    for (std::int32_t p = 0; p < parts; ++p) {
      std::printf("  part %d \"%.*s\"\n", p + 1, 8,
                  reinterpret_cast<const char*>(current().data()) + p * 8);
    }
    advance();
    if (!expect(Record::kPartIds)) return;
    std::printf("part ids\n");
    for (std::int32_t p = 0; p < parts; ++p)
      std::printf("  part %d id %d\n", p + 1, int_at(current(), p));
    advance();

    for (std::int32_t n = 1; n <= nodes; ++n) {
      if (!expect(Record::kNode)) return;
      std::printf("node %d: label %d  x %.9g  y %.9g  z %.9g  (%d)\n", n, int_at(current(), 0),
                  float_at(current(), 1), float_at(current(), 2), float_at(current(), 3),
                  int_at(current(), 4));
      advance();
    }

    if (!elements()) return;
    if (!expect(Record::kCombinedSetCount)) return;
    const std::int32_t sets = counts_.combined_sets = int_at(current(), 0);
    std::printf("combined set count %d\n", sets);
    advance();
    if (sets > 0) {
      if (!expect(Record::kSetNumbering)) return;
      std::printf("set numbering");
      for (std::size_t i = 0; i < ints_in(current()); ++i) std::printf(" %d", int_at(current(), i));
      std::printf("\n");
      advance();
    }

    if (!expect(Record::kRestraintHeader)) return;
    const std::int32_t restraint_sets = counts_.restraint_sets = int_at(current(), 0);
    std::printf("restraint sets %d, nodes %d\n", restraint_sets, int_at(current(), 1));
    advance();
    if (restraint_sets > 0) {
      if (!expect(Record::kRestraintMarker)) return;
      std::printf("restraint marker %d\n", int_at(current(), 0));
      advance();
      for (std::int32_t k = 1; k <= restraint_sets; ++k) {
        if (!expect(Record::kRestraintColumn)) return;
        std::printf("restraint set %d (non-zero codes)\n", k);
        for (std::size_t n = 0; n < ints_in(current()); ++n) {
          const std::int32_t code = int_at(current(), n);
          if (code != 0) std::printf("  node %zu: %d\n", n + 1, code);
        }
        advance();
      }
    }

    if (!expect(Record::kLoadHeader)) return;
    const std::int32_t load_sets = counts_.load_sets = int_at(current(), 0);
    std::printf("load sets %d\n", load_sets);
    advance();
    if (load_sets <= 0) return rest("records after the last");
    if (!expect(Record::kLoadSetIds)) return;
    std::printf("load set ids");
    for (std::size_t i = 0; i < ints_in(current()); ++i) std::printf(" %d", int_at(current(), i));
    std::printf("\n");
    advance();
    for (std::int32_t i = 1; i <= load_sets; ++i) {
      if (!expect(Record::kLoadSet)) return;
      std::printf("load set %d: datasets %d, second count %d\n", i, int_at(current(), 0),
                  int_at(current(), 1));
      advance();
      // A set's node loads end where the next 8-byte set record begins.
      while (next_ < records_.size() && current().size() == size_of(Record::kNodeLoad)) {
        std::printf("record %zu (28 bytes): node %d: force %.9g %.9g %.9g  moment %.9g %.9g %.9g\n",
                    next_ + 1, int_at(current(), 0), float_at(current(), 1), float_at(current(), 2),
                    float_at(current(), 3), float_at(current(), 4), float_at(current(), 5),
                    float_at(current(), 6));
        advance();
      }
    }
    rest("records after the last");
  }

 private:
  const Payload& current() const { return records_[next_]; }

  void advance() { ++next_; }

  std::size_t size_of(Record record) const {
    return static_cast<std::size_t>(vevadar::modelfile::payload_bytes(record, counts_));
  }

  // Prints the record line; false (after showing the rest raw) if the record is missing or its
  // size is not the one the sequence needs here.
  bool expect(Record record) {
    const std::size_t size = size_of(record);
    const char* what = vevadar::modelfile::record_kind(record).name;
    if (next_ >= records_.size()) {
      std::printf("(the file ends where a %s record was due)\n", what);
      return false;
    }
    std::printf("record %zu (%zu bytes): ", next_ + 1, current().size());
    if (current().size() == size) return true;
    std::printf("expected a %s record of %zu bytes\n", what, size);
    rest_raw();
    return false;
  }

  bool elements() {
    while (true) {
      if (!expect(Record::kElement)) return false;
      const Payload& record = current();
      if (int_at(record, 0) == 0) {
        std::printf("element end\n");
        advance();
        return true;
      }
      std::printf("element: label %d  type %d  part %d  nodes %d  slots", int_at(record, 0),
                  int_at(record, 1), int_at(record, 2), int_at(record, 3));
      for (std::size_t slot = 4; slot < 12; ++slot) std::printf(" %d", int_at(record, slot));
      std::printf("  (%d %d %d)\n", int_at(record, 12), int_at(record, 13), int_at(record, 14));
      advance();
    }
  }

  void rest(const char* what) {
    if (next_ >= records_.size()) return;
    std::printf("%s:\n", what);
    rest_raw();
  }

  void rest_raw() {
    for (; next_ < records_.size(); ++next_) {
      std::printf("record %zu (%zu bytes):", next_ + 1, current().size());
      for (std::size_t i = 0; i < current().size(); ++i) {
        std::printf("%s%02X", i % 32 == 0 ? "\n  " : " ", current()[i]);
      }
      std::printf("\n");
    }
  }

  const std::vector<Payload>& records_;
  std::size_t next_ = 0;
  vevadar::modelfile::Counts counts_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmdump FILE\n");
    return 2;
  }
  std::string bytes;
  if (!read_whole_file(argv[1], bytes)) {
    std::fprintf(stderr, "velmdump: cannot read %s\n", argv[1]);
    return 1;
  }
  const auto records = vevadar::recordfiles::read_model_records(bytes);
  if (!records) {
    std::fprintf(stderr,
                 "velmdump: %s is not a well-formed model file (marker, segment framing or end "
                 "marker broken)\n",
                 argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes, %zu records\n", argv[1], bytes.size(), records->size());
  Dumper(*records).run();
  return 0;
}
