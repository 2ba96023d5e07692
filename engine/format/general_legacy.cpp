// General (legacy) text keys: the flat code table and the key builder.
#include "format/general_legacy.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "format/general_legacy_table.h"

namespace jet {

namespace {

constexpr std::size_t kCodeUnits = 0x10000;

void putBigEndian(std::uint32_t value, std::size_t length, std::uint8_t* out) {
  for (std::size_t i = 0; i < length; ++i)
    out[i] = static_cast<std::uint8_t>(value >> (8 * (length - 1 - i)));
}

std::unique_ptr<GeneralLegacyCode[]> expandRuns() {
  auto codes = std::make_unique<GeneralLegacyCode[]>(kCodeUnits);
  std::size_t unit = 0;
  for (const GeneralLegacyRun& run : generalLegacyRuns()) {
    for (std::size_t i = 0; i < run.count && unit < kCodeUnits; ++i, ++unit) {
      GeneralLegacyCode& code = codes[unit];
      code.kind = run.kind;
      code.inlineLength = run.inlineLength;
      code.extraLength = run.extraLength;
      code.special = run.special;
      putBigEndian(run.inlineValue + static_cast<std::uint32_t>(run.inlineLength ? i : 0), run.inlineLength,
                   code.inlineBytes);
      putBigEndian(run.extra, run.extraLength, code.extraBytes);
    }
  }
  return codes;
}

// Bytes that mark the parts of a key.
constexpr std::uint8_t kEndOfText = 0x01;  // ends the inline bytes; 01 01 opens the trailer
constexpr std::uint8_t kEndOfKey = 0x00;
constexpr std::uint8_t kExtraFiller = 0x02;  // extra byte of a character without accent codes
constexpr std::uint8_t kUnprintableMark = 0x06;
constexpr std::uint8_t kKanaDefault = 3;       // trailing default flags are dropped
constexpr std::uint8_t kKanaGroupBase = 0x80;  // three 2-bit flags per byte under this bit
constexpr std::array<std::uint8_t, 5> kKanaTrailer{0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kKanaBeforeUnprintable = 0xFF;

// Sizes of the side lists for 255 characters. Each inline-producing character
// adds at most one filler and two extra bytes, plus one leading modifier byte;
// each unprintable character adds one 4-byte record.
constexpr std::size_t kMaxExtra = kTextKeyMaxChars * (1 + kGeneralLegacyMaxExtra) + 1;
constexpr std::size_t kMaxUnprintable = kTextKeyMaxChars * 4;
// The key: a character produces either inline and extra bytes (with filler) or
// an unprintable record, so inline + extra + unprintable stay within
// 255 * (4 + 3) + 1; the kana part is at most 85 + 6 bytes, the markers 6.
static_assert(kTextKeyMaxChars * (kGeneralLegacyMaxInline + 1 + kGeneralLegacyMaxExtra) + 1 + 91 + 6 <=
              kTextKeyMaxBytes);

std::u16string_view keyText(std::u16string_view text) {
  if (text.size() > kTextKeyMaxChars) text = text.substr(0, kTextKeyMaxChars);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

}  // namespace

const GeneralLegacyCode* generalLegacyCodes() {
  static const std::unique_ptr<GeneralLegacyCode[]> codes = expandRuns();
  return codes.get();
}

std::size_t encodeGeneralLegacyKey(std::u16string_view text, bool ascending,
                                   std::span<std::uint8_t, kTextKeyMaxBytes> out) {
  const GeneralLegacyCode* table = generalLegacyCodes();
  text = keyText(text);

  std::uint8_t* const begin = out.data();
  std::uint8_t* p = begin;

  // Extra bytes: one position per character with inline bytes, filled with
  // kExtraFiller up to the next character that has extra bytes.
  std::array<std::uint8_t, kMaxExtra> extra;
  std::size_t extraLength = 0;
  std::size_t extraChars = 0;  // positions the extra bytes cover so far
  bool extraStarted = false;
  bool leadingModifier = false;  // extra began with a modifier that had nothing to modify
  std::array<std::uint8_t, kMaxUnprintable> unprintable;
  std::size_t unprintableLength = 0;
  std::array<std::uint8_t, kTextKeyMaxChars> kana;
  std::size_t kanaLength = 0;
  std::size_t inlineChars = 0;

  auto fillExtraTo = [&](std::size_t position) {
    extraStarted = true;
    if (extraChars < position) {
      std::fill_n(extra.data() + extraLength, position - extraChars, kExtraFiller);
      extraLength += position - extraChars;
      extraChars = position;
    }
  };

  for (char16_t c : text) {
    const GeneralLegacyCode& code = table[c];
    const std::size_t position = inlineChars;
    if (code.inlineLength != 0) {
      std::memcpy(p, code.inlineBytes, code.inlineLength);
      p += code.inlineLength;
      ++inlineChars;
    }
    switch (code.kind) {
      case GeneralLegacyKind::Ignored:
      case GeneralLegacyKind::Simple:
        break;
      case GeneralLegacyKind::Extended:
        kana[kanaLength++] = code.special;
        [[fallthrough]];
      case GeneralLegacyKind::International:
        if (code.extraLength != 0) {
          fillExtraTo(position);
          std::memcpy(extra.data() + extraLength, code.extraBytes, code.extraLength);
          extraLength += code.extraLength;
          ++extraChars;
        }
        break;
      case GeneralLegacyKind::Modifier:
        fillExtraTo(position);
        if (extraLength != 0) {
          extra[extraLength - 1] = static_cast<std::uint8_t>(extra[extraLength - 1] + code.special);
        } else {
          extra[extraLength++] = code.special;
          leadingModifier = true;
        }
        break;
      case GeneralLegacyKind::Unprintable: {
        // The record names where the character stood, counted in the extra
        // bytes as they would be if every pending filler were written.
        std::size_t where = position;
        if (extraStarted) where = extraLength + (position - extraChars) - (leadingModifier ? 1 : 0);
        const std::uint16_t mark = static_cast<std::uint16_t>(0x8000 | (7 + 4 * where));
        unprintable[unprintableLength++] = static_cast<std::uint8_t>(mark >> 8);
        unprintable[unprintableLength++] = static_cast<std::uint8_t>(mark);
        unprintable[unprintableLength++] = kUnprintableMark;
        unprintable[unprintableLength++] = code.special;
        break;
      }
    }
  }

  *p++ = kEndOfText;
  while (extraLength != 0 && extra[extraLength - 1] <= kExtraFiller) --extraLength;
  std::memcpy(p, extra.data(), extraLength);
  p += extraLength;

  if (unprintableLength != 0 || kanaLength != 0) {
    *p++ = kEndOfText;
    *p++ = kEndOfText;
    if (kanaLength != 0) {
      while (kanaLength != 0 && kana[kanaLength - 1] == kKanaDefault) --kanaLength;
      for (std::size_t i = 0; i < kanaLength; i += 3) {
        std::uint8_t group = kKanaGroupBase;
        for (std::size_t j = 0; j < 3 && i + j < kanaLength; ++j)
          group = static_cast<std::uint8_t>(group | kana[i + j] << (2 * (2 - j)));
        *p++ = group;
      }
      p = std::copy(kKanaTrailer.begin(), kKanaTrailer.end(), p);
      if (unprintableLength != 0) *p++ = kKanaBeforeUnprintable;
    }
    if (unprintableLength != 0) {
      *p++ = kEndOfText;
      std::memcpy(p, unprintable.data(), unprintableLength);
      p += unprintableLength;
    }
  }

  if (!ascending) {
    *p++ = kEndOfKey;
    for (std::uint8_t* q = begin; q != p; ++q) *q = static_cast<std::uint8_t>(~*q);
  }
  *p++ = kEndOfKey;
  return static_cast<std::size_t>(p - begin);
}

void appendGeneralLegacyKey(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out) {
  std::array<std::uint8_t, kTextKeyMaxBytes> buffer;
  const std::size_t length = encodeGeneralLegacyKey(text, ascending, buffer);
  out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace jet
