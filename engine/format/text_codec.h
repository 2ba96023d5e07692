// Jet 4 text in rows and long values: UCS-2 little-endian, or the compressed
// form that starts with the bytes FF FE. In the compressed form a 00 byte
// switches between one byte per character (U+0001-U+00FF) and two; decoding
// starts in the one-byte mode.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "format/bytes.h"

namespace jet {

inline constexpr std::uint8_t kCompressedTextMarker0 = 0xFF;
inline constexpr std::uint8_t kCompressedTextMarker1 = 0xFE;

// Decodes into `out` (replacing its contents, keeping its capacity). An odd
// trailing byte of a two-byte run cannot form a character and is dropped.
void decodeJet4Text(ByteSpan bytes, std::u16string& out);
std::u16string decodeJet4Text(ByteSpan bytes);

// Appends the stored form of `text` to `out`. With `compress` the compressed
// form is used when it is shorter; it is impossible for text holding a
// character whose low byte is 0 (the byte would read as a mode switch). Text
// beginning with U+FEFF is always written compressed when it can be, since its
// plain form would begin with the marker bytes.
void encodeJet4Text(std::u16string_view text, bool compress, std::vector<std::uint8_t>& out);

}  // namespace jet
