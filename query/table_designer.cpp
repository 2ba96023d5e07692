// The "New Table" window's frame; its controls come with the table designer.
#include "query/table_designer.h"

#include "ui_services/window_frame.h"

TfrmNew* frmNew = nullptr;

TfrmNew::TfrmNew(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmNew"));
  setWindowTitle(QStringLiteral("New Table"));
  qb::setFixedMinimisableFrame(*this, QSize(520, 400));
}
