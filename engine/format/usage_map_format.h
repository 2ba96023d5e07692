// Usage maps: sets of page numbers stored as bitmaps in rows of data pages.
//
// Inline map (type 0):    u8 0x00 | u32 first page | bitmap (bit k = page first + k)
// Reference map (type 1): u8 0x01 | u32 page of bitmap page i, for i = 0.. (0 = none)
// Bitmap page (type 0x05): u8 0x05 | u8 0x01 | u16 0 | bitmap from offset 4;
//   bitmap page i covers pages i * B .. (i + 1) * B - 1, B = (page size - 4) * 8.
// Bits are least significant first within each byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::uint8_t kUsageMapInline = 0x00;
inline constexpr std::uint8_t kUsageMapReference = 0x01;
inline constexpr std::size_t kUsageMapInlineStart = 1;
inline constexpr std::size_t kUsageMapInlineBitmap = 5;
inline constexpr std::size_t kUsageMapReferencePages = 1;
inline constexpr std::size_t kUsageBitmapPageBitmap = 4;

}  // namespace jet
