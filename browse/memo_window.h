// The memo field window: one field of the current record in a large text
// area, for reading and editing long texts. Modeless, and it stays above the
// other windows. It is bound to a field by the memo command.
#pragma once

#include <QWidget>

class DBMemo;

class TfrmMemo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMemo(QWidget* parent = nullptr);

  // Bound to the main window's DataSource1 when the window is made.
  DBMemo* DBMemo1;
};

// Program-wide reference, set when the window set is created.
extern TfrmMemo* frmMemo;
