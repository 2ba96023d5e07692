// The Locate dialog: finds a record of the current table by the value of a field.
#pragma once

#include <QDialog>

class TfrmSearch : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSearch(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmSearch* frmSearch;
