// The memo window's data-bound text area.
#include "browse/db_memo.h"

#include <QFocusEvent>
#include <QScopedValueRollback>

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!showing_) textTyped();
  });
}

DBMemo::~DBMemo() {
  DataLink::setDataSource(nullptr);
}

void DBMemo::showText(const QString& text) {
  QScopedValueRollback<bool> showing(showing_, true);
  setPlainText(text);
}

QString DBMemo::textForField() const {
  QString text = toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text;
}

void DBMemo::replaceText(const QString& text) {
  if (isReadOnly()) return;
  // One step the person can undo, as typing is.
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(text);
}

void DBMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) focusLeft();
}
