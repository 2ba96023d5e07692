// The "Locate" window's frame; its controls come with the Locate command.
#include "browse/locate_dialog.h"

#include "ui_services/window_frame.h"

TfrmSearch* frmSearch = nullptr;

TfrmSearch::TfrmSearch(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("Locate"));
  qb::setFixedDialogFrame(*this, QSize(380, 220));
}
