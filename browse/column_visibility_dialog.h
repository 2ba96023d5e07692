// The column visibility window: shows and hides the grid's columns.
#pragma once

#include <QDialog>

class TfrmColumns : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmColumns(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmColumns* frmColumns;
