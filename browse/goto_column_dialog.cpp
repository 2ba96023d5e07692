// The "Select Field" window's frame; its controls come with the Goto Column command.
#include "browse/frm_select_field.h"

#include "connection/ui/support/window_frame.h"

TfrmSelectField* frmSelectField = nullptr;

TfrmSelectField::TfrmSelectField(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectField"));
  setWindowTitle(QStringLiteral("Select Field"));
  qb::setFixedDialogFrame(*this, QSize(300, 360));
}
