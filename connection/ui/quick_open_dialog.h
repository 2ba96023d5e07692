// The "Quick Open" dialog: asks for the name of one table of the open
// database. It keeps what was typed between uses.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmQuickOpen : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmQuickOpen(QWidget* parent = nullptr);

  QLineEdit* Edit1;
  QPushButton* OkButton;
  QPushButton* CancelButton;
};

// Program-wide reference, set when the window set is created.
extern TfrmQuickOpen* frmQuickOpen;
