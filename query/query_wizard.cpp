// The "Query Wizard" window's frame; its pages come with the query wizard.
#include "query/query_wizard.h"

#include "ui_services/window_frame.h"

TfrmWizard* frmWizard = nullptr;

TfrmWizard::TfrmWizard(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmWizard"));
  setWindowTitle(QStringLiteral("Query Wizard"));
  qb::setFixedDialogFrame(*this, QSize(560, 420));
}
