// The memo field window: one field of the current record in a large text
// area, for reading and editing long texts. Modeless, and it stays above the
// other windows. It is bound to a field by the memo command.
#pragma once

#include <QWidget>

class QPlainTextEdit;

class TfrmMemo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMemo(QWidget* parent = nullptr);

  QPlainTextEdit* DBMemo1;
};

// Program-wide reference, set when the window set is created.
extern TfrmMemo* frmMemo;
