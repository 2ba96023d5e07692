// Jet's text order: the order of a text index with the General sort order in an
// Access 2000-2003 database. Letters compare without regard to case, accented
// letters sort after their base letter, and punctuation such as '-' and '\''
// counts only where the letters are equal. Trailing spaces are not significant,
// and only the first 255 characters of a value take part.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// Sort key of a text: comparing two keys byte by byte (as unsigned bytes, a
// shorter key first when it is a prefix of the other, which is what
// std::string's comparison and memcmp do) gives the order of compareTextAsIndexed.
// The key is the value's entry in an ascending General text index without the
// flag byte, so it can also be compared with stored index keys.
std::string textSortKey(std::u16string_view text);

// Appends the sort key of `text` to `out` (lets a caller keep many keys in one
// buffer without an allocation per key).
void appendTextSortKey(std::u16string_view text, std::string& out);

// Compares two texts in Jet's text order, as a General text index orders them;
// <0, 0 or >0. (The value operations break its ties without regard to case.)
int compareTextAsIndexed(std::u16string_view a, std::u16string_view b);

}  // namespace jet
