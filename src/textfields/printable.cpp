// printable: input text made safe for a message line or a terminal; the UTF-8 sequences it
// lets through.
#include "textfields/textfields.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vevadar::textfields {
std::size_t utf8_sequence(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint32_t low = 0;  // the smallest code point of that length
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, low = 0x80, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, low = 0x800, code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, low = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    code = (code << 6u) | (byte(i) & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code >= low && code <= 0x10FFFF && !surrogate ? length : 0;
}

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<std::uint8_t>(text[at]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
      ++at;
      continue;
    }
    // U+0080 to U+009F, the C1 controls, are escaped like the C0 ones.
    const bool c1 =
        byte == 0xC2 && at + 1 < text.size() && static_cast<std::uint8_t>(text[at + 1]) < 0xA0;
    if (const std::size_t length = c1 ? 0 : utf8_sequence(text.substr(at)); length > 0) {
      out.append(text.substr(at, length));
      at += length;
      continue;
    }
    if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte == '\t') {
      out += "\\t";
    } else {
      constexpr char kDigits[] = "0123456789abcdef";
      out += "\\x";
      out += kDigits[byte >> 4u];
      out += kDigits[byte & 0x0Fu];
    }
    ++at;
  }
  return out;
}

}  // namespace vevadar::textfields
