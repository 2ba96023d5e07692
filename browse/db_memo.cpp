// The memo window's data-bound text area.
#include "browse/db_memo.h"

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent) {}

DBMemo::~DBMemo() {
  DataLink::setDataSource(nullptr);
}
