// Text decoding and encoding: Jet 4's UCS-2 and compressed forms, and Jet 3's
// single-byte code pages.
#include "format/text_codec.h"

#include <cstdio>

#include "format/code_page_tables.h"
#include "jet/text.h"

namespace jet {

void decodeJet4Text(ByteSpan b, std::u16string& out) {
  out.clear();
  if (b.size() >= 2 && b[0] == kCompressedTextMarker0 && b[1] == kCompressedTextMarker1) {
    out.reserve(b.size() - 2);
    bool compressed = true;
    std::size_t i = 2;
    while (i < b.size()) {
      if (b[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        out.push_back(static_cast<char16_t>(b[i]));
        ++i;
      } else {
        if (i + 1 >= b.size()) break;
        out.push_back(static_cast<char16_t>(b[i] | b[i + 1] << 8));
        i += 2;
      }
    }
    return;
  }
  const std::size_t n = b.size() / 2;
  out.resize(n);
  for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<char16_t>(loadU16(b.data() + 2 * k));
}

std::u16string decodeJet4Text(ByteSpan b) {
  std::u16string s;
  decodeJet4Text(b, s);
  return s;
}

void encodeJet4Text(std::u16string_view text, bool compress, std::vector<std::uint8_t>& out) {
  bool encodable = true;  // no character with a zero low byte
  for (const char16_t c : text) {
    if ((c & 0xFF) == 0) encodable = false;
  }
  const bool markerStart = !text.empty() && text.front() == 0xFEFF;
  if (encodable && (compress || markerStart)) {
    // Size of the compressed form: marker, one byte per one-byte character, two
    // per other character, one per mode switch.
    std::size_t size = 2;
    bool compressed = true;
    for (const char16_t c : text) {
      const bool small = c < 0x100;
      if (small != compressed) {
        ++size;
        compressed = small;
      }
      size += small ? 1 : 2;
    }
    if (size < 2 * text.size() || markerStart) {
      // Room made once and written through a pointer: this runs for every
      // text value a row write stores.
      const std::size_t at = out.size();
      out.resize(at + size);
      std::uint8_t* p = out.data() + at;
      *p++ = kCompressedTextMarker0;
      *p++ = kCompressedTextMarker1;
      compressed = true;
      for (const char16_t c : text) {
        const bool small = c < 0x100;
        if (small != compressed) {
          *p++ = 0;
          compressed = small;
        }
        *p++ = static_cast<std::uint8_t>(c);
        if (!small) *p++ = static_cast<std::uint8_t>(c >> 8);
      }
      return;
    }
  }
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size());
  std::uint8_t* p = out.data() + at;
  for (const char16_t c : text) {
    *p++ = static_cast<std::uint8_t>(c);
    *p++ = static_cast<std::uint8_t>(c >> 8);
  }
}

const TextCodec& TextCodec::unicode() {
  static const TextCodec codec(0, nullptr);
  return codec;
}

const TextCodec* TextCodec::forCodePage(std::uint16_t codePage) {
  // One codec per table, made once; the tables are constant.
  static const std::vector<TextCodec> codecs = [] {
    std::vector<TextCodec> all;
    for (const CodePageTable& t : codePageTables()) all.push_back(TextCodec(t.codePage, t.upperHalf));
    return all;
  }();
  for (const TextCodec& c : codecs) {
    if (c.codePage_ == codePage) return &c;
  }
  return nullptr;
}

void TextCodec::decode(ByteSpan b, std::u16string& out) const {
  if (!upper_) {
    decodeJet4Text(b, out);
    return;
  }
  out.resize(b.size());
  for (std::size_t i = 0; i < b.size(); ++i) {
    const std::uint8_t c = b[i];
    out[i] = c < 0x80 ? static_cast<char16_t>(c) : upper_[c - 0x80];
  }
}

std::u16string TextCodec::decode(ByteSpan b) const {
  std::u16string s;
  decode(b, s);
  return s;
}

int TextCodec::byteOf(char16_t c) const {
  if (!upper_) return c < 0x100 ? static_cast<int>(c) : -1;
  if (c < 0x80) return static_cast<int>(c);
  for (int i = 0; i < 128; ++i) {
    if (upper_[i] == c) return 0x80 + i;
  }
  return -1;
}

std::size_t TextCodec::firstUnencodable(std::u16string_view text) const {
  if (!upper_) return std::u16string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80 && byteOf(text[i]) < 0) return i;
  }
  return std::u16string_view::npos;
}

void TextCodec::encode(std::u16string_view text, bool compress, std::vector<std::uint8_t>& out) const {
  if (!upper_) {
    encodeJet4Text(text, compress, out);
    return;
  }
  out.reserve(out.size() + text.size());
  for (const char16_t c : text) {
    const int b = c < 0x80 ? static_cast<int>(c) : byteOf(c);
    out.push_back(b < 0 ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(b));
  }
}

std::string unencodableCharacter(std::u16string_view text, std::size_t position, const TextCodec& codec) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(text[position]));
  // A lone surrogate has no UTF-8 form of its own: name it by its code only.
  const char16_t c = text[position];
  const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
  return "the character " + std::string(code) +
         (surrogate ? "" : " ('" + toUtf8(text.substr(position, 1)) + "')") + " has no place in code page " +
         std::to_string(codec.codePage());
}

}  // namespace jet
