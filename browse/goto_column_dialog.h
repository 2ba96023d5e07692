// The Goto Column dialog: chooses a visible column of the grid to move to.
#pragma once

#include <QDialog>

class TfrmSelectField : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelectField(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmSelectField* frmSelectField;
