// Jet's text order for other layers, built on the General (legacy) key builder.
#include "jet/collation.h"

#include <array>
#include <cstring>

#include "format/general_legacy.h"

namespace jet {

void appendTextSortKey(std::u16string_view text, std::string& out) {
  std::array<std::uint8_t, kTextKeyMaxBytes> buffer;
  const std::size_t length = encodeGeneralLegacyKey(text, true, buffer);
  out.append(reinterpret_cast<const char*>(buffer.data()), length);
}

std::string textSortKey(std::u16string_view text) {
  std::string key;
  appendTextSortKey(text, key);
  return key;
}

int compareTextAsIndexed(std::u16string_view a, std::u16string_view b) {
  std::array<std::uint8_t, kTextKeyMaxBytes> keyA;
  std::array<std::uint8_t, kTextKeyMaxBytes> keyB;
  const std::size_t lengthA = encodeGeneralLegacyKey(a, true, keyA);
  const std::size_t lengthB = encodeGeneralLegacyKey(b, true, keyB);
  const int c = std::memcmp(keyA.data(), keyB.data(), std::min(lengthA, lengthB));
  if (c != 0) return c < 0 ? -1 : 1;
  return lengthA < lengthB ? -1 : (lengthA > lengthB ? 1 : 0);
}

}  // namespace jet
