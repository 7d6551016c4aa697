// Expected file bytes written as hex: hex("4B 0A 82"); blanks between pairs are ignored.
#pragma once

#include <string>
#include <string_view>

namespace vevadar::testing {

inline std::string hex(std::string_view text) {
  const auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    bytes.push_back(static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1])));
    ++i;
  }
  return bytes;
}

inline unsigned byte_at(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes.at(at));
}

}  // namespace vevadar::testing
