// Text index keys in Access 97's "General" sort order, the order of text and
// memo indexes in Access 97 databases of Western code page 1252. A key holds
// one or two inline bytes per character (the base letter; case does not count),
// then a stream of 4-bit accent codes: each accented letter writes a 2 for every
// unaccented letter that could have carried an accent since the previous
// accented one, then its own accent. Byte-wise comparison of two keys gives the
// text order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace jet {

// Appends the key of `text` (the bytes that follow the column's flag byte in
// an index entry) to `out`. Characters code page 1252 lacks take no part.
// Descending keys are the inverted bytes.
void appendGeneral97Key(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out);

}  // namespace jet
