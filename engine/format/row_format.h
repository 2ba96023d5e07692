// Row layouts, read from both ends. Jet 4:
//
//   front:  u16 column count | fixed area (columns at their descriptor offsets) |
//           variable data (in variable-slot order) | padding
//   back:   u16 end of variable data | u16 start of slot n-1 ... slot 0 |
//           u16 slot count n | null mask (one bit per column number)
//
// Jet 3 counts and offsets take one byte each:
//
//   front:  u8 column count | fixed area | variable data | padding
//   back:   u8 end of variable data | u8 start of slot n-1 ... slot 0 |
//           jump table | u8 slot count n | null mask
//
// An offset there is its byte plus 256 times the number of jump bytes at or
// below its entry: jump byte k (k = 0 next to the slot count) holds the first
// entry whose offset lies at or past 256 * (k + 1). A row of length L keeps
// (L - 1) / 256 jump bytes; when fewer boundaries are crossed the extra ones,
// furthest from the slot count, are dummies (FF).
//
// The back part from "end of variable data" to the slot count exists only when
// the table has variable columns. A set null-mask bit means "value present";
// boolean columns keep their value in that bit and take no row bytes. A row
// carries its own column and slot counts, which are smaller than the table's
// for rows written before columns were added.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::size_t kRowColumnCount = 0;  // u16 (Jet 4) or u8 (Jet 3)
// Fixed column offsets count from the end of the column count: offset 2 in
// Jet 4, 1 in Jet 3 (FormatVersion::rowCountSize).

inline constexpr std::uint8_t kRowDummyJump = 0xFF;

}  // namespace jet
