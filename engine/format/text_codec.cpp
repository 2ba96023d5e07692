// Jet 4 text decoding.
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

}  // namespace jet
