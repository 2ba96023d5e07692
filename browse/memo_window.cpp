// Layout of the memo window: the text area fills it, with both scroll bars.
#include "browse/memo_window.h"

#include <QVBoxLayout>

#include "browse/db_memo.h"
#include "connection/ui/main_data.h"

TfrmMemo* frmMemo = nullptr;

TfrmMemo::TfrmMemo(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmMemo"));
  setWindowTitle(QStringLiteral("Memo field"));
  resize(520, 360);

  DBMemo1 = new DBMemo(this);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  DBMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  if (mainData) DBMemo1->setDataSource(&mainData->DataSource1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(DBMemo1);
}
