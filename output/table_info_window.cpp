// The "Table Info" window's frame; its controls come with the Table Info command.
#include "output/table_info_window.h"

#include "ui_services/window_frame.h"

TfrmTableInfo* frmTableInfo = nullptr;

TfrmTableInfo::TfrmTableInfo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTableInfo"));
  setWindowTitle(QStringLiteral("Table Info"));
  qb::setFixedMinimisableFrame(*this, QSize(640, 440));
}
