// ClipboardText: the plain text the clipboard copies put on the clipboard —
// one value per line, CR LF after every line, the last one included. A value
// that holds a zero character is cut there (the rest of that value is lost,
// its line end and the lines after it stay). With no line at all nothing is
// put on the clipboard and what it held stays.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace qb {

class ClipboardText {
 public:
  void addLine(std::u16string_view value);
  std::size_t lineCount() const { return lines_; }
  QString text() const;

  // Replaces the clipboard's text with text(); does nothing without a line.
  void putOnClipboard() const;

 private:
  std::u16string text_;
  std::size_t lines_ = 0;
};

}  // namespace qb
