// Hex byte strings for tests.
#include "support/hex_bytes.h"

#include <stdexcept>

namespace qbtest {

namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<std::uint8_t> hexBytes(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '|' || c == '-') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || digitValue(c) < 0 || digitValue(text[i + 1]) < 0) {
      throw std::invalid_argument("bad hex text: " + std::string(text));
    }
    out.push_back(static_cast<std::uint8_t>(digitValue(c) * 16 + digitValue(text[i + 1])));
    i += 2;
  }
  return out;
}

std::string toHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace qbtest
