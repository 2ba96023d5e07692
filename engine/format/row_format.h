// Jet 4 row layout, read from both ends:
//
//   front:  u16 column count | fixed area (columns at their descriptor offsets) |
//           variable data (in variable-slot order) | padding
//   back:   u16 end of variable data | u16 start of slot n-1 ... slot 0 |
//           u16 slot count n | null mask (one bit per column number)
//
// The back part from "end of variable data" to the slot count exists only when
// the table has variable columns. A set null-mask bit means "value present";
// boolean columns keep their value in that bit and take no row bytes. A row
// carries its own column and slot counts, which are smaller than the table's
// for rows written before columns were added.
#pragma once

#include <cstddef>

namespace jet {

inline constexpr std::size_t kRowColumnCount = 0;  // u16
inline constexpr std::size_t kRowFixedArea = 2;    // fixed column offsets count from here

}  // namespace jet
