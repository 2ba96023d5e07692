// Header page decoding.
#include "format/header.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "format/header_format.h"
#include "format/text_codec.h"
#include "storage/rc4.h"

namespace jet {

namespace {

bool hasEngineName(ByteSpan b, const char* name) {
  return std::memcmp(b.data() + kHeaderEngineName, name, std::strlen(name) + 1) == 0;
}

}  // namespace

FileKind detectFileKind(ByteSpan b, std::uint32_t* aceVersion) {
  if (b.size() < kHeaderProbeSize || b[kHeaderPageType] != 0x00) return FileKind::NotDatabase;
  const std::uint32_t version = loadU32(b.data() + kHeaderVersion);
  if (hasEngineName(b, kEngineNameMsisam)) return FileKind::Msisam;
  const bool jet = hasEngineName(b, kEngineNameJet);
  const bool ace = hasEngineName(b, kEngineNameAce);
  if (!jet && !ace) return FileKind::NotDatabase;
  if (jet && version == kVersionJet3) return FileKind::Jet3;
  if (jet && version == kVersionJet4) return FileKind::Jet4;
  if (version >= 2 && version < 0x100) {
    if (aceVersion) *aceVersion = version;
    return FileKind::Ace;
  }
  return FileKind::NotDatabase;
}

void toggleHeaderMask(std::span<std::uint8_t> page, const FormatVersion& version) {
  rc4Apply(kHeaderMaskKey, page.subspan(kHeaderMaskStart, version.headerMaskLength));
}

std::u16string decodeJet4Password(ByteSpan area, double creationDate) {
  // The mask is the creation date's integer part; a non-finite or huge date
  // (damaged header) gives the same bits a 32-bit conversion would wrap to.
  std::uint32_t d = 0;
  if (std::isfinite(creationDate)) {
    const double t = std::trunc(creationDate);
    if (t > -2147483649.0 && t < 4294967296.0) d = static_cast<std::uint32_t>(static_cast<std::int64_t>(t));
  }
  const std::uint8_t mask[4] = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(d >> 8),
                                static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(d >> 24)};
  std::u16string out;
  for (std::size_t i = 0; i + 1 < area.size(); i += 2) {
    const auto lo = static_cast<std::uint8_t>(area[i] ^ mask[i % 4]);
    const auto hi = static_cast<std::uint8_t>(area[i + 1] ^ mask[(i + 1) % 4]);
    const auto unit = static_cast<char16_t>(lo | hi << 8);
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

std::uint16_t headerCodePage(ByteSpan page) {
  return u16At(page, kHeaderCodePage);
}

HeaderFields readHeaderFields(ByteSpan page, const FormatVersion& version, const TextCodec& text) {
  HeaderFields h;
  h.codePage = headerCodePage(page);
  h.databaseKey = u32At(page, kHeaderDatabaseKey);
  h.sortOrder = u16At(page, version.headerSortOrder);
  if (version.format == FileFormat::Jet4) {
    h.sortOrderVersion = u8At(page, kHeaderSortOrderVersion);
    h.creationDate = f64At(page, kHeaderCreationDate);
    const ByteSpan area = bytesAt(page, kHeaderPassword, version.headerPasswordLength);
    // Writers other than the engine may leave the area unmasked zeros: no password.
    if (std::any_of(area.begin(), area.end(), [](std::uint8_t b) { return b != 0; })) {
      h.password = decodeJet4Password(area, h.creationDate);
    }
  } else {
    // Jet 3 keeps the password as plain code-page text, zero padded (the header
    // mask covers it).
    const ByteSpan area = bytesAt(page, kHeaderPassword, version.headerPasswordLength);
    const auto end = std::find(area.begin(), area.end(), std::uint8_t{0});
    h.password = text.decode(area.first(static_cast<std::size_t>(end - area.begin())));
  }
  return h;
}

}  // namespace jet
