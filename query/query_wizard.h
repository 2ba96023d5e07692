// The query wizard: builds a SELECT statement step by step.
#pragma once

#include <QDialog>

class TfrmWizard : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmWizard(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmWizard* frmWizard;
