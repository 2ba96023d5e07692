// Little-endian field access over byte spans. The checked readers (u16At, ...)
// throw a Corruption error when a field would lie outside the span, so a
// decoder that reads every field through them cannot read out of bounds; the
// load* functions are unchecked and only for hot paths that checked the range
// already.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace jet {

using ByteSpan = std::span<const std::uint8_t>;

// Throws jet::Error with code Corruption.
[[noreturn]] void throwCorruption(const std::string& message);
// Throws the Corruption error for a field [offset, offset + size) outside a span of `available` bytes.
[[noreturn]] void throwOutOfRange(std::size_t offset, std::size_t size, std::size_t available);

inline std::uint16_t loadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadU24(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16;
}
inline std::uint32_t loadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t loadU64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(loadU32(p)) | static_cast<std::uint64_t>(loadU32(p + 4)) << 32;
}
inline float loadF32(const std::uint8_t* p) {
  return std::bit_cast<float>(loadU32(p));
}
inline double loadF64(const std::uint8_t* p) {
  return std::bit_cast<double>(loadU64(p));
}

inline void checkRange(ByteSpan b, std::size_t offset, std::size_t size) {
  if (offset > b.size() || size > b.size() - offset) throwOutOfRange(offset, size, b.size());
}

inline std::uint8_t u8At(ByteSpan b, std::size_t offset) {
  checkRange(b, offset, 1);
  return b[offset];
}
inline std::uint16_t u16At(ByteSpan b, std::size_t offset) {
  checkRange(b, offset, 2);
  return loadU16(b.data() + offset);
}
inline std::uint32_t u24At(ByteSpan b, std::size_t offset) {
  checkRange(b, offset, 3);
  return loadU24(b.data() + offset);
}
inline std::uint32_t u32At(ByteSpan b, std::size_t offset) {
  checkRange(b, offset, 4);
  return loadU32(b.data() + offset);
}
inline std::int32_t i32At(ByteSpan b, std::size_t offset) {
  return static_cast<std::int32_t>(u32At(b, offset));
}
inline double f64At(ByteSpan b, std::size_t offset) {
  checkRange(b, offset, 8);
  return loadF64(b.data() + offset);
}
// `size` bytes at `offset`, checked.
inline ByteSpan bytesAt(ByteSpan b, std::size_t offset, std::size_t size) {
  checkRange(b, offset, size);
  return b.subspan(offset, size);
}

// "0x1F" style hex for messages.
std::string hex(std::uint64_t value);

}  // namespace jet
