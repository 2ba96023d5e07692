// Long values (memo and OLE). A row holds a 12-byte reference:
//
//   offset  size  field
//   0       4     u32: bits 0-29 length in bytes, bits 30-31 storage kind
//   4       4     RowId of the first long-value row (0 when inline)
//   8       4     unused by readers
//   12      n     the data itself, for inline values only
//
// Kinds: 0x80000000 inline, 0x40000000 one long-value row holds it all,
// 0 a chain of rows, each starting with the RowId of the next (0 in the last).
// Long-value rows live on data pages whose owner field reads "LVAL".
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::size_t kLongValueReferenceSize = 12;
inline constexpr std::size_t kLongValueFirstRow = 4;
inline constexpr std::uint32_t kLongValueLengthMask = 0x3FFFFFFF;
inline constexpr std::uint32_t kLongValueKindMask = 0xC0000000;
inline constexpr std::uint32_t kLongValueInline = 0x80000000;
inline constexpr std::uint32_t kLongValueSingleRow = 0x40000000;
inline constexpr std::uint32_t kLongValueChain = 0x00000000;
inline constexpr std::size_t kLongValueLinkHeader = 4;  // RowId of the next link

}  // namespace jet
