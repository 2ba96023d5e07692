// The "Select Field" window's frame; its controls come with the Goto Column command.
#include "browse/goto_column_dialog.h"

#include "ui_services/window_frame.h"

TfrmSelectField* frmSelectField = nullptr;

TfrmSelectField::TfrmSelectField(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectField"));
  setWindowTitle(QStringLiteral("Select Field"));
  qb::setFixedDialogFrame(*this, QSize(300, 360));
}
