// read_model_records: decodes model file bytes back into record payloads, rejecting anything a
// writer of the format could not have produced.
#include "recordfiles/recordfiles.h"

namespace vevadar::recordfiles {

std::optional<std::vector<std::vector<std::uint8_t>>> read_model_records(std::string_view bytes) {
  const auto byte_at = [&bytes](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); };
  if (bytes.empty() || byte_at(0) != kFileMarker) return std::nullopt;

  std::vector<std::vector<std::uint8_t>> records;
  std::size_t at = 1;
  while (true) {
    if (at >= bytes.size()) return std::nullopt;  // no end marker
    // 0x82 is the end marker only where a record may begin; it must be the last byte.
    if (byte_at(at) == kEndMarker) {
      if (at + 1 != bytes.size()) return std::nullopt;
      return records;
    }
    std::vector<std::uint8_t> payload;
    while (true) {
      if (at >= bytes.size()) return std::nullopt;  // a continued record without its next segment
      const std::uint8_t length = byte_at(at);
      if (length > kContinued) return std::nullopt;
      const std::size_t size = length == kContinued ? kSegmentPayload : length;
      if (bytes.size() - at < size + 2) return std::nullopt;
      if (byte_at(at + 1 + size) != length) return std::nullopt;
      const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data() + at + 1);
      payload.insert(payload.end(), first, first + size);
      at += size + 2;
      if (length != kContinued) break;
    }
    records.push_back(std::move(payload));
  }
}

}  // namespace vevadar::recordfiles
