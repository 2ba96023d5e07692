// The record view's data-bound boxes.
#include "browse/db_edit.h"

#include <QFocusEvent>

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  connect(this, &QLineEdit::textEdited, this, [this] { textTyped(); });
}

DBEdit::~DBEdit() {
  DataLink::setDataSource(nullptr);
}

void DBEdit::showText(const QString& text) {
  setText(text);
  setCursorPosition(0);
}

void DBEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A box or another window taking the focus leaves the typed text where it
  // is; it reaches the field when the record is saved or left.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) focusLeft();
}
