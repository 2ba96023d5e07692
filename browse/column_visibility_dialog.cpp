// The "Show / Hide Columns" window's frame; its controls come with the column visibility commands.
#include "browse/column_visibility_dialog.h"

#include "ui_services/window_frame.h"

TfrmColumns* frmColumns = nullptr;

TfrmColumns::TfrmColumns(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmColumns"));
  setWindowTitle(QStringLiteral("Show / Hide Columns"));
  qb::setFixedDialogFrame(*this, QSize(360, 420));
}
