// Test helpers for byte strings written as hex ("7F 4A 01 00").
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qbtest {

// Parses hex digit pairs; spaces, '|' and '-' between pairs are ignored.
std::vector<std::uint8_t> hexBytes(std::string_view text);

// "7F 4A 01 00": upper-case pairs separated by single spaces.
std::string toHex(std::span<const std::uint8_t> bytes);

}  // namespace qbtest
