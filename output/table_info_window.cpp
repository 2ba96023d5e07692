// The "Table Info" window's frame; its controls come with the Table Info command.
#include "output/frm_table_info.h"

#include "connection/ui/support/window_frame.h"

TfrmTableInfo* frmTableInfo = nullptr;

TfrmTableInfo::TfrmTableInfo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTableInfo"));
  setWindowTitle(QStringLiteral("Table Info"));
  qb::setFixedMinimisableFrame(*this, QSize(640, 440));
}
