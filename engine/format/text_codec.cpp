// Jet 4 text decoding and encoding.
#include "format/text_codec.h"

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
      out.reserve(out.size() + size);
      out.push_back(kCompressedTextMarker0);
      out.push_back(kCompressedTextMarker1);
      compressed = true;
      for (const char16_t c : text) {
        const bool small = c < 0x100;
        if (small != compressed) {
          out.push_back(0);
          compressed = small;
        }
        out.push_back(static_cast<std::uint8_t>(c));
        if (!small) out.push_back(static_cast<std::uint8_t>(c >> 8));
      }
      return;
    }
  }
  out.reserve(out.size() + 2 * text.size());
  for (const char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

}  // namespace jet
