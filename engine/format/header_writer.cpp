// Header page writing.
#include "format/header_writer.h"

#include <cmath>
#include <cstring>

#include "format/format_version.h"
#include "format/header.h"
#include "format/header_format.h"
#include "jet/error.h"

namespace jet {

namespace {

// Fields whose meaning is unknown; every Jet 4 file written by the engine
// carries these values.
constexpr std::uint8_t kHeaderSignature[4] = {0x00, 0x01, 0x00, 0x00};
constexpr std::uint8_t kMaskedConstant[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                              0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr std::size_t kHeaderUnknown6A = 0x6A;
constexpr std::uint8_t kUnknown6AValue[2] = {0xAA, 0x21};
constexpr std::size_t kHeaderTrailer = 0x98;
constexpr std::uint8_t kTrailerValue[8] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
constexpr std::size_t kHeaderSlotArray = 0xE00;
constexpr std::size_t kHeaderSlotCount = 256;

void storeU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::vector<std::uint8_t> buildJet4Header(const NewHeader& header) {
  const FormatVersion& v = kJet4Format;
  const std::size_t passwordChars = v.headerPasswordLength / 2;
  if (header.password.size() > passwordChars) {
    throw Error(ErrorCode::InvalidArgument,
                "A database password can have at most " + std::to_string(passwordChars) + " characters");
  }
  std::vector<std::uint8_t> page(v.pageSize, 0);
  std::memcpy(page.data(), kHeaderSignature, sizeof kHeaderSignature);
  std::memcpy(page.data() + kHeaderEngineName, kEngineNameJet, sizeof kEngineNameJet);
  page[kHeaderVersion] = kVersionJet4;
  std::memcpy(page.data() + kHeaderMaskStart, kMaskedConstant, sizeof kMaskedConstant);
  storeU16(page.data() + kHeaderCodePage, header.codePage);
  std::memcpy(page.data() + kHeaderUnknown6A, kUnknown6AValue, sizeof kUnknown6AValue);
  storeU16(page.data() + v.headerSortOrder, header.sortOrder);
  std::memcpy(page.data() + kHeaderCreationDate, &header.creationDate, sizeof header.creationDate);
  std::memcpy(page.data() + kHeaderTrailer, kTrailerValue, sizeof kTrailerValue);
  page[kHeaderSlotArray] = 0x01;
  page[kHeaderSlotArray + 1] = 0x01;
  for (std::size_t i = 1; i < kHeaderSlotCount; ++i) page[kHeaderSlotArray + 2 * i + 1] = 0x01;

  // The password area holds the UCS-2 password, zero padded, XOR-ed with the
  // creation date's integer part; so a file without a password shows that
  // mask repeated.
  const auto day = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(header.creationDate)));
  for (std::size_t i = 0; i < v.headerPasswordLength; ++i) {
    const std::size_t unit = i / 2;
    const char16_t c = unit < header.password.size() ? header.password[unit] : u'\0';
    const auto plain = static_cast<std::uint8_t>(i % 2 == 0 ? c & 0xFF : c >> 8);
    page[kHeaderPassword + i] = static_cast<std::uint8_t>(plain ^ (day >> (8 * (i % 4))));
  }
  toggleHeaderMask(page, v);
  return page;
}

}  // namespace jet
