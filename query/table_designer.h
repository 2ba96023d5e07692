// The table designer dialog: defines the columns of a new table.
#pragma once

#include <QDialog>

class TfrmNew : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmNew(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmNew* frmNew;
