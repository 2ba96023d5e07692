// Text index keys in Jet 4's "General" (legacy) sort order, the order of every
// text and memo index in an Access 2000-2003 database with the General sort
// order. A key is built from per-character codes (general_legacy_table.h):
// inline bytes that carry the base letter, then extra bytes for accents and
// case, then records for unprintable characters and kana. Byte-wise comparison
// of two keys gives Jet's text order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace jet {

// Only the first 255 characters of a value take part in its key.
inline constexpr std::size_t kTextKeyMaxChars = 255;

// Upper bound of a text key's size for any input (a 255-character value gives
// at most about 1 900 bytes; see general_legacy.cpp).
inline constexpr std::size_t kTextKeyMaxBytes = 3072;

// Writes the key of `text` (the bytes that follow the column's flag byte in an
// index entry) into `out` and returns its length. Descending keys are the
// inverted bytes with a final 0x00, as Jet writes them.
std::size_t encodeGeneralLegacyKey(std::u16string_view text, bool ascending,
                                   std::span<std::uint8_t, kTextKeyMaxBytes> out);

// The same, appended to a buffer.
void appendGeneralLegacyKey(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out);

}  // namespace jet
