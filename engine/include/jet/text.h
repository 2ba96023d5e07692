// Text helpers shared by every layer. The engine keeps text as UTF-16 code units
// (std::u16string), exactly as Jet stores it; these convert to and from UTF-8 for
// file names, the command line and files we write.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Invalid byte sequences become U+FFFD.
std::u16string fromUtf8(std::string_view text);

// Case-insensitive comparison of names (tables, columns, indexes), as Jet compares
// object names: simple case folding of Latin, Greek and Cyrillic letters.
// Returns <0, 0 or >0.
int compareNamesNoCase(std::u16string_view a, std::u16string_view b);
bool equalNamesNoCase(std::u16string_view a, std::u16string_view b);

// Simple per-code-unit upper/lower case mapping used by the comparisons above.
char16_t toUpperSimple(char16_t c) noexcept;
char16_t toLowerSimple(char16_t c) noexcept;

}  // namespace jet
