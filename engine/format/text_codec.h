// Text as a database stores it, in rows, long values, names and properties.
// Jet 4 keeps UCS-2 little-endian, or the compressed form that starts with the
// bytes FF FE: there a 00 byte switches between one byte per character
// (U+0001-U+00FF) and two, and decoding starts in the one-byte mode. Jet 3
// keeps one byte per character in the database's code page (code_page_tables.h).
#pragma once

#include <cstddef>
#include <cstdint>
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

// The text form of one database: Jet 4's UCS-2 or a single-byte code page.
class TextCodec {
 public:
  // Jet 4 text.
  static const TextCodec& unicode();
  // Jet 3 text in a Windows code page; null for a code page without a table
  // here (the double-byte Far East ones among them).
  static const TextCodec* forCodePage(std::uint16_t codePage);

  bool singleByte() const { return upper_ != nullptr; }
  std::uint16_t codePage() const { return codePage_; }  // 0 for Jet 4 text
  // Bytes one character takes in a fixed-length text field.
  std::size_t unitSize() const { return singleByte() ? 1 : 2; }

  // Decodes into `out` (replacing its contents, keeping its capacity).
  void decode(ByteSpan bytes, std::u16string& out) const;
  std::u16string decode(ByteSpan bytes) const;

  // Appends the stored form of `text`. `compress` applies to Jet 4 text only.
  // A character the code page cannot hold is written as '?': callers check
  // with firstUnencodable() first and refuse such text.
  void encode(std::u16string_view text, bool compress, std::vector<std::uint8_t>& out) const;

  // Position of the first character the code page cannot hold; npos when all
  // can be stored (always for Jet 4 text).
  std::size_t firstUnencodable(std::u16string_view text) const;

  // The code-page byte of one character, or -1 when it has none. Jet 4 text:
  // the low byte of characters below U+0100, else -1.
  int byteOf(char16_t c) const;

 private:
  TextCodec(std::uint16_t codePage, const char16_t* upper) : codePage_(codePage), upper_(upper) {}

  std::uint16_t codePage_;
  const char16_t* upper_;  // code units of bytes 0x80-0xFF; null for Jet 4 text
};

// The message part naming a character text cannot be stored with, e.g.
// "the character U+0416 ('Ж') has no place in code page 1252".
std::string unencodableCharacter(std::u16string_view text, std::size_t position, const TextCodec& codec);

}  // namespace jet
