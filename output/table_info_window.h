// The table information window: the current table's columns with their types, sizes and numbers.
#pragma once

#include <QDialog>

class TfrmTableInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTableInfo(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmTableInfo* frmTableInfo;
