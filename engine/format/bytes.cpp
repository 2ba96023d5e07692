// Errors raised by the checked field readers.
#include "format/bytes.h"

#include <cstdio>

#include "jet/error.h"

namespace jet {

void throwCorruption(const std::string& message) {
  throw Error(ErrorCode::Corruption, message);
}

void throwOutOfRange(std::size_t offset, std::size_t size, std::size_t available) {
  throwCorruption("a " + std::to_string(size) + "-byte field at offset " + std::to_string(offset) +
                  " lies outside its " + std::to_string(available) + "-byte structure");
}

std::string hex(std::uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
  return buf;
}

}  // namespace jet
