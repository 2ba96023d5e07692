// The empty picture field window.
#include "browse/picture_window.h"

TfrmPicture* frmPicture = nullptr;

TfrmPicture::TfrmPicture(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmPicture"));
  setWindowTitle(QStringLiteral("Picture Field"));
  resize(320, 280);
}
