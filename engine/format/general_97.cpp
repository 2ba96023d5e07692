// General 97 text keys.
#include "format/general_97.h"

#include "format/general_97_table.h"
#include "format/general_legacy.h"
#include "format/text_codec.h"

namespace jet {

namespace {

constexpr std::uint16_t kGeneral97CodePage = 1252;
constexpr std::uint8_t kStreamStart = 0;
constexpr std::uint8_t kUnaccented = 2;  // a significant letter without an accent
constexpr std::uint8_t kStreamEnd = 0;
constexpr std::uint8_t kNoExtra = 0x00;

}  // namespace

void appendGeneral97Key(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out) {
  static const TextCodec& codePage = *TextCodec::forCodePage(kGeneral97CodePage);
  if (text.size() > kTextKeyMaxChars) text = text.substr(0, kTextKeyMaxChars);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);

  const std::size_t start = out.size();
  const General97Code* codes = general97Codes();
  std::vector<std::uint8_t> nibbles;
  std::size_t significant = 0;  // since the last accented letter
  for (const char16_t c : text) {
    const int b = codePage.byteOf(c);
    if (b < 0) continue;
    const General97Code& code = codes[b];
    if (code.kind == General97Kind::Ignored) continue;
    out.insert(out.end(), code.inlineBytes, code.inlineBytes + code.inlineLength);
    if (code.kind == General97Kind::Significant) {
      ++significant;
    } else if (code.kind == General97Kind::International) {
      if (nibbles.empty()) nibbles.push_back(kStreamStart);
      nibbles.insert(nibbles.end(), significant, kUnaccented);
      significant = 0;
      nibbles.push_back(code.extra);
    }
  }
  if (nibbles.empty()) {
    out.push_back(kNoExtra);
  } else {
    nibbles.push_back(kStreamEnd);
    if (nibbles.size() % 2 != 0) nibbles.push_back(0);
    for (std::size_t i = 0; i < nibbles.size(); i += 2) {
      out.push_back(static_cast<std::uint8_t>(nibbles[i] << 4 | nibbles[i + 1]));
    }
  }
  if (!ascending) {
    for (std::size_t i = start; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
  }
}

}  // namespace jet
