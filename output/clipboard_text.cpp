// Gathering clipboard lines and handing them to the clipboard.
#include "output/clipboard_text.h"

#include <QClipboard>
#include <QGuiApplication>

namespace qb {

void ClipboardText::addLine(std::u16string_view value) {
  text_ += value.substr(0, value.find(u'\0'));
  text_ += u"\r\n";
  ++lines_;
}

QString ClipboardText::text() const {
  return QString::fromStdU16String(text_);
}

void ClipboardText::putOnClipboard() const {
  if (lines_ == 0) return;
  QGuiApplication::clipboard()->setText(text());
}

}  // namespace qb
