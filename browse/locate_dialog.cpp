// The "Locate" window's frame; its controls come with the Locate command.
#include "browse/frm_search.h"

#include "connection/ui/support/window_frame.h"

TfrmSearch* frmSearch = nullptr;

TfrmSearch::TfrmSearch(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("Locate"));
  qb::setFixedDialogFrame(*this, QSize(380, 220));
}
